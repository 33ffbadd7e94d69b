#include "diagnostics/LogFile.h"

#include "diagnostics/DiagnosticLine.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
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
        const QDateTime now = QDateTime::currentDateTime();
        for (qsizetype i = 0; i < names.size(); ++i) {
            QFile file(TestFiles::write(folder() + u'/' + names.at(i), "old\n"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(now.addSecs(-3600 * (i + 1)), QFileDevice::FileModificationTime));
        }
    }

private Q_SLOTS:
    void init()
    {
        m_state = std::make_unique<QTemporaryDir>();
        QVERIFY(m_state->isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state->path()));
    }

    // Above ten old files, the oldest go.
    void oldFilesArePrunedAboveTen()
    {
        QStringList old;
        for (int i = 0; i < 12; ++i)
            old.append(u"old%1.log"_s.arg(i, 2, 10, QLatin1Char('0')));
        makeOldFiles(old);
        // Other extensions, other cases and folders are neither counted nor touched.
        const QStringList others{u"notes.txt"_s, u"UPPER.LOG"_s, u"older.Log"_s};
        makeOldFiles(others);
        QVERIFY(QDir(folder()).mkdir(u"folder.log"_s));
        const QString newFile = QFileInfo(LogFile().fileName()).fileName();
        QStringList logs;
        for (const LogFile::Entry &entry : LogFile::contentsOfDirectoryAtPathByModDate(folder(), u"log"_s))
            logs.append(entry.file);
        QCOMPARE(logs, QStringList{newFile} + old.mid(0, 9)); // newest first
        const QStringList remaining = QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString &kept : others + QStringList{u"folder.log"_s})
            QVERIFY2(remaining.contains(kept), qPrintable(kept));
    }

    // Captured lines go into the file; after the stop they go to the standard error of before.
    void capturedLinesGoIntoTheFileUntilTheStop()
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
        const QString text = QString::fromUtf8(TestFiles::read(path));
        // Date and time to the millisecond, the program and its process, then the source line.
        const QRegularExpression line(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "
                                      u"core-diagnostics-run-probe\\[\\d+\\] "
                                      u"<run_probe\\.cpp:\\(\\d+\\)> line while capturing$"_s,
                                      QRegularExpression::MultilineOption);
        QVERIFY2(line.match(text).hasMatch(), qPrintable(text));
        QVERIFY(!text.contains(u"line after stop"_s));
        // What else goes to standard error is captured as well, and the file is the user's alone.
        QVERIFY(text.section(u'\n', 0, 0).contains(u"Logging Started : "_s));
        QCOMPARE(text.count(u"Logging Started"_s), 1);
        QVERIFY(text.contains(u"written with stdio"_s));
        QVERIFY(text.indexOf(u"Logging Stopped : "_s) > text.indexOf(u"written as a plain line"_s));
        QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    // A plain file where the folder should be: neither it nor standard error may be harmed. A
    // relative state folder is not a valid one: the default under home is used instead.
    void anUnusableFolderIsLeftAlone()
    {
        TestFiles::write(folder(), "not a folder");
        LogFile log;
        QVERIFY(!log.isCapturing());
        QCOMPARE(TestFiles::read(folder()), QByteArray("not a folder"));
        qputenv("XDG_STATE_HOME", "relative/path");
        QCOMPARE(LogFile::logFolder(), QDir::homePath() + u"/.local/state/Halvane-ZRM"_s);
    }
};

VENDRA_TEST_MAIN(TestLogFile)
#include "tst_logfile.moc"
