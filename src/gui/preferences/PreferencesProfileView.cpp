#include "preferences/PreferencesProfileView.h"

#include "app/VendraUploaderAppDelegate.h"
#include "common/MessageText.h"
#include "controls/NSAlertAttributed.h"
#include "controls/ServerDetailsForm.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpProxy.h"
#include "preferences/PortPickerModel.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"
#include "settings/Preferences.h"
#include "soap/NSStringExtended.h"
#include "upload/UploadQueue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return messageText(QString::fromLatin1(key));
}

constexpr int kHighestPort = 65535;

} // namespace

PreferencesProfileView::PreferencesProfileView(QWidget *parent)
    : QWidget(parent), m_serverName(new QLineEdit(this)), m_port(new QComboBox(this)),
      m_portPicker(new PortPickerModel(this)), m_useHTTPS(new QCheckBox(this)),
      m_userName(new QLineEdit(this)), m_password(new QLineEdit(this)), m_savePassword(new QCheckBox(this)),
      m_proxy(new QLineEdit(this)), m_trustedCertificate(new QLabel(this)),
      m_forgetCertificate(new QPushButton(this)), m_updateButton(new QPushButton(this)),
      m_passwordNote(new QLabel(this))
{
    setObjectName(QStringLiteral("PreferencesProfileView"));
    build();
    connectControls();
    m_updateButton->setEnabled(false);
    NotificationCenter::defaultCenter().addMainThreadObserver(
        this, NotificationNames::EventPreferencesChanged,
        [this](const Notification &) { eventPreferencesChanged(); });
}

PreferencesProfileView::~PreferencesProfileView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void PreferencesProfileView::build()
{
    m_port->setEditable(true);
    m_port->setModel(m_portPicker);
    // The typed text stays as typed: no completion, and nothing added to the list.
    m_port->setCompleter(nullptr);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->setMaxVisibleItems(12);
    if (auto *list = qobject_cast<QListView *>(m_port->view()))
        list->setUniformItemSizes(true);
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), m_port));
    m_port->setMinimumContentsLength(6);
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    m_password->setEchoMode(QLineEdit::Password);
    m_serverName->setPlaceholderText(text("Text_LoginServerPlaceholder"));
    m_useHTTPS->setText(text("Text_LoginUseHTTPS"));
    m_savePassword->setText(text("Text_LoginSavePassword"));
    m_updateButton->setText(text("Text_PrefUpdateProfile"));
    m_proxy->setPlaceholderText(text("Text_PrefProxyPlaceholder"));
    m_proxy->setAccessibleName(text("Text_PrefProxy"));

    m_serverName->setAccessibleName(text("Text_LoginServer"));
    m_port->setAccessibleName(text("Text_LoginPort"));
    m_userName->setAccessibleName(text("Text_LoginUserName"));
    m_password->setAccessibleName(text("Text_LoginPassword"));
    m_useHTTPS->setAccessibleName(m_useHTTPS->text());
    m_savePassword->setAccessibleName(m_savePassword->text());
    m_updateButton->setAccessibleName(m_updateButton->text());

    QFormLayout *form =
        serverDetailsForm({m_serverName, m_port, m_useHTTPS, m_userName, m_password, m_savePassword});
    form->addRow(text("Text_PrefProxy"), m_proxy);

    // A fingerprint has no place to break, so it is shown in two halves.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(fixed.pointSizeF() * 0.9);
    m_trustedCertificate->setFont(fixed);
    m_trustedCertificate->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_trustedCertificate->setAccessibleName(text("Text_PrefTrustedCertificate"));
    m_forgetCertificate->setText(text("Text_PrefForgetCertificate"));
    m_forgetCertificate->setAccessibleName(m_forgetCertificate->text());
    auto *trustRow = new QHBoxLayout;
    trustRow->addWidget(m_trustedCertificate, 1);
    trustRow->addWidget(m_forgetCertificate, 0, Qt::AlignTop);
    form->addRow(text("Text_PrefTrustedCertificate"), trustRow);

    m_passwordNote->setWordWrap(true);
    m_passwordNote->setAccessibleName(text("Text_KeyringNote"));
    m_passwordNote->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_passwordNote, 1);
    buttons->addStretch();
    buttons->addWidget(m_updateButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch();
}

