#include "controls/NSAlertAttributed.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>

NSAlertAttributed::NSAlertAttributed(QWidget *parent)
    : QDialog(parent), m_iconView(new QLabel(this)), m_titleView(new QLabel(this)),
      m_messageView(new QLabel(this)), m_defaultButton(new QPushButton(QStringLiteral("OK"), this)),
      m_otherButton(new QPushButton(QStringLiteral("Other"), this)),
      m_cancelButton(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("NSAlertAttributed"));
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    setIcon(appIcon);

    QFont titleFont = font();
    titleFont.setBold(true);
    m_titleView->setFont(titleFont);
    m_titleView->setWordWrap(true);
    m_titleView->setTextFormat(Qt::PlainText);
    m_titleView->setTextInteractionFlags(Qt::NoTextInteraction);

    QFont smallFont = font();
    smallFont.setPointSizeF(qMax(6.0, smallFont.pointSizeF() - 1.0));
    m_messageView->setFont(smallFont);
    m_messageView->setWordWrap(true);
    m_messageView->setTextFormat(Qt::RichText);
    m_messageView->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_messageView->setOpenExternalLinks(true);
    m_messageView->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_defaultButton->setDefault(true);
    m_otherButton->setAutoDefault(false);
    m_cancelButton->setAutoDefault(false);
    m_otherButton->hide();
    m_cancelButton->hide();
    for (QPushButton *button : {m_defaultButton, m_otherButton, m_cancelButton}) {
        button->setAccessibleName(button->text());
        connect(button, &QPushButton::clicked, this, [this, button] { selectButton(button); });
    }
    setWindowModality(Qt::WindowModal);
    resize(kContentWidth, 200);
}

void NSAlertAttributed::setIcon(const QIcon &icon)
{
    m_icon = icon;
    m_iconView->setPixmap(icon.pixmap(kIconSize, kIconSize));
    m_iconView->setAccessibleName(QString());
}

void NSAlertAttributed::setReturnButtonTitle(const QString &title)
{
    m_defaultButton->setText(title);
    m_defaultButton->setAccessibleName(title);
}

void NSAlertAttributed::setOtherButtonTitle(const QString &title)
{
    m_otherButton->setText(title);
    m_otherButton->setAccessibleName(title);
    m_otherButton->setVisible(!title.isEmpty());
}

void NSAlertAttributed::setCancelButtonTitle(const QString &title)
{
    m_cancelButton->setText(title);
    m_cancelButton->setAccessibleName(title);
    m_cancelButton->setVisible(!title.isEmpty());
}

void NSAlertAttributed::setMessageText(const QString &text)
{
    m_titleView->setText(text);
    setWindowTitle(text);
    setAccessibleName(text);
}

void NSAlertAttributed::setInformativeText(const QString &text)
{
    m_informativeText = text;
    m_messageView->setText(markupFor(text, m_messageView->font()));
    QTextDocument plain;
    plain.setHtml(m_messageView->text());
    m_messageView->setAccessibleName(plain.toPlainText());
}

QString NSAlertAttributed::markupFor(const QString &informativeText, const QFont &font)
{
    QString body = informativeText;
    body.replace(QLatin1Char('\n'), QLatin1String("<br/>"));
    // In pixels as the screen draws the view's font, so the mark-up and the measuring agree.
    const int size = QFontInfo(font).pixelSize();
    return QStringLiteral("<span style=\"font-family:'%1'; font-size:%2px;\">%3</span>")
        .arg(font.family())
        .arg(size)
        .arg(body);
}

qreal NSAlertAttributed::widthForString(const QString &text, const QFont &font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

qreal NSAlertAttributed::heightForString(const QString &text, const QFont &font, qreal width)
{
    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(font);
    document.setPlainText(text);
    document.setTextWidth(width);
    return document.size().height();
}

void NSAlertAttributed::layOut()
{
    const int m = kMargin;
    const int titleHeight = qCeil(qMax(heightForString(m_titleView->text(), m_titleView->font(), kTextWidth),
                                       qreal(m_titleView->heightForWidth(kTextWidth))));
    // The plain version decides, unless the marked-up one needs more room (a link, an entity).
    QTextDocument shown;
    shown.setHtml(m_messageView->text());
    const int messageHeight =
        qCeil(qMax(heightForString(shown.toPlainText(), m_messageView->font(), kTextWidth),
                   qreal(m_messageView->heightForWidth(kTextWidth))));
    const int buttonHeight = qMax(kButtonHeight, m_defaultButton->sizeHint().height());
    const int height = qMax(titleHeight + m + m + messageHeight + m + buttonHeight + m, kIconSize + 2 * m);

    const int textX = 21 + kIconSize + m + 6;
    m_iconView->setGeometry(21, m, kIconSize, kIconSize);
    m_titleView->setGeometry(textX, m, kTextWidth, titleHeight);
    m_messageView->setGeometry(textX, m + titleHeight + m, kTextWidth, messageHeight);

    const int buttonY = height - m - buttonHeight;
    const auto widthOf = [](const QPushButton *button) {
        return qCeil(widthForString(button->text(), button->font())) + 80;
    };
    const int defaultWidth = widthOf(m_defaultButton);
    const int otherWidth = m_otherButton->isHidden() ? 0 : widthOf(m_otherButton);
    const int cancelX = 21 + kIconSize + 6;
    const int cancelWidth = m_cancelButton->isHidden() ? 0 : widthOf(m_cancelButton);
    // Three long titles do not fit the usual width: the alert widens rather than overlap them.
    const int width = qMax(kContentWidth,
                           (cancelWidth ? cancelX + cancelWidth + m : 0) + otherWidth + defaultWidth + 6 + 6);
    const int defaultX = width - (defaultWidth + 6 + 6);
    m_defaultButton->setGeometry(defaultX, buttonY, defaultWidth, buttonHeight);
    m_otherButton->setGeometry(defaultX - otherWidth, buttonY, otherWidth, buttonHeight);
    m_cancelButton->setGeometry(cancelX, buttonY, cancelWidth, buttonHeight);

    setFixedSize(width, height);
    m_messageView->setToolTip(QString());
}

void NSAlertAttributed::beginSheetModalForWindow(QWidget *window, std::function<void(int)> didEnd)
{
    m_didEnd = std::move(didEnd);
    m_deleteWhenDone = true;
    if (window && parentWidget() != window)
        setParent(window, windowFlags());
    setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    layOut();
    m_defaultButton->setFocus();
    open();
}

void NSAlertAttributed::selectButton(QPushButton *button)
{
    if (button == m_otherButton)
        done(AlertSecondButtonReturn);
    else if (button == m_cancelButton)
        done(AlertThirdButtonReturn);
    else
        done(AlertFirstButtonReturn);
}

int NSAlertAttributed::closingCode() const
{
    if (!m_cancelButton->isHidden())
        return AlertThirdButtonReturn;
    if (!m_otherButton->isHidden())
        return AlertSecondButtonReturn;
    return AlertFirstButtonReturn;
}

void NSAlertAttributed::done(int code)
{
    if (m_ended)
        return;
    // Escape and the close box end the alert too, as the button that stands for "no".
    if (code < AlertFirstButtonReturn || code > AlertThirdButtonReturn)
        code = closingCode();
    m_ended = true;
    QDialog::done(code);
    Q_EMIT buttonSelected(code);
    if (m_didEnd)
        m_didEnd(code);
    if (m_deleteWhenDone)
        deleteLater();
}
