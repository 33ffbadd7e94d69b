#include "app/VendraUploaderAppDelegate.h"
#include "common/MessageText.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vendra Uploader"));
    QApplication::setDesktopFileName(QStringLiteral("vendra-uploader"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/vendra-uploader.svg")));
    installMessageTables();

    VendraUploaderAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
