#pragma once

#include <QDialog>
#include <QIcon>

#include <functional>

class QLabel;
class QPushButton;

// The program's alert: a bold message, an informative text read as simple mark-up (line breaks,
// entities, links), the application's icon and up to three buttons. It opens as a window-modal
// sheet on a window and reports the pressed button as 1000 (return button), 1001 (other) or 1002
// (cancel); closing it otherwise counts as the cancel button, or the other, or the return button,
// whichever is shown first in that order. It lays itself out to fit its texts.
//
//     auto *alert = new NSAlertAttributed(window);    // owned by the window, deleted when done
//     alert->setMessageText(title);
//     alert->setInformativeText(u"line one\nline two"_s);
//     alert->beginSheetModalForWindow(window, [](int code) { ... });
class NSAlertAttributed : public QDialog
{
    Q_OBJECT

public:
    enum ReturnCode {
        AlertFirstButtonReturn = 1000,
        AlertSecondButtonReturn = 1001,
        AlertThirdButtonReturn = 1002
    };

    static constexpr int kMargin = 15;
    // The usual width; three long button titles widen it.
    static constexpr int kContentWidth = 420;
    static constexpr int kTextWidth = 300;
    static constexpr int kIconSize = 64;
    static constexpr int kButtonHeight = 30;

    explicit NSAlertAttributed(QWidget *parent = nullptr);

    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &icon);

    void setReturnButtonTitle(const QString &title);
    // Each shows its button exactly when the title is not empty.
    void setOtherButtonTitle(const QString &title);
    void setCancelButtonTitle(const QString &title);

    void setMessageText(const QString &text);
    // Read as mark-up: "\n" breaks the line, "&lt;" is a less-than sign, <a href> a link.
    void setInformativeText(const QString &text);
    QString informativeText() const { return m_informativeText; }

    // Lays out, then opens as a window-modal sheet on window (or as a modal dialog without one).
    // didEnd runs once with the return code; the alert deletes itself afterwards, so make it with new.
    void beginSheetModalForWindow(QWidget *window, std::function<void(int)> didEnd = {});

    // The width of text drawn on one line, and the height of text laid out in a column of width.
    static qreal widthForString(const QString &text, const QFont &font);
    static qreal heightForString(const QString &text, const QFont &font, qreal width);
    // The informative text as the message view shows it.
    static QString markupFor(const QString &informativeText, const QFont &font);

    QLabel *titleView() const { return m_titleView; }
    QLabel *messageView() const { return m_messageView; }
    QPushButton *defaultButton() const { return m_defaultButton; }
    QPushButton *otherButton() const { return m_otherButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    void done(int code) override;

Q_SIGNALS:
    // The alert ended with this return code.
    void buttonSelected(int code);

private:
    void layOut();
    void selectButton(QPushButton *button);
    int closingCode() const;

    QIcon m_icon;
    QString m_informativeText;
    QLabel *m_iconView;
    QLabel *m_titleView;
    QLabel *m_messageView;
    QPushButton *m_defaultButton;
    QPushButton *m_otherButton;
    QPushButton *m_cancelButton;
    std::function<void(int)> m_didEnd;
    bool m_ended = false;
    bool m_deleteWhenDone = false;
};
