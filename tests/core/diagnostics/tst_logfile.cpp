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

    QString folder() const { return m_state->filePath(QStringLiteral("Halvane-ZRM")); }

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
            names.append(QStringLiteral("old%1.log").arg(i, 2, 10, QLatin1Char('0')));
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
        QCOMPARE(LogFile::logFolder(), QDir::homePath() + QStringLiteral("/.local/state/Halvane-ZRM"));
    }

    void tenOldFilesAreAllKept()
    {
        makeOldFiles(logNames(10));
        {
            LogFile log;
            QVERIFY(log.isCapturing());
            QVERIFY(QFileInfo(log.fileName()).absolutePath() == folder());
        }
        QCOMPARE(LogFile::contentsOfDirectoryAtPathByModDate(folder(), QStringLiteral("log")).size(), 11);
    }

    void twelveOldFilesLoseTheThreeOldest()
    {
        const QStringList old = logNames(12);
        makeOldFiles(old);
        makeOldFiles({QStringLiteral("notes.txt"), QStringLiteral("UPPER.LOG"), QStringLiteral("older.Log")});
        QVERIFY(QDir(folder()).mkdir(QStringLiteral("folder.log")));
        QString newFile;
        {
            LogFile log;
            newFile = QFileInfo(log.fileName()).fileName();
        }
        const QList<LogFile::Entry> logs =
            LogFile::contentsOfDirectoryAtPathByModDate(folder(), QStringLiteral("log"));
        QCOMPARE(logs.size(), 10);
        QCOMPARE(logs.first().file, newFile);
        for (qsizetype i = 0; i < 9; ++i)
            QCOMPARE(logs.at(i + 1).file, old.at(i));
        // Other extensions, other cases and folders are neither counted nor touched.
        const QStringList remaining = filesInFolder();
        for (const QString &kept : {QStringLiteral("notes.txt"), QStringLiteral("UPPER.LOG"),
                                    QStringLiteral("older.Log"), QStringLiteral("folder.log")})
            QVERIFY2(remaining.contains(kept), qPrintable(kept));
        for (const QString &gone : {old.at(9), old.at(10), old.at(11)})
            QVERIFY2(!remaining.contains(gone), qPrintable(gone));
    }

    void listingIsNewestFirstAndMissingFoldersGiveNothing()
    {
        makeOldFiles({QStringLiteral("b.log"), QStringLiteral("a.log"), QStringLiteral("c.log")});
        const QList<LogFile::Entry> logs =
            LogFile::contentsOfDirectoryAtPathByModDate(folder(), QStringLiteral("log"));
        QCOMPARE(logs.size(), 3);
        QCOMPARE(logs.at(0).file, QStringLiteral("b.log"));
        QCOMPARE(logs.at(2).file, QStringLiteral("c.log"));
        QVERIFY(LogFile::lastModifiedSort(logs.at(0), logs.at(1)));
        QVERIFY(!LogFile::lastModifiedSort(logs.at(1), logs.at(0)));
        QVERIFY(LogFile::contentsOfDirectoryAtPathByModDate(m_state->filePath(QStringLiteral("none")),
                                                            QStringLiteral("log"))
                    .isEmpty());
    }

    void theFileNameCountsSecondsSince2001()
    {
        LogFile log;
        const QString name = QFileInfo(log.fileName()).fileName();
        QVERIFY(name.endsWith(QStringLiteral(".log")));
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
            writePlainLine(QStringLiteral("written as a plain line"));
            log.start(); // already capturing: no second start line
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(u'<'));
        QVERIFY(text.section(u'\n', 0, 0).contains(QStringLiteral("Logging Started : ")));
        QVERIFY(text.contains(QStringLiteral("written with stdio")));
        QVERIFY(text.contains(QStringLiteral("written as a plain line")));
        QCOMPARE(text.count(QStringLiteral("Logging Started")), 1);
        QVERIFY(text.indexOf(QStringLiteral("Logging Stopped : ")) >
                text.indexOf(QStringLiteral("written as a plain line")));
        QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void aLineAfterStopGoesToThePreviousStandardError()
    {
        QProcess probe;
        probe.start(QStringLiteral(RUN_PROBE_PATH), {QStringLiteral("capture")});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QString stderrText = QString::fromUtf8(probe.readAllStandardError());
        const QString path = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
        QVERIFY(stderrText.contains(QStringLiteral("line after stop")));
        QVERIFY(!stderrText.contains(QStringLiteral("line while capturing")));
        QVERIFY(path.startsWith(folder()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QStringLiteral("line while capturing")));
        QVERIFY(text.contains(QStringLiteral("Logging Stopped")));
        QVERIFY(!text.contains(QStringLiteral("line after stop")));
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
