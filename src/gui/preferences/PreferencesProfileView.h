#pragma once

#include <QPointer>
#include <QWidget>

class NSAlertAttributed;
class PortPickerModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The connection details. Edits stay in the pane until the update button writes them to the live
// session and the store and signs out and in again with them; the button is enabled only while the
// details are complete and differ from the stored ones. Uploads running then are cancelled by the
// sign-out, so the user is asked first. The session keeps the password it signed in with unless the
// user types a new one here (a password that is not saved shows as an empty field). A password that
// cannot be saved in the keyring is said so below the details. The fingerprint of a certificate the
// user trusted for the stored server is shown, and can be forgotten at once.
class PreferencesProfileView : public QWidget
{
    Q_OBJECT

public:
    explicit PreferencesProfileView(QWidget *parent = nullptr);
    ~PreferencesProfileView() override;

    // The window is about to show this pane. windowVisible: the window shows already, so this is
    // a switch between panes, which keeps the edits once the pane has been shown.
    void viewWillMoveToSuperview(bool windowVisible);
    void setupDefaults();

    // The port as the combo box holds it: the selected row, or the number typed; -1 when the text
    // holds no port.
    int selectedPort() const;
    void selectPort(qint64 port);

    void checkUpdateButtonEnable();
    bool hasPrefrencesChanges() const;
    // The update button: asks first while uploads run.
    void updatePrefrences();
    void updatePrefrencesAndLogoutAndIn();

    QLineEdit *serverNameField() const { return m_serverName; }
    QComboBox *portBox() const { return m_port; }
    QCheckBox *useHTTPSBox() const { return m_useHTTPS; }
    QLineEdit *userNameField() const { return m_userName; }
    QLineEdit *passwordField() const { return m_password; }
    QCheckBox *savePasswordBox() const { return m_savePassword; }
    QLineEdit *proxyField() const { return m_proxy; }
    // The stored server's trusted fingerprint (split over two lines), or the word for none.
    QLabel *trustedCertificateLabel() const { return m_trustedCertificate; }
    QPushButton *forgetCertificateButton() const { return m_forgetCertificate; }
    QPushButton *updateButton() const { return m_updateButton; }
    // Empty and hidden unless the password could not be saved.
    QLabel *passwordNote() const { return m_passwordNote; }
    // The warning while it is open.
    NSAlertAttributed *currentSheet() const;

private:
    void build();
    void connectControls();
    void useSSLClicked();
    void eventPreferencesChanged();
    // The key of the stored server, as its trusted certificate is kept under.
    static QString storedServerKey();
    void showTrustedCertificate();
    void forgetCertificate();

    QLineEdit *m_serverName;
    QComboBox *m_port;
    PortPickerModel *m_portPicker;
    QCheckBox *m_useHTTPS;
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_savePassword;
    QLineEdit *m_proxy;
    QLabel *m_trustedCertificate;
    QPushButton *m_forgetCertificate;
    QPushButton *m_updateButton;
    QLabel *m_passwordNote;
    bool bJustAwake = true;
    // The user typed into the password field since it was last filled.
    bool m_passwordTyped = false;
    QPointer<NSAlertAttributed> m_sheet;
};
