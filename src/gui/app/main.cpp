#include "app/StartupScreenshot.h"
#include "app/VendraUploaderAppDelegate.h"
#include "common/AppInfo.h"
#include "common/MessageText.h"
#include "common/SignalNotifier.h"
#include "diagnostics/DiagnosticLine.h"
#include "upload/UploadJournal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstring>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vendra Uploader"));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::ShortVersionString));
    QApplication::setDesktopFileName(QStringLiteral("vendra-uploader"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/vendra-uploader.svg")));
    installMessageTables();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Uploads files and folder trees to a media server."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window as a PNG once signed in, then quit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    std::unique_ptr<StartupScreenshot> shot;
    if (parser.isSet(screenshot))
        shot = std::make_unique<StartupScreenshot>(parser.value(screenshot));

    VendraUploaderAppDelegate delegate;
    // A desktop log-out, a closed terminal or kill end the program the way Quit does: signed out,
    // settings saved, the clean end marked. Later signals find it already on its way out.
    SignalNotifier termination({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&termination, &SignalNotifier::received, &app, [](int signalNumber) {
        VENDRA_DIAG(QStringLiteral("Quitting on signal %1 (%2)")
                        .arg(signalNumber)
                        .arg(QString::fromLocal8Bit(strsignal(signalNumber))));
        QCoreApplication::quit();
    });
    delegate.setUploadJournalPath(UploadJournal::desktopPath());
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
