#include "FadableWindowController.h"

#include <QApplication>
#include <QCloseEvent>

namespace {
// Below this the window counts as not showing, even when it is mapped.
constexpr qreal kVisibleOpacity = 0.0001;

bool isMouseInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}
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
    // Clicks go to the widgets inside, so they are caught application-wide, and only mid-fade.
    if (takes == m_takesMouseClicks)
        return;
    m_takesMouseClicks = takes;
    if (takes)
        qApp->removeEventFilter(this);
    else
        qApp->installEventFilter(this);
}

bool FadableWindowController::takesMouseClicks() const
{
    return m_takesMouseClicks;
}

bool FadableWindowController::eventFilter(QObject *watched, QEvent *event)
{
    // The close box (and any other close request) goes through the fade instead.
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_closingForReal) {
        event->ignore();
        fadeOutAndCloseWindow();
        return true;
    }
    if (!m_takesMouseClicks && isMouseInput(event->type()) && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == m_window.get())
        return true;
    return QObject::eventFilter(watched, event);
}
