#include "windows/LoginWindow.h"

#include "common/MessageText.h"
#include "controls/ServerDetailsForm.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "settings/QXKeychain.h"
#include "soap/NSStringExtended.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Text fields are told apart by tag: 1 server, 2 port, 3 and 4 user name and password.
const char *const TagProperty = "loginTag";

int tagOf(const QObject *control)
{
    return control ? control->property(TagProperty).toInt() : 0;
}

QString text(const char *key)
{
    return messageText(QString::fromLatin1(key));
}

} // namespace

LoginWindow::LoginWindow(QObject *parent)
    : FadableWindowController(std::make_unique<QWidget>(), parent), m_serverName(new QLineEdit(window())),
      m_port(new QLineEdit(window())), m_useHTTPS(new QCheckBox(window())),
      m_userName(new QLineEdit(window())), m_password(new QLineEdit(window())),
      m_savePassword(new QCheckBox(window())), m_dontShowLoginOnStartUp(new QCheckBox(window())),
      m_statusLabel(new QLabel(window())), m_loginButton(new QPushButton(window())),
      m_menuBar(new QMenuBar(window()))
{
    build();
    connectControls();
    NotificationCenter::defaultCenter().addMainThreadObserver(
        this, NotificationNames::EventPreferencesChanged,
        [this](const Notification &) { eventPreferencesChanged(); });
    updateLoginButton();
}

LoginWindow::~LoginWindow()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void LoginWindow::build()
{
    QWidget *w = window();
    w->setObjectName(QStringLiteral("LoginWindow"));
    w->setWindowTitle(text("Text_LoginWindowTitle"));
    w->setAccessibleName(w->windowTitle());

    m_serverName->setProperty(TagProperty, 1);
    m_port->setProperty(TagProperty, 2);
    m_userName->setProperty(TagProperty, 3);
    m_password->setProperty(TagProperty, 4);
    m_password->setEchoMode(QLineEdit::Password);
    m_serverName->setPlaceholderText(text("Text_LoginServerPlaceholder"));
    m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);

    m_useHTTPS->setText(text("Text_LoginUseHTTPS"));
    m_savePassword->setText(text("Text_LoginSavePassword"));
    m_dontShowLoginOnStartUp->setText(text("Text_LoginDontShow"));
    m_loginButton->setText(text("Text_LoginButton"));
    m_loginButton->setDefault(true);

    m_serverName->setAccessibleName(text("Text_LoginServer"));
    m_port->setAccessibleName(text("Text_LoginPort"));
    m_userName->setAccessibleName(text("Text_LoginUserName"));
    m_password->setAccessibleName(text("Text_LoginPassword"));
    m_useHTTPS->setAccessibleName(m_useHTTPS->text());
    m_savePassword->setAccessibleName(m_savePassword->text());
    m_dontShowLoginOnStartUp->setAccessibleName(m_dontShowLoginOnStartUp->text());
    m_loginButton->setAccessibleName(m_loginButton->text());
    m_statusLabel->setAccessibleName(text("Text_LoginStatus"));
    m_statusLabel->setWordWrap(true);

    QFormLayout *form =
        serverDetailsForm({m_serverName, m_port, m_useHTTPS, m_userName, m_password, m_savePassword});
    form->addRow(QString(), m_dontShowLoginOnStartUp);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_statusLabel, 1);
    buttons->addWidget(m_loginButton);

    auto *layout = new QVBoxLayout(w);
    layout->setMenuBar(m_menuBar);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    w->setMinimumWidth(440);
    w->adjustSize();

    // Return signs in from every control of the window.
    for (QWidget *control : {static_cast<QWidget *>(m_serverName), static_cast<QWidget *>(m_port),
                             static_cast<QWidget *>(m_useHTTPS), static_cast<QWidget *>(m_userName),
                             static_cast<QWidget *>(m_password), static_cast<QWidget *>(m_savePassword),
                             static_cast<QWidget *>(m_dontShowLoginOnStartUp)})
        control->installEventFilter(this);
    recalculateKeyViewLoop();
}

void LoginWindow::connectControls()
{
    for (QLineEdit *field : {m_serverName, m_port, m_userName, m_password}) {
        connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidChange(field); });
        connect(field, &QLineEdit::editingFinished, this, [this, field] { loginDetailChanged(field); });
    }
    connect(m_useHTTPS, &QCheckBox::clicked, this, &LoginWindow::useSSLClicked);
    for (QCheckBox *box : {m_useHTTPS, m_savePassword, m_dontShowLoginOnStartUp})
        connect(box, &QCheckBox::clicked, this, [this, box] { loginDetailChanged(box); });
    connect(m_savePassword, &QCheckBox::clicked, this, &LoginWindow::checkKeyring);
    connect(m_loginButton, &QPushButton::clicked, this, &LoginWindow::login);
}

void LoginWindow::showWindow(QObject *sender)
{
    FadableWindowController::showWindow(sender);
    QWidget *w = window();
    if (const QScreen *screen = w->screen())
        w->move(screen->availableGeometry().center() - w->rect().center());
    fillFromSettings(true);
    m_errors = 0;
    for (QObject *control : {static_cast<QObject *>(m_userName), static_cast<QObject *>(m_password),
                             static_cast<QObject *>(m_port), static_cast<QObject *>(m_serverName)})
        checkLoginObjectIsValid(control);
    updateLoginButton();
    recalculateKeyViewLoop();
    checkKeyring();
}

