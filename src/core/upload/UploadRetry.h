#pragma once

#include "upload/UploadStatus.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

// The automatic retry of uploads whose failure was transient: the failed try waits 2^n seconds
// (4 s before the second try, 8 s before the third), the row counting down ("Retrying in 4 s (try 2
// of 3)"), then goes back to the queue. Final failures are never retried.
class UploadRetry : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTries = 3;

    // requeue puts a record whose wait is over back into the queue.
    explicit UploadRetry(std::function<void(const UploadStatusPtr &)> requeue, QObject *parent = nullptr);

    // The number of tries in all to use instead of the preference (the command line's --retries);
    // 0 and 1 both mean no retry.
    void setTriesOverride(std::optional<int> tries) { m_triesOverride = tries; }
    // The tries that apply now: the override, else 3 with the preference on and 1 with it off.
    int maximumTries() const;

    // Starts the wait before the next try; false (nothing done) when the tries are used up.
    bool scheduleRetry(const UploadStatusPtr &record);
    // Forgets a record: its wait ends (true when it was waiting) and its tries are counted anew.
    bool forget(const UploadStatusPtr &record);
    // A try of the record's file begins: its size and time of change are kept, since a file that
    // changes underneath is a local failure, not one to try again.
    void tryStarted(const UploadStatusPtr &record);
    bool fileChangedSinceTryStarted(const UploadStatusPtr &record) const;
    // Records waiting for their next try.
    QList<UploadStatusPtr> waiting() const;
    qsizetype waitingCount() const { return m_waits.size(); }

private:
    struct Wait
    {
        UploadStatusPtr record;
        QDeadlineTimer due;
        int nextTry = 2;
    };

    void tick();
    void showCountdown(const Wait &wait) const;

    std::function<void(const UploadStatusPtr &)> m_requeue;
    std::optional<int> m_triesOverride;
    QHash<UploadStatus *, int> m_triesMade;
    QHash<UploadStatus *, Wait> m_waits;
    QHash<UploadStatus *, QPair<qint64, QDateTime>> m_fileAtTryStart;
    QTimer m_ticker;
};
