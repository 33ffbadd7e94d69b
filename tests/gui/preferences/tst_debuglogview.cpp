#include "preferences/PreferencesDebugLogView.h"

#include "GuiTest.h"
#include "TestFiles.h"
#include "app/UrlRecorder.h"
#include "diagnostics/CrashHandler.h"
#include "preferences/DebugLogLines.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

class TestDebugLogView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString path(const QString &name) const { return m_folder->filePath(name); }

    // Appends from another process, as the program's log capture does.
    static void appendFromOutside(const QString &file, const QString &line)
    {
        QProcess shell;
        shell.start(u"sh"_s, {u"-c"_s, u"printf '%s\\n' \"$1\" >> \"$2\""_s, u"sh"_s, line, file});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(shell.exitCode(), 0);
    }

    static QString shown(const PreferencesDebugLogView &view) { return view.logView()->toPlainText(); }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    void linesLoseTheirPrefixUpToTheFirstClosingBracket()
    {
        QCOMPARE(DebugLogLines::withoutPrefix(u"2026-12-07 09:00:01 vendra[41:7] Logging Started"_s),
                 u"Logging Started"_s);
        // Our own lines carry no prefix: a bracket in the message is the message's.
        QCOMPARE(DebugLogLines::withoutPrefix(u"<Upload.cpp:(12)> Sent [3] files"_s),
                 u"<Upload.cpp:(12)> Sent [3] files"_s);

        // A line or a character cut by the end of a read waits for the rest.
        DebugLogLines lines;
        const QByteArray accented = u"Caf\u00e9 open"_s.toUtf8();
        const qsizetype cut = accented.indexOf('f') + 2; // inside the two bytes of the accent
        QCOMPARE(lines.take("first\nsec"), u"first\n"_s);
        QCOMPARE(lines.take("ond\n" + accented.left(cut)), u"second\n"_s);
        QCOMPARE(lines.take(accented.mid(cut) + "\n\n"), u"Caf\u00e9 open\n\n"_s);
    }

    // The newer of two log files is shown, and followed as another process appends to it.
    void theNewerOfTwoLogFilesIsShown()
    {
        TestFiles::write(path(u"800000000.000000.log"_s), "x] older run\n");
        TestFiles::write(path(u"700000000.000000.log"_s), "x] newer run\nwhole line\n");
        // Newer by its time, not its name.
        QFile older(path(u"800000000.000000.log"_s));
        QVERIFY(older.open(QIODevice::ReadWrite) &&
                older.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));

        PreferencesDebugLogView view(m_folder->path());
        QCOMPARE(view.filePath(), path(u"700000000.000000.log"_s));
        view.viewWillMoveToSuperview();
        QCOMPARE(shown(view), u"newer run\nwhole line\n"_s);
        appendFromOutside(path(u"700000000.000000.log"_s), u"12:01 vendra[5:6] addition"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shown(view), u"newer run\nwhole line\naddition\n"_s, 2000);
    }

    void withoutALogFileNothingShowsUntilOneIsWritten()
    {
        PreferencesDebugLogView view(m_folder->path());
        QCOMPARE(view.filePath(), path(u"0.log"_s));
        view.viewWillMoveToSuperview();
        QCOMPARE(shown(view), QString());
        appendFromOutside(path(u"0.log"_s), u"late] arrival"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shown(view), u"arrival\n"_s, 2000);
        // Showing the pane again does not read the file a second time.
        view.viewWillMoveToSuperview();
        appendFromOutside(path(u"0.log"_s), u"second without a prefix"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shown(view), u"arrival\nsecond without a prefix\n"_s, 2000);

        // A report ends with a message naming its file, on the Desktop of the throw-away home.
        const QString desktop = CrashHandler::desktopFolder();
        QVERIFY(desktop.startsWith(QDir::homePath()));
        QDir(desktop).removeRecursively();
        QVERIFY(CrashHandler::init());
        view.show();
        UrlRecorder recorder;
        recorder.install();
        view.zipButton()->click();
        QMessageBox *message = view.findChild<QMessageBox *>();
        QVERIFY(message && message->isVisible());
        const QString named = message->text();
        // Opening the folder answers the message.
        message->findChild<QPushButton *>(u"showFolderButton"_s)->click();
        QTRY_VERIFY(!view.findChild<QMessageBox *>());
        CrashHandler::close();
        const QStringList zips = QDir(desktop).entryList({u"*.zip"_s}, QDir::Files);
        QVERIFY(zips.size() == 1 && named.contains(zips[0]));
        QCOMPARE(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(desktop)});
    }
};

VENDRA_GUI_TEST_MAIN(TestDebugLogView)
#include "tst_debuglogview.moc"
