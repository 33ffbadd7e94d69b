#include "common/MainThread.h"

#include <QCoreApplication>
#include <QThread>

bool isMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void runOnMainThread(const std::function<void()> &work)
{
    if (isMainThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::QueuedConnection);
}

void runOnMainThreadAndWait(const std::function<void()> &work)
{
    if (isMainThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::BlockingQueuedConnection);
}
