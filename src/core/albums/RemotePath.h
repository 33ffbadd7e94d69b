#pragma once

#include <QString>

// Full remote paths: album names from the top joined with "/", the root's path being empty.
namespace RemotePath {

// Appends one name as a path component; appending to the empty path gives the bare name. A "/"
// inside the name is not escaped: it reads as a further level.
QString join(const QString &path, const QString &name);

// The path with its last component replaced ("A/B" and "C" give "A/C").
QString withLastComponentReplaced(const QString &path, const QString &newName);

// Whether path is the album at prefix or lies below it.
bool isAtOrBelow(const QString &path, const QString &prefix);

} // namespace RemotePath
