#include "upload/BatchNotifier.h"

#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QWidget>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");

} // namespace

BatchNotifier::BatchNotifier(QWidget *window, QObject *parent) : QObject(parent), m_window(window)
{
    auto &center = NotificationCenter::defaultCenter();
    center.addMainThreadObserver(this, NotificationNames::UploadEventQueueStatusUpdate,
                                 [this](const Notification &n) { queueStatus(n.object().toInt() != 0); });
    center.addMainThreadObserver(
        this, NotificationNames::UploadEventStatusUpdate, [this](const Notification &n) {
            const auto record = n.object().value<UploadStatusPtr>();
            // A record heard of between batches (a late word of an ended one) starts none.
            if (!record || !m_busy || !commsGlobal)
                return;
            if (!m_progress)
                m_progress = std::make_unique<UploadBatchProgress>(commsGlobal->uploadQueue());
            m_progress->add(record);
        });
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, &BatchNotifier::endBatch);
    QDBusConnection::sessionBus().connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
}

BatchNotifier::~BatchNotifier()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// The batch is over when the queue falls idle; its files are counted by their final status.
void BatchNotifier::queueStatus(bool busy)
{
    if (busy) {
        m_busy = true;
        m_settle.stop();
        return;
    }
    if (m_busy)
        m_settle.start();
}

void BatchNotifier::endBatch()
{
    m_busy = false;
    if (!m_progress)
        return;
    m_progress->update();
    const int arrived = m_progress->figures().filesArrived;
    const int failed = m_progress->figures().filesFailed;
    m_progress.reset();
    Q_EMIT batchEnded(arrived, failed);
    if ((arrived > 0 || failed > 0) && m_window && !m_window->isActiveWindow())
        notify(arrived, failed);
}

void BatchNotifier::notify(int arrived, int failed)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QString body = messageText(QStringLiteral("Text_BatchDoneBody")).arg(arrived).arg(failed);
    call << QCoreApplication::applicationName() << m_lastId << QStringLiteral("vendra-uploader")
         << messageText(QStringLiteral("Text_BatchDone")) << body
         << QStringList{DefaultAction, messageText(QStringLiteral("Text_BatchDoneShow"))} << QVariantMap()
         << qint32(-1);
    // Never blocking: a notification server that hangs must not stall the window.
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isValid())
            m_lastId = reply.value();
        done->deleteLater();
    });
}

void BatchNotifier::actionInvoked(uint id, const QString &actionKey)
{
    if (id != m_lastId || actionKey != DefaultAction || !m_window)
        return;
    QWidget *window = m_window->window();
    window->show();
    window->raise();
    window->activateWindow();
}
