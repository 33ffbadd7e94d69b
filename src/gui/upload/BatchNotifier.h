#pragma once

#include "upload/UploadStatus.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

// A word when a batch of uploads has ended while the window was not active: one desktop
// notification (org.freedesktop.Notifications on the session bus) saying how many files arrived
// and how many failed; clicking it raises the window. Nothing is shown while the window is active.
class BatchNotifier : public QObject
{
    Q_OBJECT

public:
    explicit BatchNotifier(QWidget *window, QObject *parent = nullptr);
    ~BatchNotifier() override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString &actionKey);

private:
    void queueStatus(bool busy);
    void batchEnded();
    void notify(int arrived, int failed);

    QPointer<QWidget> m_window;
    QList<UploadStatusPtr> m_batch;
    bool m_busy = false;
    // The queue falls idle for a moment between the steps of one drop (an album made, then its
    // files); the batch is over only when it stays idle.
    QTimer m_settle;
    uint m_lastId = 0;
};
