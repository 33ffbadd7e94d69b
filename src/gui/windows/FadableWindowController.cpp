#include "FadableWindowController.h"

#include <QCloseEvent>

namespace {
// Below this the window counts as not showing, even when it is mapped.
constexpr qreal kVisibleOpacity = 0.0001;
} // namespace

FadableWindowController::FadableWindowController(std::unique_ptr<QWidget> window, QObject *parent)
    : QObject(parent), m_window(std::move(window)), m_animation(m_window.get(), "windowOpacity")
{
    Q_ASSERT(m_window && m_window->isWindow());
    m_window->setWindowOpacity(0.0);
    m_window->installEventFilter(this);
    m_animation.setDuration(kFadeMilliseconds);
    connect(&m_animation, &QPropertyAnimation::finished, this, [this] { animationDidStop(true); });
}

FadableWindowController::~FadableWindowController()
{
    m_animation.stop();
    m_window->removeEventFilter(this);
}

void FadableWindowController::showWindow(QObject *)
{
    fadeInWindowAndShow();
}

void FadableWindowController::close()
{
    fadeOutAndCloseWindow();
}

bool FadableWindowController::isShowingVisibly() const
{
    return m_window->isVisible() && m_window->windowOpacity() >= kVisibleOpacity;
}

void FadableWindowController::fadeInWindowAndShow()
{
    if (isShowingVisibly() && m_animationIdentifier != FadingOut) {
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    m_animation.stop();
    m_animationIdentifier = FadingIn;
    m_window->setWindowOpacity(0.0);
    setTakesMouseClicks(false);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    m_animation.start();
}

void FadableWindowController::fadeOutAndCloseWindow()
{
    if (!isShowingVisibly()) {
        m_animation.stop();
        m_animationIdentifier = NoAnimation;
        closeForReal();
        return;
    }
    if (m_animationIdentifier == FadingOut)
        return;
    m_animation.stop();
    m_animationIdentifier = FadingOut;
    setTakesMouseClicks(false);
    m_animation.setStartValue(m_window->windowOpacity());
    m_animation.setEndValue(0.0);
    m_animation.start();
}

void FadableWindowController::animationDidStop(bool)
{
    const int finishedAnimation = m_animationIdentifier;
    m_animationIdentifier = NoAnimation;
    if (finishedAnimation == FadingOut)
        closeForReal();
    else if (finishedAnimation == FadingIn)
        setTakesMouseClicks(true);
}

void FadableWindowController::closeForReal()
{
    setTakesMouseClicks(true);
    if (!m_window->isVisible())
        return;
    Q_EMIT windowWillClose(this);
    m_closingForReal = true;
    m_window->close();
    m_closingForReal = false;
}

void FadableWindowController::setTakesMouseClicks(bool takes)
{
    // Covers the window's children too, so no button inside takes a click mid-fade.
    m_window->setAttribute(Qt::WA_TransparentForMouseEvents, !takes);
}

bool FadableWindowController::eventFilter(QObject *watched, QEvent *event)
{
    // The close box (and any other close request) goes through the fade instead.
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closingForReal) {
        event->ignore();
        fadeOutAndCloseWindow();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
