#pragma once

#include <string>

// What may be an album or file name. Every name becomes one folder or file name under the data
// folder, so it must be exactly one path component: nothing that could climb out ("..", "/"),
// cut a path short (NUL) or be mistaken for an option of a tool. Everything else that Linux takes
// as a file name (quotes, backslashes, spaces, letters of any script) is kept as it is.
namespace NameRules {

constexpr size_t MaxNameBytes = 255;

enum class Verdict { Ok, Empty, DotName, HasSlash, HasControl, TooLong, NotUtf8 };

Verdict check(const std::string &name);
// A short text for the verdict, for log lines and error answers.
const char *describe(Verdict verdict);

bool isValidUtf8(const std::string &text);
// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string repairUtf8(const std::string &text);

// The name of an uploaded file from what the client sent: the part after the last "/", with
// invalid UTF-8 repaired and shortened to fit the file-name limit, keeping its extension.
// The result may still fail check() (empty, "..", control characters).
std::string uploadedFileName(const std::string &sentName);

// The n-th distinct variant of a name: "photo.jpg", "photo (2).jpg", "photo (3).jpg", ...,
// always within the file-name limit.
std::string variant(const std::string &name, int n);

} // namespace NameRules
