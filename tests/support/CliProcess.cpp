#include "CliProcess.h"

#include "ReferenceServer.h"

#include <QDirIterator>

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

QStringList CliProcess::filesContaining(const QByteArray &text) const
{
    QStringList found;
    QDirIterator it(m_home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
            found.append(file.fileName());
    }
    return found;
}

QStringList CliProcess::demoOn(const ReferenceServer &server)
{
    const QStringList options{QStringLiteral("--server"), server.host(),
                              QStringLiteral("--port"),   QString::number(server.port()),
                              QStringLiteral("--user"),   QStringLiteral("demo")};
    if (server.baseUrl().scheme() == QLatin1String("https"))
        return options +
               QStringList{QStringLiteral("--https"), QStringLiteral("--ca-cert"), server.certificatePath()};
    return options + QStringList{QStringLiteral("--http")};
}
