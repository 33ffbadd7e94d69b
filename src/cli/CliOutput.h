#pragma once

#include <QString>

class Error;

// What vendra-cli prints: results on standard output, failures on standard error.
namespace CliOutput {

void printLine(const QString &line);
// The error's text (the message of its key) on standard error.
void printError(const Error &error);
void printErrorText(const QString &text);

} // namespace CliOutput
