#include "CliProcess.h"

#include "ReferenceServer.h"

#include <QDirIterator>

using namespace Qt::Literals::StringLiterals;

CliProcess::CliProcess() : m_environment(QProcessEnvironment::systemEnvironment())
{
    if (!m_home.isValid() || !QDir(m_home.path()).mkpath(u".config"_s))
        qFatal("cannot make a home folder for vendra-cli");
    m_environment.insert(u"HOME"_s, m_home.path());
    m_environment.insert(u"XDG_CONFIG_HOME"_s, configPath());
    m_environment.remove(u"VENDRA_PASSWORD"_s);
}

void CliProcess::setPasswordVariable(const QString &password)
{
    if (password.isNull())
        m_environment.remove(u"VENDRA_PASSWORD"_s);
    else
        m_environment.insert(u"VENDRA_PASSWORD"_s, password);
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
    const QStringList options{u"--server"_s, server.host(), u"--port"_s, QString::number(server.port()),
                              u"--user"_s,   u"demo"_s};
    if (server.baseUrl().scheme() == u"https")
        return options + QStringList{u"--https"_s, u"--ca-cert"_s, server.certificatePath()};
    return options + QStringList{u"--http"_s};
}
