#include "CliOutput.h"

#include "common/Error.h"

#include <cstdio>

void CliOutput::printLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void CliOutput::printError(const Error &error)
{
    printErrorText(error.description());
}

void CliOutput::printErrorText(const QString &text)
{
    const QByteArray bytes = QByteArrayLiteral("vendra-cli: ") + text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
