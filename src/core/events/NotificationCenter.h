#pragma once

#include "events/Notification.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include <functional>

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

    // Calls handler for every notification of that name until the observer is removed or destroyed.
    void addObserver(QObject *observer, const QString &name, Handler handler);
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
    };

    static NotificationCenter &centerOnMainThread(NotificationCenter &center);

    QMutex m_mutex;
    QList<Registration> m_registrations;
};
