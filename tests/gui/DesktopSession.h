#pragma once

#include "ReferenceServer.h"
#include "TestFiles.h"
#include "TypeSignIn.h"
#include "VendraTest.h"
#include "app/VendraUploaderAppDelegate.h"

#include <QFile>

#include <memory>

// The set-up the tests of the whole desktop program share: a reference server, the requests it
// logged, and the program started and signed in as a user would.

// A server with the given options; null (with the reason printed) when it does not start. A log
// file named in the options starts empty.
inline std::unique_ptr<ReferenceServer> startServer(const ReferenceServer::Options &options = {})
{
    if (!options.logFile.isEmpty())
        QFile::remove(options.logFile);
    auto server = std::make_unique<ReferenceServer>();
    if (!server->start(options)) {
        qWarning() << server->errorString();
        return nullptr;
    }
    return server;
}

// The requests of one SOAP method in a server's request log.
inline int requestCount(const QString &log, const QString &method)
{
    return int(QString::fromUtf8(TestFiles::read(log)).count(u" "_s + method + u" "_s));
}

// Starts the program and types the demo user's sign-in for the server into the sign-in window.
inline void launchAndSignIn(VendraUploaderAppDelegate &delegate, const ReferenceServer &server,
                            bool https = false, const QString &password = u"demo"_s)
{
    delegate.applicationDidFinishLaunching();
    typeSignIn(*delegate.loginWindow(), server.host(), quint16(server.port()), https, u"demo"_s, password);
}
