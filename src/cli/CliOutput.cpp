#include "CliOutput.h"

#include "common/Error.h"
#include "common/MessageText.h"
#include "http/TransportFailure.h"

#include <cstdio>

void CliOutput::printLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void CliOutput::printError(const Error &error)
{
    // A failed secure connection is explained in full, the certificate included, with the way out.
    const QString tls = TransportFailure::describe(error, TransportFailure::serverKey(error));
    if (tls.isEmpty()) {
        printErrorText(error.description());
        return;
    }
    QString text = tls;
    if (TransportFailure::kind(error) == TransportFailure::CertificateUntrusted &&
        !TransportFailure::certificate(error).isNull())
        text += u'\n' + messageText(QStringLiteral("Text_CliTrustHint"));
    else if (TransportFailure::kind(error) == TransportFailure::CertificateChanged)
        text += u'\n' + messageText(QStringLiteral("Text_CliForgetHint"));
    printErrorText(text);
}

void CliOutput::printErrorText(const QString &text)
{
    const QByteArray bytes = QByteArrayLiteral("vendra-cli: ") + text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
