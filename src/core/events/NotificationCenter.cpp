#include "events/NotificationCenter.h"

#include "common/MainThread.h"

#include <QCoreApplication>
#include <QThread>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return centerOnMainThread(center);
}

NotificationCenter &NotificationCenter::workspaceCenter()
{
    static NotificationCenter center;
    return centerOnMainThread(center);
}

// The hand-over queues calls on the centre's own thread, so the centre must live on the main thread
// even when a worker is the first to reach it.
NotificationCenter &NotificationCenter::centerOnMainThread(NotificationCenter &center)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (app && center.thread() != app->thread()) {
        static QMutex moveMutex;
        const QMutexLocker lock(&moveMutex);
        if (center.thread() != app->thread())
            center.moveToThread(app->thread());
    }
    return center;
}

void NotificationCenter::addObserver(QObject *observer, const QString &name, Handler handler)
{
    add(observer, name, std::move(handler), false);
}

void NotificationCenter::addMainThreadObserver(QObject *observer, const QString &name, Handler handler)
{
    add(observer, name, std::move(handler), true);
}

void NotificationCenter::add(QObject *observer, const QString &name, Handler handler, bool onMainThread)
{
    Q_ASSERT(observer);
    const QMutexLocker lock(&m_mutex);
    m_registrations.append({observer, observer, name, std::move(handler), onMainThread,
                            std::make_shared<std::atomic<bool>>(true)});
}

void NotificationCenter::removeObserver(QObject *observer)
{
    const QMutexLocker lock(&m_mutex);
    m_registrations.removeIf([observer](const Registration &r) {
        if (r.key != observer)
            return false;
        *r.registered = false;
        return true;
    });
}

void NotificationCenter::removeObserver(QObject *observer, const QString &name)
{
    const QMutexLocker lock(&m_mutex);
    m_registrations.removeIf([observer, &name](const Registration &r) {
        if (r.key != observer || r.name != name)
            return false;
        *r.registered = false;
        return true;
    });
}

void NotificationCenter::postNotificationName(const QString &name, const QVariant &object,
                                              const QVariantMap &userInfo)
{
    postNotification(Notification(name, object, userInfo));
}

void NotificationCenter::postNotification(const Notification &notification)
{
    // Handlers run without the lock held, so that they may add or remove observers themselves.
    QList<Registration> matching;
    {
        const QMutexLocker lock(&m_mutex);
        m_registrations.removeIf([](const Registration &r) { return r.observer.isNull(); });
        for (const Registration &registration : std::as_const(m_registrations)) {
            if (registration.name == notification.name())
                matching.append(registration);
        }
    }
    for (const Registration &registration : std::as_const(matching))
        deliver(registration, notification);
}

void NotificationCenter::deliver(const Registration &registration, const Notification &notification)
{
    if (!registration.onMainThread || isMainThread()) {
        if (registration.observer && *registration.registered)
            registration.handler(notification);
        return;
    }
    // Main-thread observers are destroyed on the main thread, so the guard is only read there.
    runOnMainThread([registration, notification] {
        if (registration.observer && *registration.registered)
            registration.handler(notification);
    });
}

void NotificationCenter::postNotificationOnMainThreadWithName(const QString &name, const QVariant &object,
                                                              const QVariantMap &userInfo, bool waitUntilDone)
{
    postNotificationOnMainThread(Notification(name, object, userInfo), waitUntilDone);
}

void NotificationCenter::postNotificationOnMainThread(const Notification &notification, bool waitUntilDone)
{
    if (QThread::currentThread() == thread()) {
        postNotification(notification);
        return;
    }
    const auto post = [this, notification] {
        postNotification(notification);
    };
    if (waitUntilDone)
        runOnMainThreadAndWait(post);
    else
        runOnMainThread(post);
}
