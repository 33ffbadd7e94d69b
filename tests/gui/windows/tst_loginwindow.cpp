#include "windows/LoginWindow.h"

#include "GuiTest.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

class TestLoginWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;

    static void fillSettings()
    {
        commsGlobal->setServer(u"media.example.org"_s);
        commsGlobal->setPortNo(8080);
        commsGlobal->setBUseHTTPS(false);
        commsGlobal->setUserName(u"alice"_s);
        commsGlobal->setPassword(u"secret"_s);
        commsGlobal->setBSavePassword(true);
        commsGlobal->setBDontShowLoginWindow(false);
    }

    static void shown(LoginWindow &login)
    {
        login.showWindow();
        QTRY_VERIFY(!login.isWindowAnimating());
    }

    // Types as a user would, character by character, at the end of the field.
    static void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->end(false);
        QTest::keyClicks(field, text);
    }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        fillSettings();
    }
    void cleanup() { m_globals.reset(); }

    void unsavedPasswordIsNotShownAgain()
    {
        commsGlobal->setBSavePassword(false);
        LoginWindow login;
        shown(login);
        QCOMPARE(login.passwordField()->echoMode(), QLineEdit::Password);
        QCOMPARE(login.passwordField()->text(), QString());
        type(login.passwordField(), u"typed"_s);
        QCOMPARE(commsGlobal->password(), u"typed"_s);
        login.close();
        QTRY_VERIFY(!login.window()->isVisible());
        shown(login);
        QCOMPARE(login.passwordField()->text(), QString());
        QCOMPARE(commsGlobal->password(), u"typed"_s);
        QVERIFY(login.errors() & LoginWindow::PasswordEmpty);
    }

    void preferenceChangesRefillOnlyAnInactiveWindow()
    {
        LoginWindow login;
        shown(login);
        commsGlobal->setServer(u"other.example.org"_s);
        commsGlobal->setBSavePassword(false);
        login.window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(login.window()));
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventPreferencesChanged);
        QCOMPARE(login.serverNameField()->text(), u"media.example.org"_s);
        auto other = std::make_unique<QWidget>();
        other->show();
        other->activateWindow();
        QTRY_VERIFY(!login.window()->isActiveWindow());
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventPreferencesChanged);
        QCOMPARE(login.serverNameField()->text(), u"other.example.org"_s);
        // Refilled as it stands, the password too, even though it is no longer saved.
        QCOMPARE(login.passwordField()->text(), u"secret"_s);
        QVERIFY(!login.savePasswordBox()->isChecked());

        login.close();
        QTRY_VERIFY(!login.window()->isVisible());
        commsGlobal->setServer(u"third.example.org"_s);
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventPreferencesChanged);
        QCOMPARE(login.serverNameField()->text(), u"other.example.org"_s);
    }

    void screenshot()
    {
        const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("VENDRA_SCREENSHOT_DIR is not set");
        commsGlobal->setPortNo(443);
        commsGlobal->setBUseHTTPS(true);
        commsGlobal->setPassword(QString());
        commsGlobal->setBSavePassword(false);
        LoginWindow login;
        shown(login);
        QVERIFY(QTest::qWaitForWindowExposed(login.window()));
        QTest::qWait(300);
        QVERIFY(login.window()->grab().save(folder + u"/login.png"_s));
    }
};

VENDRA_GUI_TEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
