#include "app/StartupScreenshot.h"

#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

StartupScreenshot::StartupScreenshot(const QString &path, QObject *parent) : QObject(parent), m_path(path)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StartupScreenshot::take);
    m_timer.start(kDeadlineMs);
    auto settle = [this](const Notification &) {
        m_timer.start(kSettleMs);
    };
    auto &center = NotificationCenter::defaultCenter();
    center.addMainThreadObserver(this, NotificationNames::CommsEventsLoginSuccess, settle);
    center.addMainThreadObserver(this, NotificationNames::CommsEventsLoginFailure, settle);
}

StartupScreenshot::~StartupScreenshot()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void StartupScreenshot::take()
{
    QWidget *front = QApplication::activeWindow();
    if (!front) {
        // The largest visible window: the main window when it shows.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() &&
                (!front || window->width() * window->height() > front->width() * front->height()))
                front = window;
        }
    }
    if (front && front->grab().save(m_path))
        std::printf("screenshot: %s\n", qPrintable(m_path));
    else
        writePlainLine(QStringLiteral("No screenshot could be saved to %1").arg(m_path));
    std::fflush(stdout);
    QCoreApplication::quit();
}
