#include "app/VendraUploaderAppDelegate.h"

#include "GuiTest.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "TypeSignIn.h"
#include "UrlRecorder.h"
#include "app/MainWindow.h"
#include "controls/NSAlertAttributed.h"
#include "controls/NSToolbarItemWithState.h"
#include "diagnostics/CrashHandler.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "upload/UploadQueue.h"
#include "windows/LoginWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class TestAppDelegate : public QObject
{
    Q_OBJECT

private:
    using Action = VendraUploaderAppDelegate::Action;

    QTemporaryDir m_folder;
    UrlRecorder m_opened;
    std::unique_ptr<ReferenceServer> m_server;

    QString requestLog() const { return m_folder.filePath(u"requests.log"_s); }
    int requestCount(const QString &method) const
    {
        return int(QString::fromUtf8(TestFiles::read(requestLog())).count(u" "_s + method + u" "_s));
    }

    void startServer(const QStringList &arguments = {})
    {
        m_server = std::make_unique<ReferenceServer>();
        ReferenceServer::Options options;
        options.arguments = arguments;
        options.logFile = requestLog();
        QVERIFY2(m_server->start(options), qPrintable(m_server->errorString()));
    }

    // The stored profile of a user who signed in before, pointing at the test's server.
    void storeProfile(bool autoLogin, bool withPassword)
    {
        Preferences *preferences = Preferences::init();
        preferences->setServer(m_server->host());
        preferences->setPort(m_server->port());
        preferences->setUseHttps(false);
        preferences->setUser(QString::fromLatin1(ReferenceServer::DemoUser));
        preferences->setPassword(
            withPassword ? QString::fromLatin1(ReferenceServer::DemoPassword) : QString(), withPassword);
        preferences->setAutoLogin(autoLogin);
    }

    // Signs in through the sign-in window, as a user would.
    void signInThroughLoginWindow(VendraUploaderAppDelegate &delegate)
    {
        QVERIFY(delegate.loginWindow());
        typeSignIn(*delegate.loginWindow(), m_server->host(), m_server->port(), false, u"demo"_s, u"wrong"_s);
        MainWindow *main = delegate.mainWindow();
        QVERIFY(main);
        QTRY_VERIFY_WITH_TIMEOUT(main->currentSheet(), 15000);
        QCOMPARE(main->currentSheet()->titleView()->text(), messageText(u"Text_ErrorFailedLogin"_s));
        QVERIFY(!main->toolbarActive());
        QVERIFY(delegate.validateItem(Action::Login));
        // Nothing is saved from a sign-in that failed.
        QCOMPARE(Preferences::instance()->server(), QString());

        main->currentSheet()->done(NSAlertAttributed::AlertFirstButtonReturn);
        QTRY_VERIFY(delegate.loginWindow()->window()->isVisible());
        QTRY_VERIFY(!main->window()->isVisible());
    }
};

VENDRA_GUI_TEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
