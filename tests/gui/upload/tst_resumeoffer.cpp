#include "app/MainWindow.h"

#include "GuiTest.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "TypeSignIn.h"
#include "albums/remoteFileBrowserHelper.h"
#include "app/VendraUploaderAppDelegate.h"
#include "controls/NSAlertAttributed.h"
#include "session/commsGlobals.h"
#include "upload/UploadJournal.h"
#include "upload/UploadQueue.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <signal.h>

namespace {

const char *const ChildJournal = "VENDRA_TEST_CHILD_JOURNAL";
const char *const ChildServer = "VENDRA_TEST_CHILD_SERVER";
const char *const ChildTree = "VENDRA_TEST_CHILD_TREE";
constexpr int FileCount = 300;

} // namespace

// The desktop program killed in the middle of a 300-file tree: at the next start, after signing
// in to the same server and user, it offers to resume, and resuming leaves every file on the server
// exactly once and byte for byte. The program that is killed is this test run again as a child.
class TestResumeOffer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    static void launchAndSignIn(VendraUploaderAppDelegate &delegate, const QString &journal,
                                const QString &host, int port)
    {
        delegate.setUploadJournalPath(journal);
        delegate.applicationDidFinishLaunching();
        typeSignIn(*delegate.loginWindow(), host, quint16(port), false, u"demo"_s, u"demo"_s);
    }

    static int uploadsLogged(const QString &log)
    {
        return int(TestFiles::read(log).count("/soapfileupload.hvxr"));
    }

private Q_SLOTS:
    // The child's part: sign in, drop the tree onto Family, and upload until killed.
    void childUploadsUntilKilled()
    {
        if (!qEnvironmentVariableIsSet(ChildJournal))
            QSKIP("run by killedProgramIsResumedAtNextStart only");
        const QUrl server(qEnvironmentVariable(ChildServer));
        VendraUploaderAppDelegate delegate;
        launchAndSignIn(delegate, qEnvironmentVariable(ChildJournal), server.host(), server.port());
        QTRY_VERIFY_WITH_TIMEOUT(delegate.mainWindow() && delegate.mainWindow()->toolbarActive(), 30000);
        remoteFileBrowserHelper &helper = commsGlobal->remoteBrowserHelper();
        QVERIFY(helper.uploadFiles(
            {QUrl::fromLocalFile(qEnvironmentVariable(ChildTree))},
            helper.indexForNode(commsGlobal->registry().findRemoteAlbumByName(u"Family"_s).get())));
        QTest::qWait(300000);
        QFAIL("not killed");
    }

    void killedProgramIsResumedAtNextStart()
    {
        ReferenceServer server;
        ReferenceServer::Options options;
        options.logFile = m_work.filePath(u"server.log"_s);
        options.arguments = {u"--auto-approve"_s, u"--fault"_s, u"upload-delay=15"_s};
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        QMap<QString, QByteArray> made;
        const QString tree = m_work.filePath(u"Trip"_s);
        for (int i = 0; i < FileCount; ++i) {
            const QString relative = u"Trip/part%1/file%2.bin"_s.arg(i % 3).arg(i, 3, 10, QLatin1Char('0'));
            made.insert(relative, TestFiles::randomBytes(1500 + i, quint32(i + 7)));
            TestFiles::write(m_work.filePath(relative), made.value(relative));
        }
        const QString journal = m_work.filePath(u"state/upload-queue.journal"_s);

        QProcess child;
        qputenv(ChildJournal, journal.toUtf8());
        qputenv(ChildServer, server.baseUrl().toEncoded());
        qputenv(ChildTree, tree.toUtf8());
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {u"childUploadsUntilKilled"_s});
        QTRY_VERIFY_WITH_TIMEOUT(uploadsLogged(options.logFile) >= 80, 90000);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QVERIFY2(uploadsLogged(options.logFile) < FileCount, "the upload ended before the kill");

        VendraUploaderAppDelegate delegate;
        launchAndSignIn(delegate, journal, server.host(), server.port());
        QTRY_VERIFY_WITH_TIMEOUT(delegate.mainWindow() && delegate.mainWindow()->currentSheet(), 30000);
        NSAlertAttributed *offer = delegate.mainWindow()->currentSheet();
        const QString message = offer->titleView()->text();
        const int left = message.section(u' ', 0, 0).toInt();
        QVERIFY2(message.contains(u"files from your last session were not uploaded."_s) && left > 0 &&
                     left <= FileCount,
                 qPrintable(message));
        QCOMPARE(offer->defaultButton()->text(), u"Resume"_s);
        QCOMPARE(offer->otherButton()->text(), u"Discard"_s);
        if (const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(windowWithDialogs(delegate.mainWindow()->window()).save(folder + u"/resume-offer.png"_s));
        offer->defaultButton()->click();

        UploadQueue &queue = commsGlobal->uploadQueue();
        QTRY_VERIFY_WITH_TIMEOUT(queue.numUploadsInProgressOrWaiting() > 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(queue.numUploadsInProgressOrWaiting(), 0u, 120000);
        // Every file exactly once, byte for byte, and nothing else.
        QCOMPARE(TestFiles::filesBelow(server.albumFilePath(u"demo"_s, u"Family"_s, QString())), made);
        QVERIFY(delegate.uploadJournal()->unfinished(UploadJournal::currentAccount()).isEmpty());
    }
};

VENDRA_GUI_TEST_MAIN(TestResumeOffer)
#include "tst_resumeoffer.moc"
