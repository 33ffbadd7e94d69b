#pragma once

#include "MeasuredProcess.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>

class ReferenceServer;

// vendra-cli run as a user runs it, for end-to-end tests. Every instance gives its runs a private
// HOME and XDG_CONFIG_HOME, so the profile one test stores is seen by no other; the keyring is the
// test's own. The runs are bound by file permissions even when the tests run as root.
class CliProcess
{
public:
    using Result = MeasuredProcess::Outcome;

    CliProcess();

    // VENDRA_PASSWORD for the runs; a null text leaves it unset.
    void setPasswordVariable(const QString &password);
    void setEnvironmentVariable(const QString &name, const QString &value)
    {
        m_environment.insert(name, value);
    }

    Result run(const QStringList &arguments, const QByteArray &standardInput = {},
               int timeoutMs = 60000) const
    {
        return launch(arguments, standardInput)->finish(timeoutMs);
    }
    // Starts a run whose time and peak memory are measured, for runs side by side; finish() ends it.
    std::unique_ptr<MeasuredProcess> launch(const QStringList &arguments,
                                            const QByteArray &standardInput = {}) const
    {
        return std::make_unique<MeasuredProcess>(executable(), arguments, m_environment.toStringList(),
                                                 standardInput);
    }

    QString homePath() const { return m_home.path(); }
    // XDG_CONFIG_HOME of the runs.
    QString configPath() const { return m_home.filePath(QStringLiteral(".config")); }
    // The files below the home folder whose bytes contain the text.
    QStringList filesContaining(const QByteArray &text) const;

    static QString executable() { return QStringLiteral(VENDRA_CLI_PATH); }
    // The options that lead to the server as the demo user, over the scheme it serves; with HTTPS,
    // trusting its certificate.
    static QStringList demoOn(const ReferenceServer &server);

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
};
