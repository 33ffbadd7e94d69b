#include "app/MainWindow.h"

#include "GuiTest.h"
#include "ReferenceServer.h"
#include "TypeSignIn.h"
#include "UrlRecorder.h"
#include "albums/RemoteFileBrowser.h"
#include "albums/remoteFileBrowserHelper.h"
#include "app/VendraUploaderAppDelegate.h"
#include "controls/NSAlertAttributed.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/LocalFileBrowser.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "windows/LoginWindow.h"

#include <QLabel>
#include <QTreeView>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    UrlRecorder m_opened;
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<VendraUploaderAppDelegate> m_delegate;

    MainWindow *launchSignedIn(const ReferenceServer::Options &options = {})
    {
        m_server = std::make_unique<ReferenceServer>();
        if (!m_server->start(options)) {
            qWarning() << m_server->errorString();
            return nullptr;
        }
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        m_delegate->applicationDidFinishLaunching();
        typeSignIn(*m_delegate->loginWindow(), m_server->host(), m_server->port(), options.tls, u"demo"_s,
                   u"demo"_s);
        return m_delegate->mainWindow();
    }

    // Signed out, with the status line's timer stopped so that a test drives it tick by tick.
    MainWindow &openWithStatusDrivenByHand()
    {
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        m_delegate->applicationDidFinishLaunching();
        m_delegate->showMainWindow();
        MainWindow &main = *m_delegate->mainWindow();
        main.fadeOutStatusTimer()->stop();
        return main;
    }

    static void ticks(MainWindow &main, int count)
    {
        for (int i = 0; i < count; ++i)
            main.doFadeoutStatusTimer();
    }

    QModelIndex album(const QString &path) const
    {
        remoteFileBrowserHelper &helper = commsGlobal->remoteBrowserHelper();
        const RemoteTreeEntryPtr node = commsGlobal->registry().findRemoteAlbumByName(path);
        return node ? helper.indexForNode(node.get()) : QModelIndex();
    }

private Q_SLOTS:
    void init()
    {
        UserDefaults::open()->clear();
        m_opened.install();
    }

    void cleanup()
    {
        if (m_delegate)
            m_delegate->applicationWillTerminate();
        m_delegate.reset();
        m_server.reset();
        UserDefaults::open()->clear();
    }

    void theStatusLineStaysTwoSecondsAfterItsLastMessage()
    {
        MainWindow &main = openWithStatusDrivenByHand();

        main.showStatus(false);
        main.setStatusMessage(u"first"_s);
        ticks(main, 10);
        main.setStatusMessage(u"second"_s);
        ticks(main, 19);
        QVERIFY(main.isStatusVisible());
        QCOMPARE(main.progressText()->text(), u"second"_s);
        ticks(main, 1);
        QVERIFY(!main.isStatusVisible());
        // Further ticks leave it hidden and the counter at rest.
        ticks(main, 5);
        QCOMPARE(main.fadeOutStatusCounter(), 0);

        // Anything but a text empties the line, which goes at the next tick.
        main.showStatus(false);
        main.setStatusMessage(QVariant(42));
        QVERIFY(main.progressText()->text().isEmpty());
        QVERIFY(main.isStatusVisible());
        ticks(main, 1);
        QVERIFY(!main.isStatusVisible());
    }

    void theAnimatedHideHoldsThenFades()
    {
        MainWindow &main = openWithStatusDrivenByHand();
        main.showStatus(false);
        main.hideStatus(true);
        QTest::qWait(MainWindow::kStatusHoldMs / 2);
        QCOMPARE(main.statusOpacity(), 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(main.statusOpacity(), 0.0, 3000);
    }

    void theLeftPaneFollowsThePreference()
    {
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        m_delegate->applicationDidFinishLaunching();
        Preferences::instance()->setDisableFinder(true);
        m_delegate->showMainWindow();
        MainWindow &main = *m_delegate->mainWindow();
        QVERIFY(main.localFileBrowser()->isHidden());
        Preferences::instance()->setDisableFinder(false);
        Preferences::instance()->sendEventPrefrencesChanged();
        QTRY_VERIFY(!main.localFileBrowser()->isHidden());
    }

    void anUntrustedCertificateNamesTheServer()
    {
        ReferenceServer::Options options;
        options.tls = true;
        MainWindow *main = launchSignedIn(options);
        QVERIFY(main);
        QTRY_VERIFY_WITH_TIMEOUT(main->currentSheet(), 15000);
        const QString text = main->currentSheet()->informativeText();
        QVERIFY2(text.contains(m_server->host()), qPrintable(text));
        QVERIFY(!m_delegate->comms()->bAreLoggedIn());
    }

    void anOlderClientIsOfferedTheUpgradeAndTheToolbarWaits()
    {
        ReferenceServer::Options options;
        options.arguments = {u"--latest-version"_s, u"99.0"_s};
        MainWindow *main = launchSignedIn(options);
        QVERIFY(main);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        QTRY_VERIFY(main->currentSheet());
        QCOMPARE(main->currentSheet()->titleView()->text(), messageText(u"Text_NewVersion"_s));
        QVERIFY(!main->toolbarActive());
        main->currentSheet()->done(NSAlertAttributed::AlertSecondButtonReturn);
        QTRY_VERIFY(main->toolbarActive());
    }

    void refreshOpensAgainTheAlbumsThatWereOpen()
    {
        MainWindow *main = launchSignedIn();
        QVERIFY(main);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        QTreeView *tree = main->remoteFileBrowser();
        QTRY_VERIFY(album(u"Holidays"_s).isValid());
        tree->expand(album(u"Holidays"_s));
        QTRY_VERIFY(album(u"Holidays/2019"_s).isValid());
        QTRY_VERIFY(tree->isExpanded(album(u"Holidays"_s)));
        QVERIFY(!tree->isExpanded(album(u"Family"_s)));

        Preferences::instance()->setReExpandFoldersOnRefresh(true);
        main->refreshZRMView();
        QVERIFY(album(u"Family"_s).isValid());
        QTRY_VERIFY(tree->isEnabled());
        QTRY_VERIFY(album(u"Holidays"_s).isValid() && tree->isExpanded(album(u"Holidays"_s)));
        QVERIFY(!tree->isExpanded(album(u"Family"_s)));
    }

    void fullScreenIsRemembered()
    {
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        m_delegate->applicationDidFinishLaunching();
        UserDefaults::open()->setValue(MainWindow::FullscreenStateKey, true);
        m_delegate->showMainWindow();
        MainWindow &main = *m_delegate->mainWindow();
        QTRY_VERIFY(main.window()->isFullScreen());
        main.window()->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(UserDefaults::open()->value(MainWindow::FullscreenStateKey).toBool(), false);
    }
};

VENDRA_GUI_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
