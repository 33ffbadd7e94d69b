#include "SessionTarget.h"

#include "session/commsGlobals.h"

#include <QTest>

std::unique_ptr<ReferenceServer> startServerFor(commsGlobals &globals, const QStringList &arguments,
                                                const QString &user, const QString &password)
{
    auto server = std::make_unique<ReferenceServer>();
    if (!server->start({.arguments = arguments}))
        QTest::qFail(qPrintable(server->errorString()), __FILE__, __LINE__);
    globals.setServer(server->host());
    globals.setPortNo(server->port());
    globals.setBUseHTTPS(server->baseUrl().scheme() == QLatin1String("https"));
    globals.setUserName(user);
    globals.setPassword(password);
    return server;
}
