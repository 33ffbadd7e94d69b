#include "app/VendraUploaderAppDelegate.h"

#include "DesktopSession.h"
#include "GuiTest.h"
#include "UrlRecorder.h"
#include "app/ApplicationInfo.h"
#include "app/MainWindow.h"
#include "controls/NSAlertAttributed.h"
#include "diagnostics/LogFile.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "upload/UploadQueue.h"
#include "windows/LoginWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

class TestAppDelegate : public QObject
{
    Q_OBJECT

private:
    using Action = VendraUploaderAppDelegate::Action;

    QTemporaryDir m_folder;
    UrlRecorder m_opened;
    std::unique_ptr<ReferenceServer> m_server;

    QString requestLog() const { return m_folder.filePath(u"requests.log"_s); }
    int requests(const QString &method) const { return requestCount(requestLog(), method); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_opened.install();
    }

    void init()
    {
        UserDefaults::open()->clear();
        m_opened.urls.clear();
    }

    void cleanup()
    {
        m_server.reset();
        Preferences::close();
        UserDefaults::open()->clear();
    }

    // A profile saved without its password asks for it at start (signing in at start with the saved
    // password is tested with the program ended by signals); the sign-in window's menu, the start-up
    // banner and a wrong password; signed in, the items follow the upload queue.
    void fromTheFirstStartToSigningOut()
    {
        // Saved passwords only ever go to the throw-away keyring that scripts/test.sh starts.
        if (!qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") ||
            !qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs the private keyring of scripts/test.sh");
        // Each upload waits before its body is read, so the queue stays busy for a while.
        m_server = startServer({false, true, {u"--fault"_s, u"upload-delay=1500"_s}, requestLog()});
        QVERIFY(m_server);
        Preferences *preferences = Preferences::init();
        preferences->setServer(u"localhost"_s);
        preferences->setPort(m_server->port());
        preferences->setUseHttps(false);
        preferences->setUser(u"demo"_s);
        preferences->setPassword(QString(), false);
        preferences->setAutoLogin(true);
        VendraUploaderAppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        QVERIFY(delegate.loginWindow() && delegate.loginWindow()->window()->isVisible());
        QVERIFY(!delegate.mainWindow() && requests(u"Login"_s) == 0);
        QVERIFY(delegate.validateItem(Action::Login) && !delegate.validateItem(Action::Logout));
        QHash<int, QAction *> items;
        for (QAction *menu : delegate.loginWindow()->menuBar()->actions()) {
            for (QAction *item : menu->menu()->actions()) {
                if (!item->isSeparator())
                    items.insert(item->data().toInt(), item);
            }
        }
        QCOMPARE(items.size(), 3);
        for (const Action action : {Action::ShowPreferencePanel, Action::ShowHelp, Action::Quit}) {
            QVERIFY(items.contains(int(action)));
            QCOMPARE(items.value(int(action))->isEnabled(), delegate.validateItem(action));
        }
        // A user whose sign-in keeps failing reaches the preferences (and the debug log there)...
        items.value(int(Action::ShowPreferencePanel))->trigger();
        QVERIFY(delegate.preferenceWindow() && delegate.preferenceWindow()->window()->isVisible());
        // ...and the help: the README installed with the program, here the source tree's.
        items.value(int(Action::ShowHelp))->trigger();
        QCOMPARE(m_opened.urls.size(), 1);
        QVERIFY(m_opened.urls.first().toLocalFile().endsWith(u"/README.md"_s));
        QVERIFY(QFileInfo(m_opened.urls.first().toLocalFile()).isFile());

        // The start-up banner names the version and the build, once each.
        const QString text = QString::fromUtf8(TestFiles::read(
            LogFile::logFolder() + u'/' +
            LogFile::contentsOfDirectoryAtPathByModDate(LogFile::logFolder(), u"log"_s).first().file));
        const QString version = QString::fromLatin1(ApplicationInfo::UploaderVersionNumber);
        const QString build = QString::fromLatin1(ApplicationInfo::BuildNumber);
        QVERIFY(!build.isEmpty() && build != version);
        QCOMPARE(text.count(u"OSX Uploader Version number : "_s + version + u'\n'), 1);
        QCOMPARE(text.count(u"Application Build Number    : "_s + build + u'\n'), 1);
        QCOMPARE(text.count(version), 1);

        // A wrong password is shown, saves nothing, and leads back to the sign-in window.
        typeSignIn(*delegate.loginWindow(), m_server->host(), quint16(m_server->port()), false, u"demo"_s,
                   u"wrong"_s);
        MainWindow *main = delegate.mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(main->currentSheet(), 15000);
        QCOMPARE(main->currentSheet()->titleView()->text(), messageText(u"Text_ErrorFailedLogin"_s));
        QVERIFY(!main->toolbarActive() && delegate.validateItem(Action::Login));
        QCOMPARE(Preferences::instance()->server(), u"localhost"_s);
        main->currentSheet()->done(NSAlertAttributed::AlertFirstButtonReturn);
        QTRY_VERIFY(delegate.loginWindow()->window()->isVisible() && !main->window()->isVisible());

        // Signed in, the items follow the upload queue.
        typeSignIn(*delegate.loginWindow(), m_server->host(), quint16(m_server->port()), false, u"demo"_s,
                   u"demo"_s);
        main = delegate.mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(delegate.comms()->bAreLoggedIn(), 15000);
        const QList<Action> idleOnly = {Action::RefreshZRM,         Action::ShowQuota,        Action::ShowLog,
                                        Action::ShowMyPictureFiles, Action::ShowPendingFiles, Action::Logout};
        // Each action's menu item and toolbar item: both on, or both off.
        const auto enabled = [&](const QList<Action> &actions, bool on) {
            return std::all_of(actions.begin(), actions.end(), [&](Action action) {
                return delegate.validateItem(action) == on && main->itemFor(action)->isEnabled() == on;
            });
        };
        QTRY_VERIFY(main->toolbarActive());
        QVERIFY(enabled(idleOnly, true) && enabled({Action::CancelAllUploads}, false));
        QVERIFY(!delegate.validateItem(Action::Login));

        const QString file =
            TestFiles::write(m_folder.filePath(u"upload/a.jpg"_s), TestFiles::randomBytes(4096, 1));
        commsGlobal->uploadQueue().addFileUpload(QUrl::fromLocalFile(file), u"Family"_s, nullptr);
        QTRY_VERIFY(main->isUploading());
        QVERIFY(enabled(idleOnly, false) && enabled({Action::CancelAllUploads}, true));

        main->itemFor(Action::CancelAllUploads)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!main->isUploading(), 10000);
        QVERIFY(enabled(idleOnly, true) && enabled({Action::CancelAllUploads}, false));

        // An unanswered sign-out is waited for about a second. Quitting while signed in (one sign-out,
        // the settings saved, the run marked as ended in order) is the signal shut-down test's.
        QVERIFY(m_server->stop());
        QElapsedTimer elapsed;
        elapsed.start();
        delegate.logoutAndWait();
        QVERIFY(elapsed.elapsed() >= 900 && elapsed.elapsed() < 2500);
        QVERIFY(delegate.comms()->bAreLoggedIn());
    }
};

VENDRA_GUI_TEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
