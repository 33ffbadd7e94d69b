#pragma once

#include "common/Error.h"

#include <QStringList>

// What to tell the user when a sign-in fails, worked out from the login sequence's error by its
// class: an incompatible client version (answered with the upgrade choices), a server certificate
// that is not trusted (which the user may choose to trust), a server that shows another certificate
// than the one trusted for it, HTTPS and plain HTTP mixed up, another failed TLS handshake, another
// transport failure (with its code), or the server's own reason. The window only shows it.
//
// The informative text is mark-up for the attributed alert: line breaks as "\n", and everything
// that came from outside (server names, certificates, the server's words) escaped.
class LoginFailureMessage
{
public:
    enum Kind {
        NoFailure,
        IncompatibleVersion,
        CertificateUntrusted,
        CertificateChanged,
        NoSslOnHttp,
        SslConnectionError,
        TransportError,
        ServerError,
    };

    static LoginFailureMessage forError(const Error &error, const QString &serverName, bool useHttps);

    Kind kind() const { return m_kind; }
    QString messageText() const { return m_messageText; }
    QString informativeText() const { return m_informativeText; }
    // The alert's buttons, first (return code 1000) first. An untrusted certificate that can be
    // trusted has "Trust This Certificate" second (1001), never as the default.
    QStringList buttonTitles() const { return m_buttonTitles; }
    bool offersTrust() const { return m_buttonTitles.size() > 1 && m_kind == CertificateUntrusted; }

private:
    Kind m_kind = NoFailure;
    QString m_messageText;
    QString m_informativeText;
    QStringList m_buttonTitles;
};
