#pragma once

#include "ReferenceServer.h"

#include <QStringList>

#include <memory>

class commsGlobals;

// Starts a reference server with the demo account and the given extra options, and points the
// session's address, port, scheme, user name and password at it. A server that does not start
// fails the test.
std::unique_ptr<ReferenceServer> startServerFor(commsGlobals &globals, const QStringList &arguments,
                                                const QString &user = QStringLiteral("demo"),
                                                const QString &password = QStringLiteral("demo"));
