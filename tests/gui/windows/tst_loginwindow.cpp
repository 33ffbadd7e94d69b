#include "windows/LoginWindow.h"

#include "GuiTest.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

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

    static void clear(QLineEdit *field)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
    }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        fillSettings();
    }
    void cleanup() { m_globals.reset(); }

    void showsTheSettingsAndEnablesLoginWhenComplete()
    {
        LoginWindow login;
        shown(login);
        QCOMPARE(login.serverNameField()->text(), u"media.example.org"_s);
        QCOMPARE(login.portField()->text(), u"8080"_s);
        QVERIFY(!login.useHTTPSBox()->isChecked());
        QCOMPARE(login.userNameField()->text(), u"alice"_s);
        QCOMPARE(login.passwordField()->text(), u"secret"_s);
        QCOMPARE(login.passwordField()->echoMode(), QLineEdit::Password);
        QVERIFY(login.savePasswordBox()->isChecked());
        QCOMPARE(login.errors(), quint16(0));
        QVERIFY(login.loginButton()->isEnabled());
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"Login_ToolTip"_s));
    }

    void emptyFieldsSetTheirBitsAndTheFirstOneNamesTheTooltip()
    {
        commsGlobal->setServer(QString());
        commsGlobal->setUserName(QString());
        LoginWindow login;
        shown(login);
        QCOMPARE(login.errors(), quint16(LoginWindow::ServerAddressEmpty | LoginWindow::UserNameEmpty));
        QVERIFY(!login.loginButton()->isEnabled());
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"LoginError_ServerAddress"_s));

        type(login.serverNameField(), u"h"_s);
        QCOMPARE(login.errors(), quint16(LoginWindow::UserNameEmpty));
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"LoginError_Username"_s));

        clear(login.portField());
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"LoginError_Port"_s));
        type(login.portField(), u"80"_s);
        type(login.userNameField(), u"bob"_s);
        QCOMPARE(login.errors(), quint16(0));
        QVERIFY(login.loginButton()->isEnabled());
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"Login_ToolTip"_s));
        // The typing went through to the session settings at once.
        QCOMPARE(commsGlobal->server(), u"h"_s);
        QCOMPARE(commsGlobal->portNo(), 80);
        QCOMPARE(commsGlobal->userName(), u"bob"_s);
    }

    void clearingThePasswordDisablesLoginWithTheUserNameTooltip()
    {
        LoginWindow login;
        shown(login);
        clear(login.passwordField());
        QCOMPARE(login.errors(), quint16(LoginWindow::PasswordEmpty));
        QVERIFY(!login.loginButton()->isEnabled());
        QCOMPARE(login.loginButton()->toolTip(), messageText(u"LoginError_Username"_s));
        QCOMPARE(commsGlobal->password(), QString());
    }

    void portFilterKeepsDigitsAndBeepsOnce()
    {
        LoginWindow login;
        shown(login);
        QSignalSpy beeps(&login, &LoginWindow::beeped);
        clear(login.portField());
        type(login.portField(), u"8a0"_s);
        QCOMPARE(login.portField()->text(), u"80"_s);
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(commsGlobal->portNo(), 80);

        clear(login.portField());
        type(login.portField(), u"8080"_s);
        QCOMPARE(login.portField()->text(), u"8080"_s);
        QCOMPARE(beeps.count(), 1);

        // A pasted run of letters leaves the field empty, which counts as a missing port.
        login.portField()->selectAll();
        login.portField()->insert(u"abc"_s);
        Q_EMIT login.portField()->textEdited(login.portField()->text());
        QCOMPARE(login.portField()->text(), QString());
        QCOMPARE(beeps.count(), 2);
        QVERIFY(login.errors() & LoginWindow::PortEmpty);
    }

    void httpsSwitchReplacesTheCustomPort()
    {
        commsGlobal->setPortNo(8443);
        LoginWindow login;
        shown(login);
        QTest::mouseClick(login.useHTTPSBox(), Qt::LeftButton, {},
                          QPoint(5, login.useHTTPSBox()->height() / 2));
        QVERIFY(login.useHTTPSBox()->isChecked());
        QCOMPARE(login.portField()->text(), u"443"_s);
        QVERIFY(commsGlobal->bUseHTTPS());
        QCOMPARE(commsGlobal->portNo(), 443);
        login.useHTTPSBox()->click();
        QCOMPARE(login.portField()->text(), u"80"_s);
        QCOMPARE(commsGlobal->portNo(), 80);
    }

    void unsavedPasswordIsNotShownAgain()
    {
        commsGlobal->setBSavePassword(false);
        LoginWindow login;
        shown(login);
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

    void returnSignsInOnlyWhenComplete()
    {
        LoginWindow login;
        shown(login);
        QSignalSpy requested(&login, &LoginWindow::loginRequested);
        login.statusLabel()->setText(u"Login failed"_s);
        QTest::keyClick(login.savePasswordBox(), Qt::Key_Return);
        QCOMPARE(requested.count(), 1);
        QCOMPARE(login.statusLabel()->text(), QString());

        clear(login.userNameField());
        QTest::keyClick(login.userNameField(), Qt::Key_Return);
        QCOMPARE(requested.count(), 1);
        type(login.userNameField(), u"carol"_s);
        QTest::keyClick(login.userNameField(), Qt::Key_Enter);
        QCOMPARE(requested.count(), 2);
        QCOMPARE(commsGlobal->userName(), u"carol"_s);
    }

    void tabOrderAndAccessibleNames()
    {
        commsGlobal->setServer(QString());
        LoginWindow login;
        shown(login);
        const QList<QWidget *> expected{login.serverNameField(),
                                        login.portField(),
                                        login.useHTTPSBox(),
                                        login.userNameField(),
                                        login.passwordField(),
                                        login.savePasswordBox(),
                                        login.dontShowLoginOnStartUpBox(),
                                        login.loginButton()};
        // The first empty field has the focus.
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget() : login.window()->focusWidget(),
                 login.serverNameField());
        // Tab goes to the next widget of the chain that takes focus from the keyboard.
        const auto nextTabStop = [](QWidget *widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        for (qsizetype i = 1; i < expected.size(); ++i)
            QCOMPARE(nextTabStop(expected[i - 1]), expected[i]);
        QCOMPARE(nextTabStop(expected.last()), expected.first());
        for (QWidget *control : expected)
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->metaObject()->className()));
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
