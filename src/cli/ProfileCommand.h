#pragma once

#include "CliCommand.h"

#include "common/Error.h"

class Preferences;

// "profile": shows the stored connection profile, the one the desktop program keeps. Given connection
// options, it stores them first, each on its own (the CA file of --ca-cert too); --save-password keeps
// the password from standard input in the keyring under the profile's server and user name,
// --forget-password removes it there. --trust-certificate shows the certificate the profile's server
// presents and trusts exactly that one for its host and port; --forget-certificate forgets it.
class ProfileCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("profile"); }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    bool takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                       QString &problem) override;
    int run(const ConnectionOptions &options) override;

private:
    // Checks everything first, so that bad input stores nothing; then writes the settings in the
    // desktop program's order (server, port, scheme, user) and only then touches the keyring, which
    // keys the password by the stored server and user name.
    bool store(Preferences &preferences, const ConnectionOptions &options, Error &error) const;
    // Shows the certificate the profile's server presents and stores its fingerprint.
    static bool trustCertificate(Preferences &preferences, Error &error);
    static void print(const Preferences &preferences);

    bool m_savePassword = false;
    bool m_forgetPassword = false;
    bool m_trustCertificate = false;
    bool m_forgetCertificate = false;
};
