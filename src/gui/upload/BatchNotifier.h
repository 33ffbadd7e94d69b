#pragma once

#include "upload/UploadBatchProgress.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QWidget;

// Follows each batch of uploads, from the first command queued until the queue stays idle: its
// progress while it runs, and a word when it has ended while the window was not active: one desktop
// notification (org.freedesktop.Notifications on the session bus) saying how many files arrived
// and how many failed; clicking it raises the window. Nothing is shown while the window is active.
class BatchNotifier : public QObject
{
    Q_OBJECT

public:
    explicit BatchNotifier(QWidget *window, QObject *parent = nullptr);
    ~BatchNotifier() override;

    // The batch under way, if any.
    UploadBatchProgress *progress() const { return m_progress.get(); }

Q_SIGNALS:
    // The batch is over: how many of its files arrived and how many failed.
    void batchEnded(int arrived, int failed);

private Q_SLOTS:
    void actionInvoked(uint id, const QString &actionKey);

private:
    void queueStatus(bool busy);
    void endBatch();
    void notify(int arrived, int failed);

    QPointer<QWidget> m_window;
    std::unique_ptr<UploadBatchProgress> m_progress;
    bool m_busy = false;
    // The queue falls idle for a moment between the steps of one drop (an album made, then its
    // files); the batch is over only when it stays idle.
    QTimer m_settle;
    uint m_lastId = 0;
};
