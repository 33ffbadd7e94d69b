#include "upload/UploadStatus.h"

#include "albums/soapRemoteFolderItem.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

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

    // The size is read from the file when the record is made; a missing file counts as empty.
    void constructionReadsTheFileSize()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"photo one.jpg"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(1234, 'x')), 1234);
        file.close();

        const auto upload = UploadStatus::initWithFile(QUrl::fromLocalFile(path), u"A/B"_s, nullptr);
        QCOMPARE(upload->numBytesTotal(), quint64(1234));
        QCOMPARE(upload->strFilename(), u"photo one.jpg"_s);
        const auto missing =
            UploadStatus::initWithFile(QUrl::fromLocalFile(dir.filePath(u"none"_s)), u"A"_s, nullptr);
        QCOMPARE(missing->numBytesTotal(), quint64(0));
        QVERIFY(m_posted.isEmpty());
    }

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

    void errorTextFollowsDescriptions()
    {
        const auto record = UploadStatus::initWithCreateFolder(u"x"_s, QString(), nullptr);
        record->setStatus(UploadStatusFailed, u"A"_s, true, u"Broken"_s);
        QCOMPARE(record->error(), u"Broken"_s);
        QVERIFY(!record->bSucceeded());
        record->setStatus(UploadStatusFailed, u"A"_s, true, u"BROKEN"_s);
        QCOMPARE(record->error(), u"BROKEN"_s);
        record->setStatus(UploadStatusFailed, u"A"_s, true);
        QCOMPARE(record->error(), u"BROKEN"_s);
        // A success with a description keeps the text while it counts as succeeded.
        record->setStatus(UploadStatusEnd, u"CreateFolderStart"_s, false, u"Exists"_s);
        QVERIFY(record->bSucceeded());
        QCOMPARE(record->status(), UploadStatusEnd);
        QCOMPARE(record->error(), u"Exists"_s);
    }

    void completionSetsFiguresAndPostsPending()
    {
        const auto record = UploadStatus::initWithCreateFolder(u"x"_s, QString(), nullptr);
        record->setStatus(UploadStatusEnd, true, 400, 500, true, QString());
        QCOMPARE(record->numBytesSent(), quint64(400));
        QCOMPARE(record->numBytesTotal(), quint64(500));
        QVERIFY(record->bPending());
        QVERIFY(record->bSucceeded());
        QCOMPARE(postedCount(NotificationNames::UploadEventStatusUpdate), 1);
        QCOMPARE(postedCount(NotificationNames::UploadEventQueuePendingUpdate), 1);
        QCOMPARE(m_posted.last().first, NotificationNames::UploadEventQueuePendingUpdate);

        record->setStatus(UploadStatusFailed, false, 10, 500, false, u"File transfer error"_s);
        QVERIFY(!record->bSucceeded());
        QVERIFY(!record->bPending());
        QCOMPARE(record->error(), u"File transfer error"_s);
        QCOMPARE(postedCount(NotificationNames::UploadEventQueuePendingUpdate), 2);
    }

    // The destination is found in the album registry, and forgotten when the registry loses it.
    void prepareToUploadFindsTheAlbum()
    {
        commsGlobals globals;
        auto album = std::make_shared<soapRemoteFolderItem>();
        QVERIFY(
            album->deserialise({{u"m_nAlbumID"_s, 5}, {u"m_nParentID"_s, 0}, {u"m_strName"_s, u"Photos"_s}}));
        const auto record =
            UploadStatus::initWithFile(QUrl::fromLocalFile(u"/tmp/x"_s), u"Photos"_s, nullptr);
        QVERIFY(record->prepareToUpload());
        QCOMPARE(record->remoteFolder(), soapRemoteBasePtr(album));
        globals.registry().deleteRemoteAlbumNamed(u"Photos"_s);
        QVERIFY(!record->prepareToUpload());
        QCOMPARE(record->remoteFolder(), nullptr);
        // The top level is found too: albums are created there.
        const auto create = UploadStatus::initWithCreateFolder(u"New"_s, QString(), nullptr);
        QVERIFY(create->prepareToUpload());
    }
};

VENDRA_TEST_MAIN(TestUploadStatus)
#include "tst_uploadstatus.moc"
