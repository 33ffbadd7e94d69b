#pragma once

#include "common/Error.h"

#include <QSslCertificate>
#include <QString>

#include <optional>

class QCommandLineParser;
class commsGlobals;

// Where and as whom to sign in, from the command line. A value left out stays unset, so that a
// stored profile can fill it in before the session is configured.
class ConnectionOptions
{
public:
    // Adds --server, --port, --https, --http, --user, --password-stdin and --ca-cert.
    static void addTo(QCommandLineParser &parser);
    // Reads them back; a malformed value sets the error.
    static ConnectionOptions fromParser(const QCommandLineParser &parser, Error &error);

    // Checks that everything needed is there, reads the password (standard input or
    // VENDRA_PASSWORD), trusts the extra certificate and copies the settings into the session.
    void applyTo(commsGlobals &globals, Error &error) const;

    std::optional<QString> server;
    std::optional<qint64> port;
    std::optional<bool> useHTTPS;
    std::optional<QString> userName;
    bool passwordFromStdin = false;
    QList<QSslCertificate> extraCaCertificates;

private:
    QString readPassword(Error &error) const;
};