void PreferencesProfileView::connectControls()
{
    for (QLineEdit *field : {m_serverName, m_userName, m_password, m_proxy})
        connect(field, &QLineEdit::textEdited, this, &PreferencesProfileView::checkUpdateButtonEnable);
    connect(m_password, &QLineEdit::textEdited, this, [this] { m_passwordTyped = true; });
    // Typing into the port and picking from its list both land here.
    connect(m_port, &QComboBox::editTextChanged, this, &PreferencesProfileView::checkUpdateButtonEnable);
    connect(m_useHTTPS, &QCheckBox::clicked, this, &PreferencesProfileView::useSSLClicked);
    connect(m_savePassword, &QCheckBox::clicked, this, &PreferencesProfileView::checkUpdateButtonEnable);
    connect(m_updateButton, &QPushButton::clicked, this, &PreferencesProfileView::updatePrefrences);
    connect(m_forgetCertificate, &QPushButton::clicked, this, &PreferencesProfileView::forgetCertificate);
}

void PreferencesProfileView::viewWillMoveToSuperview(bool windowVisible)
{
    if (!(windowVisible && !bJustAwake)) {
        setupDefaults();
        m_updateButton->setEnabled(false);
    }
    bJustAwake = false;
}

void PreferencesProfileView::setupDefaults()
{
    const Preferences *preferences = Preferences::instance();
    if (!preferences)
        return;
    m_serverName->setText(NSStringExtended::validString(preferences->server()));
    selectPort(preferences->port());
    m_useHTTPS->setChecked(preferences->useHttps());
    m_userName->setText(NSStringExtended::validString(preferences->user()));
    m_password->setText(NSStringExtended::validString(preferences->password()));
    m_passwordTyped = false;
    m_savePassword->setChecked(preferences->savePassword());
    m_proxy->setText(preferences->proxy());
    showTrustedCertificate();
}

QString PreferencesProfileView::storedServerKey()
{
    const Preferences *preferences = Preferences::instance();
    return preferences ? wsCoreComms::serverKeyFor(preferences->server(), preferences->port(),
                                                   preferences->useHttps())
                       : QString();
}

void PreferencesProfileView::showTrustedCertificate()
{
    const Preferences *preferences = Preferences::instance();
    const QString serverKey = storedServerKey();
    const QString fingerprint =
        preferences && !serverKey.isEmpty() ? preferences->trustedCertificate(serverKey) : QString();
    const qsizetype middle = fingerprint.size() / 2 + 1; // after the colon in the middle
    m_trustedCertificate->setText(fingerprint.isEmpty()
                                      ? text("Text_PrefNoTrustedCertificate")
                                      : fingerprint.left(middle) + u'\n' + fingerprint.mid(middle));
    m_forgetCertificate->setEnabled(!fingerprint.isEmpty());
}

void PreferencesProfileView::forgetCertificate()
{
    Preferences *preferences = Preferences::instance();
    const QString serverKey = storedServerKey();
    if (!preferences || serverKey.isEmpty())
        return;
    preferences->setTrustedCertificate(serverKey, {});
    showTrustedCertificate();
    preferences->sendEventPrefrencesChanged();
}

int PreferencesProfileView::selectedPort() const
{
    const QString typed = m_port->currentText().trimmed();
    if (typed.isEmpty())
        return -1;
    const int port = m_portPicker->picker().indexOfItemWithStringValue(typed);
    return port >= 0 && port <= kHighestPort ? port : -1;
}

void PreferencesProfileView::selectPort(qint64 port)
{
    // The list ends at 9999; higher ports are shown as typed text.
    if (port >= 0 && port < m_portPicker->rowCount())
        m_port->setCurrentIndex(int(port));
    else
        m_port->setEditText(QString::number(port));
}

void PreferencesProfileView::useSSLClicked()
{
    selectPort(m_useHTTPS->isChecked() ? 443 : 80);
    checkUpdateButtonEnable();
}

