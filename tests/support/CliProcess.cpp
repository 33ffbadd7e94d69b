#include "CliProcess.h"

#include "FileAccessOverride.h"
#include "MeasuredProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

CliProcess::CliProcess() : m_environment(QProcessEnvironment::systemEnvironment())
{
    if (!m_home.isValid())
        qFatal("cannot make a home folder for vendra-cli");
    QDir(m_home.path()).mkpath(QStringLiteral(".config"));
    m_environment.insert(QStringLiteral("HOME"), m_home.path());
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configPath());
    m_environment.remove(QStringLiteral("VENDRA_PASSWORD"));
}

void CliProcess::setPasswordVariable(const QString &password)
{
    if (password.isNull())
        m_environment.remove(QStringLiteral("VENDRA_PASSWORD"));
    else
        m_environment.insert(QStringLiteral("VENDRA_PASSWORD"), password);
}

void CliProcess::setEnvironmentVariable(const QString &name, const QString &value)
{
    m_environment.insert(name, value);
}

CliProcess::Result CliProcess::run(const QStringList &arguments, const QByteArray &standardInput,
                                   int timeoutMs) const
{
    return finish(*launch(arguments, standardInput), timeoutMs);
}

std::unique_ptr<MeasuredProcess> CliProcess::launch(const QStringList &arguments,
                                                    const QByteArray &standardInput) const
{
    return std::make_unique<MeasuredProcess>(executable(), arguments, m_environment.toStringList(),
                                             standardInput, dropFileAccessOverrideOnExec);
}

CliProcess::Result CliProcess::finish(MeasuredProcess &process, int timeoutMs)
{
    const MeasuredProcess::Outcome outcome = process.finish(timeoutMs);
    Result result;
    result.exitCode = outcome.exitCode;
    result.out = QString::fromUtf8(outcome.out);
    result.err = QString::fromUtf8(outcome.err);
    result.peakKiB = outcome.peakKiB;
    result.ms = outcome.ms;
    return result;
}

void CliProcess::start(QProcess &process, const QStringList &arguments) const
{
    process.setProcessEnvironment(m_environment);
    process.setChildProcessModifier(dropFileAccessOverrideOnExec);
    process.start(executable(), arguments);
}

QString CliProcess::configPath() const
{
    return m_home.filePath(QStringLiteral(".config"));
}

QStringList CliProcess::filesContaining(const QByteArray &text) const
{
    QStringList found;
    QDirIterator it(m_home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
            found.append(path);
    }
    return found;
}

QString CliProcess::executable()
{
    return QStringLiteral(VENDRA_CLI_PATH);
}
