#include "diagnostics/DiagnosticLine.h"

#include <QByteArray>
#include <QMutex>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<bool> diagnosticLinesEnabled = true;

QMutex &outputMutex()
{
    static QMutex mutex;
    return mutex;
}

// One fwrite per line under a lock, so lines from several threads never interleave.
void writeLine(const QByteArray &line)
{
    if (!diagnosticLinesEnabled)
        return;
    const QMutexLocker lock(&outputMutex());
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

const char *baseName(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

void writeDiagnosticLine(const char *sourceFile, int line, const QString &message)
{
    QByteArray text;
    text.reserve(message.size() + 64);
    text += '<';
    text += baseName(sourceFile);
    text += ":(";
    text += QByteArray::number(line);
    text += ")> ";
    text += message.toUtf8();
    text += '\n';
    writeLine(text);
}

void writePlainLine(const QString &message)
{
    writeLine(message.toUtf8() + '\n');
}

void setDiagnosticLinesEnabled(bool enabled)
{
    diagnosticLinesEnabled = enabled;
}
