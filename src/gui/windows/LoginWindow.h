#pragma once

#include "windows/FadableWindowController.h"

#include <QtGlobal>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;

// The sign-in window: server address, port, HTTPS, user name, password and the two start-up
// switches. Every edit is written through to commsGlobal at once, so the session settings always
// mirror the window. The login button is enabled only while none of the four text fields is empty;
// its tooltip names the first empty one.
//
// The application delegate owns it, shows it with showWindow() and answers loginRequested() by
// closing this window, showing the main window and starting the sign-in.
class LoginWindow : public FadableWindowController
{
    Q_OBJECT

public:
    // One bit per empty text field; bit 2 is reserved and never set.
    enum ErrorBit : quint16 {
        ServerAddressEmpty = 1,
        ReservedBit = 2,
        PortEmpty = 4,
        UserNameEmpty = 8,
        PasswordEmpty = 16,
    };

    explicit LoginWindow(QObject *parent = nullptr);
    ~LoginWindow() override;

    // Fades in, centres the window and fills it from commsGlobal; the password only when it is to
    // be saved. Then validates every field.
    void showWindow(QObject *sender = nullptr) override;

    // Writes every field into commsGlobal.
    void saveUserDefaults();
    // The login button's action; does nothing while a field is empty.
    void login();

    quint16 errors() const { return m_errors; }

    QLineEdit *serverNameField() const { return m_serverName; }
    QLineEdit *portField() const { return m_port; }
    QCheckBox *useHTTPSBox() const { return m_useHTTPS; }
    QLineEdit *userNameField() const { return m_userName; }
    QLineEdit *passwordField() const { return m_password; }
    QCheckBox *savePasswordBox() const { return m_savePassword; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QPushButton *loginButton() const { return m_loginButton; }
    // Empty until the application puts its menu there.
    QMenuBar *menuBar() const { return m_menuBar; }

Q_SIGNALS:
    // The user asked to sign in with the details now in commsGlobal.
    void loginRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void connectControls();
    void useSSLClicked();
    void controlTextDidChange(QLineEdit *field);
    void loginDetailChanged(QObject *control);
    void checkLoginObjectIsValid(QObject *control);
    void updateLoginButton();
    // Tells in the status line when a password to be saved cannot be: no keyring answers.
    void checkKeyring();
    void checkPortNumberIsLegal();
    void fillFromSettings(bool throughValidString);
    void eventPreferencesChanged();
    void recalculateKeyViewLoop();

    QLineEdit *m_serverName;
    QLineEdit *m_port;
    QCheckBox *m_useHTTPS;
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_savePassword;
    QCheckBox *m_dontShowLoginOnStartUp;
    QLabel *m_statusLabel;
    QPushButton *m_loginButton;
    QMenuBar *m_menuBar;
    quint16 m_errors = 0;
};
