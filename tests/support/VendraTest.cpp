#include "VendraTest.h"

#include <QDir>
#include <QTemporaryDir>

void keepAwayFromTheRealHome()
{
    // Inside the sandbox of scripts/test.sh its bus, keyring and runtime folder stay shared.
    const QString sandbox = qEnvironmentVariable("VENDRA_TEST_SANDBOX");
    static QTemporaryDir home((sandbox.isEmpty() ? QDir::tempPath() : sandbox) +
                              u"/vendra-test-home-XXXXXX"_s);
    if (!home.isValid())
        qFatal("cannot make a throw-away home folder: %s", qPrintable(home.errorString()));
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qunsetenv(variable);
    if (!sandbox.isEmpty())
        return;
    // Without a bus address GLib looks for the bus in the runtime folder, so that moves too.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = home.filePath(u"runtime"_s);
    QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}
