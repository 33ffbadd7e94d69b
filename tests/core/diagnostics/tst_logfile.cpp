#include "diagnostics/LogFile.h"

#include "diagnostics/DiagnosticLine.h"

#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

class TestLogFile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_state;

    QString folder() const { return m_state->filePath(u"Halvane-ZRM"_s); }

    // Old files, the first one newest, each an hour older than the one before.
    void makeOldFiles(const QStringList &names)
    {
        QVERIFY(QDir().mkpath(folder()));
        const QDateTime now = QDateTime::currentDateTime();
        for (qsizetype i = 0; i < names.size(); ++i) {
            QFile file(folder() + u'/' + names.at(i));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old\n");
            QVERIFY(file.flush()); // a later flush would set the time again
            QVERIFY(file.setFileTime(now.addSecs(-3600 * (i + 1)), QFileDevice::FileModificationTime));
        }
    }

    QStringList logNames(int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i)
            names.append(u"old%1.log"_s.arg(i, 2, 10, QLatin1Char('0')));
        return names;
    }

    QStringList filesInFolder() const
    {
        return QDir(folder()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

private Q_SLOTS:
    void init()
    {
        m_state = std::make_unique<QTemporaryDir>();
        QVERIFY(m_state->isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state->path()));
    }

    void theFolderIsInTheUsersStateFolder()
    {
        QCOMPARE(LogFile::logFolder(), folder());
        qputenv("XDG_STATE_HOME", "relative/path");
        QCOMPARE(LogFile::logFolder(), QDir::homePath() + u"/.local/state/Halvane-ZRM"_s);
    }

    void tenOldFilesAreAllKept()
    {
        makeOldFiles(logNames(10));
        {
            LogFile log;
            QVERIFY(log.isCapturing());
            QVERIFY(QFileInfo(log.fileName()).absolutePath() == folder());
        }
        QCOMPARE(LogFile::contentsOfDirectoryAtPathByModDate(folder(), u"log"_s).size(), 11);
    }

    void twelveOldFilesLoseTheThreeOldest()
    {
        const QStringList old = logNames(12);
        makeOldFiles(old);
        makeOldFiles({u"notes.txt"_s, u"UPPER.LOG"_s, u"older.Log"_s});
        QVERIFY(QDir(folder()).mkdir(u"folder.log"_s));
        QString newFile;
        {
            LogFile log;
            newFile = QFileInfo(log.fileName()).fileName();
        }
        const QList<LogFile::Entry> logs = LogFile::contentsOfDirectoryAtPathByModDate(folder(), u"log"_s);
        QCOMPARE(logs.size(), 10);
        QCOMPARE(logs.first().file, newFile);
        for (qsizetype i = 0; i < 9; ++i)
            QCOMPARE(logs.at(i + 1).file, old.at(i));
        // Other extensions, other cases and folders are neither counted nor touched.
        const QStringList remaining = filesInFolder();
        for (const QString &kept : {u"notes.txt"_s, u"UPPER.LOG"_s, u"older.Log"_s, u"folder.log"_s})
            QVERIFY2(remaining.contains(kept), qPrintable(kept));
        for (const QString &gone : {old.at(9), old.at(10), old.at(11)})
            QVERIFY2(!remaining.contains(gone), qPrintable(gone));
    }

    void listingIsNewestFirstAndMissingFoldersGiveNothing()
    {
        makeOldFiles({u"b.log"_s, u"a.log"_s, u"c.log"_s});
        const QList<LogFile::Entry> logs = LogFile::contentsOfDirectoryAtPathByModDate(folder(), u"log"_s);
        QCOMPARE(logs.size(), 3);
        QCOMPARE(logs.at(0).file, u"b.log"_s);
        QCOMPARE(logs.at(2).file, u"c.log"_s);
        QVERIFY(LogFile::lastModifiedSort(logs.at(0), logs.at(1)));
        QVERIFY(!LogFile::lastModifiedSort(logs.at(1), logs.at(0)));
        QVERIFY(
            LogFile::contentsOfDirectoryAtPathByModDate(m_state->filePath(u"none"_s), u"log"_s).isEmpty());
    }

    void theFileNameCountsSecondsSince2001()
    {
        LogFile log;
        const QString name = QFileInfo(log.fileName()).fileName();
        QVERIFY(name.endsWith(u".log"_s));
        bool ok = false;
        const double seconds = name.chopped(4).toDouble(&ok);
        QVERIFY(ok);
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QVERIFY(qAbs(reference.secsTo(QDateTime::currentDateTimeUtc()) - seconds) < 3600);
        QCOMPARE(name.section(u'.', 1, 1).size(), 6); // "%f": six decimals
    }

    void everythingOnStandardErrorGoesIntoTheFile()
    {
        QString path;
        {
            LogFile log;
            path = log.fileName();
            std::fputs("written with stdio\n", stderr);
            writePlainLine(u"written as a plain line"_s);
            log.start(); // already capturing: no second start line
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(u'<'));
        QVERIFY(text.section(u'\n', 0, 0).contains(u"Logging Started : "_s));
        QVERIFY(text.contains(u"written with stdio"_s));
        QVERIFY(text.contains(u"written as a plain line"_s));
        QCOMPARE(text.count(u"Logging Started"_s), 1);
        QVERIFY(text.indexOf(u"Logging Stopped : "_s) > text.indexOf(u"written as a plain line"_s));
        QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void aLineAfterStopGoesToThePreviousStandardError()
    {
        QProcess probe;
        probe.start(QStringLiteral(RUN_PROBE_PATH), {u"capture"_s});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QString stderrText = QString::fromUtf8(probe.readAllStandardError());
        const QString path = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
        QVERIFY(stderrText.contains(u"line after stop"_s));
        QVERIFY(!stderrText.contains(u"line while capturing"_s));
        QVERIFY(path.startsWith(folder()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(u"line while capturing"_s));
        QVERIFY(text.contains(u"Logging Stopped"_s));
        QVERIFY(!text.contains(u"line after stop"_s));
    }

    void anUnwritableFolderLeavesStandardErrorAlone()
    {
        // A plain file where the folder should be: neither it nor standard error may be harmed.
        QFile blocker(folder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
        blocker.close();
        LogFile log;
        QVERIFY(!log.isCapturing());
        QVERIFY(QFileInfo(folder()).isFile());
        QCOMPARE(QFileInfo(folder()).size(), 12);
    }
};

VENDRA_TEST_MAIN(TestLogFile)
#include "tst_logfile.moc"