void LoginWindow::checkKeyring()
{
    // Said here, where the password is asked for: after the sign-in it would be too late.
    const QString note = text("Text_KeyringMissing");
    if (m_savePassword->isChecked() && !QXKeychain::isAvailable())
        m_statusLabel->setText(note);
    else if (m_statusLabel->text() == note)
        m_statusLabel->clear();
}

void LoginWindow::fillFromSettings(bool throughValidString)
{
    const auto filtered = [throughValidString](const QString &value) {
        return throughValidString ? NSStringExtended::validString(value) : value;
    };
    m_serverName->setText(filtered(commsGlobal->server()));
    m_port->setText(QString::number(commsGlobal->portNo()));
    m_useHTTPS->setChecked(commsGlobal->bUseHTTPS());
    m_userName->setText(filtered(commsGlobal->userName()));
    // A password that is not to be kept is typed again each time the window opens.
    if (!throughValidString || commsGlobal->bSavePassword())
        m_password->setText(commsGlobal->password());
    else
        m_password->clear();
    m_savePassword->setChecked(commsGlobal->bSavePassword());
    m_dontShowLoginOnStartUp->setChecked(commsGlobal->bDontShowLoginWindow());
}

void LoginWindow::saveUserDefaults()
{
    commsGlobal->setServer(m_serverName->text());
    commsGlobal->setPortNo(m_port->text().toLongLong());
    commsGlobal->setBUseHTTPS(m_useHTTPS->isChecked());
    commsGlobal->setUserName(m_userName->text());
    commsGlobal->setPassword(m_password->text());
    commsGlobal->setBSavePassword(m_savePassword->isChecked());
    commsGlobal->setBDontShowLoginWindow(m_dontShowLoginOnStartUp->isChecked());
}

void LoginWindow::login()
{
    if (m_errors != 0)
        return;
    saveUserDefaults();
    m_statusLabel->clear();
    Q_EMIT loginRequested();
}

void LoginWindow::useSSLClicked()
{
    m_port->setText(m_useHTTPS->isChecked() ? QStringLiteral("443") : QStringLiteral("80"));
    checkLoginObjectIsValid(m_port);
}

void LoginWindow::controlTextDidChange(QLineEdit *field)
{
    if (field == m_port)
        checkPortNumberIsLegal();
    saveUserDefaults();
    checkLoginObjectIsValid(field);
    updateLoginButton();
}

void LoginWindow::loginDetailChanged(QObject *control)
{
    saveUserDefaults();
    checkLoginObjectIsValid(control);
    updateLoginButton();
}

void LoginWindow::checkLoginObjectIsValid(QObject *control)
{
    const auto *field = qobject_cast<const QLineEdit *>(control);
    if (!field)
        return;
    quint16 bits = 0;
    switch (tagOf(field)) {
    case 1:
        bits = ServerAddressEmpty;
        break;
    case 2:
        bits = PortEmpty;
        break;
    case 3:
        bits = UserNameEmpty;
        break;
    case 4:
        bits = PasswordEmpty;
        break;
    default:
        return;
    }
    if (!field->text().isEmpty())
        m_errors &= quint16(~(bits == ServerAddressEmpty ? (ServerAddressEmpty | ReservedBit) : bits));
    else
        m_errors |= bits;
}

void LoginWindow::updateLoginButton()
{
    const char *key = "Login_ToolTip";
    if (m_errors & ServerAddressEmpty)
        key = "LoginError_ServerAddress";
    else if (m_errors & PortEmpty)
        key = "LoginError_Port";
    else if (m_errors & (UserNameEmpty | PasswordEmpty))
        key = "LoginError_Username";
    m_loginButton->setEnabled(m_errors == 0);
    m_loginButton->setToolTip(text(key));
    m_loginButton->setAccessibleDescription(m_loginButton->toolTip());
}

void LoginWindow::checkPortNumberIsLegal()
{
    const QString typed = m_port->text();
    if (typed.isEmpty())
        return;
    QString digits;
    for (const QChar c : typed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    if (digits.size() == typed.size())
        return;
    const int cursor = m_port->cursorPosition();
    m_port->setText(digits);
    m_port->setCursorPosition(qMin(cursor, int(digits.size())));
    QApplication::beep();
}

void LoginWindow::eventPreferencesChanged()
{
    // Only while the user is not typing here: a refill would undo the typing.
    QWidget *w = window();
    if (!w->isVisible() || w->isActiveWindow())
        return;
    fillFromSettings(false);
}

void LoginWindow::recalculateKeyViewLoop()
{
    const QList<QWidget *> order{
        m_serverName, m_port, m_useHTTPS, m_userName, m_password, m_savePassword, m_dontShowLoginOnStartUp,
        m_loginButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // The first field still to fill has the focus; the button when all are filled.
    for (QLineEdit *field : {m_serverName, m_port, m_userName, m_password}) {
        if (field->text().isEmpty()) {
            field->setFocus();
            return;
        }
    }
    m_loginButton->setFocus();
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched != window()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            login();
            return true;
        }
    }
    return FadableWindowController::eventFilter(watched, event);
}
