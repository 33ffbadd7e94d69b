#include "CommandLine.h"

#include "common/MessageText.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vendra-cli"));
    installMessageTables();
    CommandLine commandLine;
    return commandLine.run(QCoreApplication::arguments());
}
