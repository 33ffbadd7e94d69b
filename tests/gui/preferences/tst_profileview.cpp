#include "preferences/PreferencesProfileView.h"

#include "DesktopSession.h"
#include "GuiTest.h"
#include "TinyProxy.h"
#include "controls/NSAlertAttributed.h"
#include "http/HttpProxy.h"
#include "preferences/PreferenceWindow.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "upload/UploadQueue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

class TestProfileView : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<ReferenceServer> m_first;
    std::unique_ptr<ReferenceServer> m_second;
    std::unique_ptr<VendraUploaderAppDelegate> m_delegate;

    QString firstLog() const { return m_folder.filePath(u"first.log"_s); }
    QString secondLog() const { return m_folder.filePath(u"second.log"_s); }

private Q_SLOTS:
    void init() { UserDefaults::open()->clear(); }

    void cleanup()
    {
        if (m_delegate)
            m_delegate->applicationWillTerminate();
        m_delegate.reset();
        m_first.reset();
        m_second.reset();
        if (Preferences *preferences = Preferences::instance())
            preferences->setPassword({}, false); // leaves no keyring item behind
        Preferences::close();
        UserDefaults::open()->clear();
        HttpProxy::setProxy({});
    }

    // With uploads running only the first answer signs in again with the new details; signed in
    // without saving the password, the new sign-in uses the session's.
    void changedDetailsSignInAgainAndAProxyCarriesTheSession()
    {
        // Held back long enough for the upload to be running throughout.
        m_first = startServer({false, true, {u"--fault"_s, u"upload-delay=4000"_s}, firstLog()});
        m_second = startServer({false, true, {}, secondLog()});
        QVERIFY(m_first && m_second);
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        m_delegate->applicationDidFinishLaunching();
        LoginWindow *login = m_delegate->loginWindow();
        if (login->savePasswordBox()->isChecked())
            login->savePasswordBox()->click();
        typeSignIn(*login, m_first->host(), quint16(m_first->port()), false, u"demo"_s, u"demo"_s);
        // Signed in, and the details that worked stored: the pane starts from those.
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn() &&
                                     Preferences::instance()->port() == qint64(m_first->port()),
                                 15000);
        const QString file = TestFiles::write(m_folder.filePath(u"running.jpg"_s), QByteArray(4000, 'r'));
        UploadQueue &queue = commsGlobal->uploadQueue();
        queue.addFileUpload(QUrl::fromLocalFile(file), u"Holidays"_s, nullptr);
        QVERIFY(queue.numUploadsInProgressOrWaiting() > 0);

        m_delegate->showPreferencePanel();
        auto *window = qobject_cast<PreferenceWindow *>(m_delegate->preferenceWindow());
        window->selectProfile();
        PreferencesProfileView *view = window->profile();
        QCOMPARE(view->passwordField()->text(), QString());
        typeInto(view->portBox()->lineEdit(), QString::number(m_second->port()));

        view->updateButton()->click();
        QPointer<NSAlertAttributed> sheet = view->currentSheet();
        QCOMPARE(sheet->titleView()->text(), u"You currently have files uploading."_s);
        QCOMPARE(sheet->defaultButton()->text(), messageText(u"Text_YES"_s));
        QCOMPARE(sheet->otherButton()->text(), messageText(u"Text_NO"_s));
        sheet->done(NSAlertAttributed::AlertSecondButtonReturn);
        QTRY_VERIFY(!sheet);

        // Nothing changed: not the session, not the store, not the uploads.
        QTest::qWait(300);
        QVERIFY(commsGlobal->portNo() == m_first->port() &&
                Preferences::instance()->port() == m_first->port());
        QVERIFY(m_delegate->comms()->bAreLoggedIn() && queue.numUploadsInProgressOrWaiting() > 0 &&
                view->updateButton()->isEnabled());
        QCOMPARE(requestCount(firstLog(), u"Logout"_s) + requestCount(secondLog(), u"Login"_s), 0);

        view->updateButton()->click();
        view->currentSheet()->done(NSAlertAttributed::AlertFirstButtonReturn);
        QTRY_COMPARE_WITH_TIMEOUT(requestCount(secondLog(), u"Login"_s), 1, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        QCOMPARE(requestCount(firstLog(), u"Logout"_s), 1);
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), 0u);
        QCOMPARE(Preferences::instance()->port(), qint64(m_second->port()));
        QCOMPARE(commsGlobal->password(), u"demo"_s);
        QVERIFY(!Preferences::instance()->savePassword() && view->passwordNote()->isHidden() &&
                !view->updateButton()->isEnabled());

        // With no uploads a change signs in again without asking (the new user's password kept under
        // that user is vendra-cli's case). A proxy typed into the pane is stored and carries the new
        // sign-in; emptied, the connections go direct again.
        TinyProxy proxy;
        QVERIFY(proxy.start());
        typeInto(view->proxyField(), proxy.url());
        view->updateButton()->click();
        QVERIFY(!view->currentSheet());

        QTRY_COMPARE_WITH_TIMEOUT(requestCount(secondLog(), u"Login"_s), 2, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        QCOMPARE(Preferences::instance()->proxy(), proxy.url());
        QCOMPARE(requestCount(secondLog(), u"Logout"_s), 1);
        const QString soap = u"POST http://%1:%2/soap/"_s.arg(m_second->host()).arg(m_second->port());
        QVERIFY2(proxy.requests().filter(soap).size() >= 5, qPrintable(proxy.requests().join(u'\n')));

        const qsizetype carried = proxy.requests().size();
        typeInto(view->proxyField(), QString());
        view->updateButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(requestCount(secondLog(), u"Login"_s), 3, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        QCOMPARE(HttpProxy::proxy() + Preferences::instance()->proxy(), QString());
        // Only the old session's sign-out still went through it, the sign-in did not.
        QVERIFY2(proxy.requests().size() <= carried + 1, qPrintable(proxy.requests().join(u'\n')));
    }
};

VENDRA_GUI_TEST_MAIN(TestProfileView)
#include "tst_profileview.moc"
