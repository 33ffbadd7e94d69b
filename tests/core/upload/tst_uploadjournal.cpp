#include "upload/UploadJournal.h"

#include "TestFiles.h"
#include "VendraTest.h"
#include "session/commsGlobals.h"

#include <QTemporaryDir>

#include <memory>

// The journal as a later run reads it; resuming from it is tested end to end by the command line.
class TestUploadJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static UploadStatusPtr file(const QString &name, const QString &album)
    {
        return UploadStatus::initWithFile(QUrl::fromLocalFile(u"/p/"_s + name), album, nullptr);
    }

    static QStringList filesOf(const QList<UploadJournal::Entry> &entries)
    {
        QStringList files;
        for (const UploadJournal::Entry &entry : entries)
            files << (entry.type == UploadCommandFile ? entry.localFile : u"album:"_s + entry.albumName);
        return files;
    }

private Q_SLOTS:
    // What ended is gone at the next open, what did not is left, per account; this run's own
    // commands are never offered as left by an earlier one; a torn last line is ignored.
    void laterRunsSeeWhatNeverEnded()
    {
        commsGlobals globals;
        globals.setUserName(u"alice"_s);
        const QString path = m_dir.filePath(u"state/one.journal"_s);
        const UploadStatusPtr done = file(u"done.jpg"_s, u"A"_s);
        const UploadStatusPtr left = file(u"left.jpg"_s, u"A/B"_s);
        const UploadStatusPtr album = UploadStatus::initWithCreateFolder(u"B"_s, u"A"_s, nullptr);
        {
            UploadJournal journal(path);
            QVERIFY2(journal.errorString().isEmpty(), qPrintable(journal.errorString()));
            for (const UploadStatusPtr &record : {album, done, left})
                QVERIFY(journal.commandAdded(*record));
            journal.commandEnded(*done);
            QCOMPARE(filesOf(journal.unfinished(UploadJournal::currentAccount())),
                     QStringList({u"album:B"_s, u"/p/left.jpg"_s}));
            QVERIFY(journal.leftByEarlierRuns(UploadJournal::currentAccount()).isEmpty());
        }
        // The process died while writing a line.
        TestFiles::write(path,
                         TestFiles::read(path) + "{\"op\":\"add\",\"id\":\"x-1\",\"type\":0,\"account\":\"");
        globals.setUserName(u"bob"_s);
        {
            UploadJournal journal(path);
            QVERIFY(journal.leftByEarlierRuns(UploadJournal::currentAccount()).isEmpty());
            QVERIFY(journal.commandAdded(*file(u"bob.jpg"_s, u"C"_s)));
        }
        globals.setUserName(u"alice"_s);
        {
            UploadJournal journal(path);
            const QList<UploadJournal::Entry> alices =
                journal.leftByEarlierRuns(UploadJournal::currentAccount());
            QCOMPARE(filesOf(alices), QStringList({u"album:B"_s, u"/p/left.jpg"_s}));
            // Only whole lines after a rewrite: the torn one is gone.
            const QByteArray all = TestFiles::read(path);
            QVERIFY(all.endsWith('\n') && all.count('\n') == 3);
            journal.markEnded(alices);
        }
        UploadJournal reopened(path);
        QVERIFY(reopened.unfinished(UploadJournal::currentAccount()).isEmpty());
        globals.setUserName(u"bob"_s);
        QCOMPARE(reopened.leftByEarlierRuns(UploadJournal::currentAccount()).size(), 1);
    }

    // Two runs at once: the second neither rewrites the file under the first nor offers what the
    // first is still sending; both runs' lines are there for the next one.
    void secondRunBesideTheFirstOnlyAppends()
    {
        commsGlobals globals;
        globals.setUserName(u"carol"_s);
        const QString path = m_dir.filePath(u"state/two.journal"_s);
        const UploadStatusPtr first = file(u"first.jpg"_s, u"A"_s);
        const UploadStatusPtr second = file(u"second.jpg"_s, u"A"_s);
        {
            auto running = std::make_unique<UploadJournal>(path);
            QVERIFY(running->commandAdded(*first));
            UploadJournal beside(path);
            QVERIFY(beside.leftByEarlierRuns(UploadJournal::currentAccount()).isEmpty());
            QVERIFY(beside.commandAdded(*second));
            const UploadStatusPtr later = file(u"later.jpg"_s, u"A"_s);
            QVERIFY(running->commandAdded(*later));
            running->commandEnded(*later);
        }
        UploadJournal next(path);
        QCOMPARE(filesOf(next.leftByEarlierRuns(UploadJournal::currentAccount())),
                 QStringList({u"/p/first.jpg"_s, u"/p/second.jpg"_s}));
    }

    // A journal that cannot be written says so and loses nothing it was given.
    void unwritableFolderIsReported()
    {
        TestFiles::write(m_dir.filePath(u"blocker"_s), {});
        UploadJournal journal(m_dir.filePath(u"blocker/sub/x.journal"_s));
        QVERIFY(!journal.errorString().isEmpty());
        const UploadStatusPtr record = file(u"x.jpg"_s, u"A"_s);
        QVERIFY(!journal.commandAdded(*record));
    }
};

VENDRA_TEST_MAIN(TestUploadJournal)
#include "tst_uploadjournal.moc"
