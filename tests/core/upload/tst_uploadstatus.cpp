#include "upload/UploadStatus.h"

#include "albums/soapRemoteFolderItem.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QTemporaryDir>

class TestUploadStatus : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    QList<QPair<QString, UploadStatusPtr>> m_posted;

    int postedCount(const QString &name) const
    {
        return int(std::count_if(m_posted.cbegin(), m_posted.cend(),
                                 [&name](const auto &p) { return p.first == name; }));
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &name :
             {NotificationNames::UploadEventStatusUpdate, NotificationNames::UploadEventQueuePendingUpdate}) {
            NotificationCenter::defaultCenter().addObserver(&m_observer, name, [this](const Notification &n) {
                m_posted.append({n.name(), n.object().value<UploadStatusPtr>()});
            });
        }
    }

    void init() { m_posted.clear(); }

    // Progress notifications go out only when the drawn fraction has moved on by 0.2 %.
    void progressThrottle()
    {
        const auto record = UploadStatus::initWithCreateFolder(u"x"_s, QString(), nullptr);
        record->setBytesTotal(1000);
        record->setLastReportedPercentage(0.5f);
        QList<bool> posted;
        for (quint64 sent : {501, 502, 503, 1000}) {
            m_posted.clear();
            record->setBytesSent(sent);
            record->setStatus(UploadStatusProgress, u"UploadProgress"_s, false);
            posted.append(!m_posted.isEmpty());
        }
        QCOMPARE(posted, (QList<bool>{false, false, true, true}));

        // Failures and endings always go out, whatever the fraction.
        record->setBytesSent(501);
        m_posted.clear();
        record->setStatus(UploadStatusProgress, u"UploadProgress"_s, true, u"bad"_s);
        record->setStatus(UploadStatusEnd, u"UploadStatus"_s, false);
        record->setStatus(UploadStatusCancelled, u"CancelUpload"_s, false);
        QCOMPARE(m_posted.size(), 3);
        QCOMPARE(m_posted.first().second, record);

        // Nothing drawn yet, or no total known: every report goes out.
        record->setLastReportedPercentage(0);
        m_posted.clear();
        record->setStatus(UploadStatusProgress, u"UploadProgress"_s, false);
        record->setBytesTotal(0);
        record->setLastReportedPercentage(0.5f);
        record->setStatus(UploadStatusProgress, u"UploadProgress"_s, false);
        QCOMPARE(m_posted.size(), 2);
    }

    // A completion sets the figures and posts the pending count too; a failure keeps the last reason
    // it was given; a success with a description keeps the text.
    void outcomes()
    {
        const auto record = UploadStatus::initWithCreateFolder(u"x"_s, QString(), nullptr);
        record->setStatus(UploadStatusEnd, true, 400, 500, true, QString());
        QCOMPARE(record->numBytesSent(), quint64(400));
        QCOMPARE(record->numBytesTotal(), quint64(500));
        QVERIFY(record->bPending() && record->bSucceeded());
        QCOMPARE(postedCount(NotificationNames::UploadEventStatusUpdate), 1);
        QCOMPARE(m_posted.last().first, NotificationNames::UploadEventQueuePendingUpdate);

        record->setStatus(UploadStatusFailed, false, 10, 500, false, u"File transfer error"_s);
        QVERIFY(!record->bSucceeded() && !record->bPending());
        QCOMPARE(postedCount(NotificationNames::UploadEventQueuePendingUpdate), 2);
        record->setStatus(UploadStatusFailed, u"A"_s, true);
        QCOMPARE(record->error(), u"File transfer error"_s);
        record->setStatus(UploadStatusEnd, u"CreateFolderStart"_s, false, u"Exists"_s);
        QVERIFY(record->bSucceeded());
        QCOMPARE(record->error(), u"Exists"_s);
    }

    // The size is read from the file when the record is made; the destination is found in the album
    // registry, and forgotten when the registry loses it.
    void prepareToUploadFindsTheAlbum()
    {
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir.filePath(u"photo one.jpg"_s), QByteArray(1234, 'x'));
        commsGlobals globals;
        auto album = std::make_shared<soapRemoteFolderItem>();
        QVERIFY(
            album->deserialise({{u"m_nAlbumID"_s, 5}, {u"m_nParentID"_s, 0}, {u"m_strName"_s, u"Photos"_s}}));
        const auto record = UploadStatus::initWithFile(QUrl::fromLocalFile(path), u"Photos"_s, nullptr);
        QCOMPARE(record->numBytesTotal(), quint64(1234));
        QCOMPARE(record->strFilename(), u"photo one.jpg"_s);
        QVERIFY(record->prepareToUpload());
        QCOMPARE(record->remoteFolder(), soapRemoteBasePtr(album));
        globals.registry().deleteRemoteAlbumNamed(u"Photos"_s);
        QVERIFY(!record->prepareToUpload());
        QCOMPARE(record->remoteFolder(), nullptr);
        // The top level is found too: albums are created there.
        QVERIFY(UploadStatus::initWithCreateFolder(u"New"_s, QString(), nullptr)->prepareToUpload());
        QVERIFY(m_posted.isEmpty());
    }
};

VENDRA_TEST_MAIN(TestUploadStatus)
#include "tst_uploadstatus.moc"
