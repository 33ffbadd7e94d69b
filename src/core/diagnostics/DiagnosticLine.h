#pragma once

#include <QByteArray>
#include <QString>

// Diagnostic output goes to standard error, where the per-run log capture picks it up.
// Never pass a password or a cookie value in here.

// The start of every diagnostic line: the local date and time to the millisecond, the program's
// name and its process id, ending in "] ".
QByteArray diagnosticLinePrefix();

// Writes the prefix, then "<file.cpp:(123)> message" with the base name of the source file.
void writeDiagnosticLine(const char *sourceFile, int line, const QString &message);

// Writes the message as it stands, as one line.
void writePlainLine(const QString &message);

// On by default. A front end that keeps standard error for its own messages (the command line)
// turns them off unless asked for them.
void setDiagnosticLinesEnabled(bool enabled);

#define VENDRA_DIAG(message) ::writeDiagnosticLine(__FILE__, __LINE__, (message))
