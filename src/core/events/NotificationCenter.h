#pragma once

#include "events/Notification.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

// A process-wide event bus: posters name an event, every observer of that name is called.
// Posting directly calls the observers on the posting thread; the main-thread operations hand the
// notification over to the main thread first, keeping the order of posts made from one thread.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const Notification &)>;

    // The process's default centre, and the second centre kept for workspace (file system) events.
    static NotificationCenter &defaultCenter();
    static NotificationCenter &workspaceCenter();

    // Calls handler for every notification of that name until the observer is removed or destroyed,
    // on the posting thread.
    void addObserver(QObject *observer, const QString &name, Handler handler);
    // The same, always on the main thread: a post from another thread is handed over to it. Widgets
    // and models observe this way. An observer removed or destroyed (on the main thread) before a
    // handed-over notification arrives is not called any more.
    void addMainThreadObserver(QObject *observer, const QString &name, Handler handler);
    void removeObserver(QObject *observer);
    void removeObserver(QObject *observer, const QString &name);

    // Calls the observers on this thread before returning.
    void postNotificationName(const QString &name, const QVariant &object = {},
                              const QVariantMap &userInfo = {});
    void postNotification(const Notification &notification);

    // On the main thread: posts at once. Elsewhere: hands it to the main thread and returns at once,
    // or when waitUntilDone, after the observers have run.
    void postNotificationOnMainThreadWithName(const QString &name, const QVariant &object = {},
                                              const QVariantMap &userInfo = {}, bool waitUntilDone = false);
    void postNotificationOnMainThread(const Notification &notification, bool waitUntilDone = false);

private:
    NotificationCenter() = default;

    struct Registration
    {
        QPointer<QObject> observer;
        QObject *key = nullptr; // identity for removal, valid even while the observer is destroyed
        QString name;
        Handler handler;
        bool onMainThread = false;
        // Cleared on removal; a hand-over still on its way checks it on the main thread.
        std::shared_ptr<std::atomic<bool>> registered;
    };

    void add(QObject *observer, const QString &name, Handler handler, bool onMainThread);
    static void deliver(const Registration &registration, const Notification &notification);

    static NotificationCenter &centerOnMainThread(NotificationCenter &center);

    QMutex m_mutex;
    QList<Registration> m_registrations;
};
