#include "diagnostics/DiagnosticLine.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>

#include <atomic>
#include <cerrno>
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

QByteArray diagnosticLinePrefix()
{
    // "2026-03-09 14:05:01.123 vendra-uploader[4242] ": the time lines up a report with the server's
    // log, the process tells the runs in one file apart; the debug pane drops it up to the "] ".
    static const QByteArray program = QByteArray(program_invocation_short_name) + '[' +
                                      QByteArray::number(qint64(QCoreApplication::applicationPid())) + "] ";
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toLatin1() +
           program;
}

void writeDiagnosticLine(const char *sourceFile, int line, const QString &message)
{
    QByteArray text = diagnosticLinePrefix();
    text.reserve(text.size() + message.size() + 64);
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
