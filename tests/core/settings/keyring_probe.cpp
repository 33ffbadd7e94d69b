// Uses the keyring and the preferences the way the program does and prints what came back, one
// "name=value" line each, for a test that runs it without a session bus.
#include "common/MessageText.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    installMessageTables();
    const QString secret = app.arguments().value(1);
    QTextStream out(stdout);

    Error error;
    const bool saved = QXKeychain::setPassword(secret, QStringLiteral("svc"), QStringLiteral("acct"), error);
    out << "saved=" << int(saved) << "\nsave-code=" << error.code() << "\nsave-text=" << error.description()
        << '\n';

    Preferences *preferences = Preferences::init();
    preferences->setServer(QStringLiteral("media.example"));
    preferences->setUser(QStringLiteral("ann"));
    preferences->setPassword(secret, true);
    preferences->sendEventPrefrencesChanged();
    out << "preferences-password=[" << preferences->password() << "]\n";
    out << "settings-file=" << UserDefaults::open()->fileName() << '\n';
    Preferences::close();
    return 0;
}
