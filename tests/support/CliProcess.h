#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class MeasuredProcess;
class QProcess;

// vendra-cli run as a user runs it, for end-to-end tests. Every instance gives its runs a private
// HOME and XDG_CONFIG_HOME, so the profile one test stores is seen by no other; the keyring is the
// test's own. The runs are bound by file permissions even when the tests run as root.
class CliProcess
{
public:
    struct Result
    {
        int exitCode = -1; // -1 when it crashed or had to be killed
        QString out;
        QString err;
        qint64 peakKiB = -1; // the run's largest resident size
        qint64 ms = -1;      // how long it ran
        QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
    };

    CliProcess();

    // VENDRA_PASSWORD for the runs; a null text leaves it unset.
    void setPasswordVariable(const QString &password);
    // Any other variable of the runs' environment.
    void setEnvironmentVariable(const QString &name, const QString &value);

    Result run(const QStringList &arguments, const QByteArray &standardInput = {},
               int timeoutMs = 60000) const;
    // Starts a run and returns at once, for tests that act while it is under way.
    void start(QProcess &process, const QStringList &arguments) const;
    // Starts a run whose time and peak memory are measured, for runs side by side; finish() ends it.
    std::unique_ptr<MeasuredProcess> launch(const QStringList &arguments,
                                            const QByteArray &standardInput = {}) const;
    // Waits for a launched run, killing it after timeoutMs.
    static Result finish(MeasuredProcess &process, int timeoutMs);

    QString homePath() const { return m_home.path(); }
    // XDG_CONFIG_HOME of the runs.
    QString configPath() const;
    // The files below the home folder whose bytes contain the text.
    QStringList filesContaining(const QByteArray &text) const;

    static QString executable();

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
};
