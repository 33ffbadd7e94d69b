#pragma once

#include <QString>
#include <QStringView>

// A text that came from a server (a status word, an error code, a reply field), made fit to be shown
// to a user or written to a log: one line, control characters and line breaks turned into single
// spaces, and at most MaximumLength characters, the cut marked with an ellipsis. A server may send
// anything; a window or a log file must not take it whole.
namespace ServerText {

constexpr qsizetype MaximumLength = 200;

QString shown(QStringView text);

} // namespace ServerText
