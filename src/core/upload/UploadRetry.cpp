#include "upload/UploadRetry.h"

#include "common/MessageText.h"
#include "settings/Preferences.h"

#include <QFileInfo>

#include <cmath>

namespace {

constexpr int TickMs = 250;

int waitSecondsBefore(int tryNumber)
{
    return 1 << qBound(1, tryNumber, 10);
}

} // namespace

UploadRetry::UploadRetry(std::function<void(const UploadStatusPtr &)> requeue, QObject *parent)
    : QObject(parent), m_requeue(std::move(requeue))
{
    m_ticker.setInterval(TickMs);
    connect(&m_ticker, &QTimer::timeout, this, &UploadRetry::tick);
}

int UploadRetry::maximumTries() const
{
    if (m_triesOverride)
        return qMax(1, *m_triesOverride);
    const Preferences *preferences = Preferences::instance();
    if (preferences && !preferences->retryFailedUploads())
        return 1;
    return DefaultTries;
}

bool UploadRetry::scheduleRetry(const UploadStatusPtr &record)
{
    int &made = m_triesMade[record.get()];
    made = qMax(made, 1);
    if (made >= maximumTries()) {
        m_triesMade.remove(record.get());
        return false;
    }
    Wait wait{record, QDeadlineTimer(waitSecondsBefore(made + 1) * 1000), made + 1};
    ++made;
    m_waits.insert(record.get(), wait);
    showCountdown(wait);
    if (!m_ticker.isActive())
        m_ticker.start();
    return true;
}

void UploadRetry::tryStarted(const UploadStatusPtr &record)
{
    const QFileInfo file(record->localFilePath().toLocalFile());
    m_fileAtTryStart.insert(record.get(), {file.size(), file.lastModified()});
}

bool UploadRetry::fileChangedSinceTryStarted(const UploadStatusPtr &record) const
{
    const QFileInfo file(record->localFilePath().toLocalFile());
    const auto atStart = m_fileAtTryStart.constFind(record.get());
    return atStart != m_fileAtTryStart.cend() &&
           (atStart->first != file.size() || atStart->second != file.lastModified());
}

bool UploadRetry::forget(const UploadStatusPtr &record)
{
    m_triesMade.remove(record.get());
    m_fileAtTryStart.remove(record.get());
    return m_waits.remove(record.get()) > 0;
}

QList<UploadStatusPtr> UploadRetry::waiting() const
{
    QList<UploadStatusPtr> records;
    for (const Wait &wait : m_waits)
        records.append(wait.record);
    return records;
}

void UploadRetry::showCountdown(const Wait &wait) const
{
    const int seconds = int(std::ceil(double(wait.due.remainingTime()) / 1000.0));
    const QString text = messageText(QStringLiteral("Text_RetryingIn"))
                             .arg(qMax(seconds, 0))
                             .arg(wait.nextTry)
                             .arg(maximumTries());
    if (wait.record->note() != text)
        wait.record->setStatusWithNote(UploadStatusWaiting, QStringLiteral("RetryWait"), text);
}

void UploadRetry::tick()
{
    QList<UploadStatusPtr> due;
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        if (it->due.hasExpired()) {
            due.append(it->record);
            it = m_waits.erase(it);
        } else {
            showCountdown(*it);
            ++it;
        }
    }
    if (m_waits.isEmpty())
        m_ticker.stop();
    for (const UploadStatusPtr &record : std::as_const(due))
        m_requeue(record);
}
