#pragma once

#include <QObject>
#include <QPropertyAnimation>
#include <QWidget>

#include <memory>

// Drives one top-level window: showing fades it in, closing (by code or by the close box) fades it
// out first and closes it when the fade ends. The window takes no mouse clicks while it fades.
// Every window controller of the program derives from this one; each owns its window.
class FadableWindowController : public QObject
{
    Q_OBJECT

public:
    enum AnimationIdentifier { NoAnimation = 0, FadingIn = 1, FadingOut = 2 };

    static constexpr int kFadeMilliseconds = 200;

    // Takes ownership of window, which must be a top-level widget; it starts fully transparent.
    explicit FadableWindowController(std::unique_ptr<QWidget> window, QObject *parent = nullptr);
    ~FadableWindowController() override;

    QWidget *window() const { return m_window.get(); }

    // Fades the window in, or only raises it when it is already showing.
    virtual void showWindow(QObject *sender = nullptr);
    // Fades the window out and closes it then; an invisible window closes at once.
    virtual void close();

    bool isWindowAnimating() const { return m_animationIdentifier != NoAnimation; }
    int animationIdentifier() const { return m_animationIdentifier; }
    // False while the window fades: it takes no clicks then.
    bool takesMouseClicks() const;

Q_SIGNALS:
    // Just before the window really closes (after any fade), like a window-will-close notification.
    void windowWillClose(FadableWindowController *controller);

protected:
    // Called when a fade ends. Overrides call this first.
    virtual void animationDidStop(bool finished);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fadeInWindowAndShow();
    void fadeOutAndCloseWindow();
    void closeForReal();
    void setTakesMouseClicks(bool takes);
    bool isShowingVisibly() const;

    std::unique_ptr<QWidget> m_window;
    QPropertyAnimation m_animation;
    int m_animationIdentifier = NoAnimation;
    bool m_closingForReal = false;
    bool m_takesMouseClicks = true;
};