void PreferencesProfileView::checkUpdateButtonEnable()
{
    const bool complete =
        !m_userName->text().isEmpty() && !m_serverName->text().isEmpty() && selectedPort() >= 0;
    m_updateButton->setEnabled(complete && hasPrefrencesChanges());
}

bool PreferencesProfileView::hasPrefrencesChanges() const
{
    const Preferences *preferences = Preferences::instance();
    if (!preferences)
        return false;
    return m_serverName->text() != preferences->server() || selectedPort() != preferences->port() ||
           m_useHTTPS->isChecked() != preferences->useHttps() || m_userName->text() != preferences->user() ||
           m_password->text() != preferences->password() ||
           m_savePassword->isChecked() != preferences->savePassword() ||
           m_proxy->text().trimmed() != preferences->proxy();
}

NSAlertAttributed *PreferencesProfileView::currentSheet() const
{
    return m_sheet;
}

void PreferencesProfileView::updatePrefrences()
{
    if (!commsGlobal || commsGlobal->uploadQueue().numUploadsInProgressOrWaiting() == 0) {
        updatePrefrencesAndLogoutAndIn();
        return;
    }
    auto *sheet = new NSAlertAttributed(window());
    sheet->setMessageText(text("Text_PrefUploadsRunning"));
    sheet->setInformativeText(text("Text_PrefUploadsRunningInfo"));
    sheet->setReturnButtonTitle(text("Text_YES"));
    sheet->setOtherButtonTitle(text("Text_NO"));
    m_sheet = sheet;
    sheet->beginSheetModalForWindow(window(), [this](int code) {
        if (code == NSAlertAttributed::AlertFirstButtonReturn)
            updatePrefrencesAndLogoutAndIn();
    });
}

void PreferencesProfileView::updatePrefrencesAndLogoutAndIn()
{
    Preferences *preferences = Preferences::instance();
    if (!preferences || !commsGlobal || !hasPrefrencesChanges() || selectedPort() < 0)
        return;
    const QString server = m_serverName->text();
    const int port = selectedPort();
    const bool useHttps = m_useHTTPS->isChecked();
    const QString user = m_userName->text();
    // The field shows the saved password, empty when there is none: only what the user typed there
    // replaces the password the session signed in with.
    const QString password =
        m_passwordTyped && !m_password->text().isEmpty() ? m_password->text() : commsGlobal->password();
    const bool savePassword = m_savePassword->isChecked();
    const QString proxy = m_proxy->text().trimmed();

    // Server and user first: the saved password is keyed by them.
    preferences->setServer(server);
    preferences->setPort(port);
    preferences->setUseHttps(useHttps);
    preferences->setUser(user);
    Error keyring;
    const bool saved = preferences->setPassword(password, savePassword, keyring);
    m_passwordNote->setText(saved ? QString() : Preferences::passwordNotSavedText(keyring));
    m_passwordNote->setVisible(!saved);
    // What the store holds now is what the pane compares with.
    m_password->setText(NSStringExtended::validString(preferences->password()));
    m_passwordTyped = false;
    preferences->setProxy(proxy);
    m_updateButton->setEnabled(false);

    const auto changeDetails = [=] {
        commsGlobal->setServer(server);
        commsGlobal->setPortNo(port);
        commsGlobal->setBUseHTTPS(useHttps);
        commsGlobal->setUserName(user);
        commsGlobal->setPassword(password);
        commsGlobal->setBSavePassword(savePassword);
        HttpProxy::setProxy(proxy);
    };
    // The session in progress is closed at its own server before the new details take over.
    if (VendraUploaderAppDelegate *delegate = VendraUploaderAppDelegate::instance())
        delegate->logoutAndIn(changeDetails);
    else
        changeDetails();
    preferences->sendEventPrefrencesChanged();
}

void PreferencesProfileView::eventPreferencesChanged()
{
    // Not while the user edits here: a refill would undo the edits.
    const QWidget *w = window();
    if (!w->isVisible() || w->isActiveWindow())
        return;
    setupDefaults();
    checkUpdateButtonEnable();
}
