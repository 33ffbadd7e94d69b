#include "CommandLine.h"

#include "common/AppInfo.h"
#include "common/MessageText.h"
#include "settings/Preferences.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vendra-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::ShortVersionString));
    installMessageTables();
    // The same stored profile and preferences as the desktop program.
    Preferences::init();
    CommandLine commandLine;
    const int status = commandLine.run(QCoreApplication::arguments());
    Preferences::close();
    return status;
}
