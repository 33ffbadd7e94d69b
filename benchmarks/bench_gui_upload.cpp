// A tree of 2,000 files of 20 KB dropped onto the album Holidays through the album pane's model,
// as a drop from a file manager arrives, with the main window open offscreen and signed in to
// vendra-server on loopback; then the same tree uploaded by vendra-cli into the album Family.
// Both copies are checked on the server's storage folder, byte for byte. While the window uploads,
// a 10 ms timer on the main thread records the longest gap between its ticks (the longest time the
// window could not answer); the peak resident memory is this process's, which is the desktop
// program's whole engine and window. Last line:
// "gui/cli time ratio: X, main-thread max stall ms: Y, gui peak RSS MiB: Z".
#include "albums/remoteFileBrowserHelper.h"
#include "app/MainWindow.h"
#include "app/VendraUploaderAppDelegate.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "upload/UploadQueue.h"

#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TypeSignIn.h"
#include "VendraTest.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr int TopFolders = 10;
constexpr int SubFolders = 10;
constexpr int FilesPerFolder = 20;
constexpr int FileCount = TopFolders * SubFolders * FilesPerFolder;
constexpr qint64 FileSize = 20 * 1024;
constexpr int TickMs = 10;
constexpr int UploadTimeoutMs = 30 * 60 * 1000;

using Tree = std::map<QString, QByteArray>; // relative path -> contents

[[noreturn]] void fail(const QString &message)
{
    qFatal("bench-gui-upload: %s", qPrintable(message));
}

// Every file a different content, so that a file stored under another's name shows.
Tree makeTree(const QString &root)
{
    Tree tree;
    for (int top = 0; top < TopFolders; ++top) {
        for (int sub = 0; sub < SubFolders; ++sub) {
            const QString folder = QStringLiteral("set %1/day %2").arg(top, 2, 10, QLatin1Char('0')).arg(sub);
            if (!QDir().mkpath(root + u'/' + folder))
                fail(QStringLiteral("cannot make %1").arg(folder));
            for (int i = 0; i < FilesPerFolder; ++i) {
                const QString path = folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
                QByteArray bytes(FileSize, char(i));
                const QByteArray stamp = path.toUtf8();
                bytes.replace(0, stamp.size(), stamp);
                QFile file(root + u'/' + path);
                if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != FileSize)
                    fail(QStringLiteral("cannot write %1").arg(path));
                tree.emplace(path, bytes);
            }
        }
    }
    return tree;
}

// The stored copy of the tree below an album folder must hold exactly the same files.
void verifyStored(const QString &storedRoot, const Tree &expected, const char *who)
{
    qsizetype found = 0;
    QDirIterator it(storedRoot, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(storedRoot).relativeFilePath(path);
        const auto wanted = expected.find(relative);
        if (wanted == expected.end())
            fail(QStringLiteral("%1: unexpected file on the server: %2").arg(QLatin1String(who), relative));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != wanted->second)
            fail(QStringLiteral("%1: %2 differs on the server").arg(QLatin1String(who), relative));
        ++found;
    }
    if (found != qsizetype(expected.size()))
        fail(QStringLiteral("%1: %2 of %3 files arrived")
                 .arg(QLatin1String(who))
                 .arg(found)
                 .arg(expected.size()));
}

double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("cannot read /proc/self/status"));
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    fail(QStringLiteral("no VmHWM in /proc/self/status"));
}

// The largest gap between the ticks of a timer on the main thread.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(TickMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const double gapMs = double(m_sinceTick.nsecsElapsed()) / 1e6;
            if (gapMs > m_maxGapMs) {
                m_maxGapMs = gapMs;
                m_maxGapEndMs = double(m_sinceStart.nsecsElapsed()) / 1e6;
            }
            m_sinceTick.restart();
        });
    }
    void start()
    {
        m_sinceTick.start();
        m_sinceStart.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    // The whole gap, the timer's own interval included: an upper bound of the stall.
    double maxStallMs() const { return m_maxGapMs; }
    // When the longest gap began, from the start.
    double maxStallStartMs() const { return m_maxGapEndMs - m_maxGapMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    QElapsedTimer m_sinceStart;
    double m_maxGapMs = 0;
    double m_maxGapEndMs = 0;
};

// Runs the event loop as the program does until the condition holds; QTest::qWaitFor would sleep
// 10 ms between its passes over the events, and every network step of an upload would wait for it.
bool runUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(20);
    if (!condition())
        loop.exec();
    return condition();
}

QModelIndex albumIndex(const QString &path)
{
    const RemoteTreeEntryPtr node = commsGlobal->registry().findRemoteAlbumByName(path);
    return node ? commsGlobal->remoteBrowserHelper().indexForNode(node.get()) : QModelIndex();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    keepAwayFromTheRealHome();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    installMessageTables();

    QTemporaryDir work;
    const QString root = work.filePath(QStringLiteral("Trip"));
    const Tree tree = makeTree(root);
    std::printf("%d files of %lld bytes in %d folders\n", FileCount, FileSize, TopFolders * (SubFolders + 1));
    std::fflush(stdout);

    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = {QStringLiteral("--auto-approve")};
    options.logFile = work.filePath(QStringLiteral("requests.log"));
    if (!server.start(options))
        fail(server.errorString());

    VendraUploaderAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    if (!delegate.loginWindow())
        fail(QStringLiteral("no sign-in window at first start"));
    typeSignIn(*delegate.loginWindow(), server.host(), quint16(server.port()), false,
               QString::fromLatin1(ReferenceServer::DemoUser),
               QString::fromLatin1(ReferenceServer::DemoPassword));
    MainWindow *main = delegate.mainWindow();
    if (!main ||
        !runUntil([&] { return delegate.comms()->bAreLoggedIn() && albumIndex(u"Holidays"_s).isValid(); },
                  30000))
        fail(QStringLiteral("the main window did not sign in"));
    // The album view, found by its model: the target album open, as a user would have it.
    const QList<QTreeView *> views = main->window()->findChildren<QTreeView *>();
    for (QTreeView *view : views) {
        if (view->model() == &commsGlobal->remoteBrowserHelper())
            view->expand(albumIndex(u"Holidays"_s));
    }
    runUntil([] { return false; }, 500);

    // The drop runs from the event loop, as a real one does, so that its own time counts as a stall.
    StallMeter stalls;
    UploadQueue &queue = commsGlobal->uploadQueue();
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(root)});
    QElapsedTimer guiClock;
    bool accepted = false;
    double dropMs = 0;
    stalls.start();
    guiClock.start();
    QTimer::singleShot(0, [&] {
        QElapsedTimer dropClock;
        dropClock.start();
        accepted = commsGlobal->remoteBrowserHelper().dropMimeData(&dropped, Qt::CopyAction, -1, -1,
                                                                   albumIndex(u"Holidays"_s));
        dropMs = double(dropClock.nsecsElapsed()) / 1e6;
    });
    if (!runUntil([&] { return accepted && queue.numUploadsInProgressOrWaiting() == 0; }, UploadTimeoutMs))
        fail(accepted ? QStringLiteral("the window's uploads did not finish")
                      : QStringLiteral("the drop was refused"));
    const double guiMs = double(guiClock.nsecsElapsed()) / 1e6;
    stalls.stop();
    const double rssMiB = peakRssMiB();
    verifyStored(server.albumFilePath(u"demo"_s, u"Holidays"_s, u"Trip"_s), tree, "window");
    std::printf("window: %.0f ms, the drop itself %.1f ms, main-thread max stall %.1f ms from %.0f ms on, "
                "peak RSS %.1f MiB\n",
                guiMs, dropMs, stalls.maxStallMs(), stalls.maxStallStartMs(), rssMiB);
    std::fflush(stdout);

    CliProcess cli;
    cli.setPasswordVariable(QString::fromLatin1(ReferenceServer::DemoPassword));
    QElapsedTimer cliClock;
    cliClock.start();
    const CliProcess::Result result =
        cli.run({u"--server"_s, server.host(), u"--port"_s, QString::number(server.port()), u"--http"_s,
                 u"--user"_s, u"demo"_s, u"upload"_s, u"--to"_s, u"Family"_s, root},
                {}, UploadTimeoutMs);
    const double cliMs = double(cliClock.nsecsElapsed()) / 1e6;
    if (result.exitCode != 0)
        fail(
            QStringLiteral("vendra-cli exited with %1: %2").arg(result.exitCode).arg(result.err.right(2000)));
    verifyStored(server.albumFilePath(u"demo"_s, u"Family"_s, u"Trip"_s), tree, "vendra-cli");
    std::printf("vendra-cli: %.0f ms\n", cliMs);

    delegate.applicationWillTerminate();
    std::printf("gui/cli time ratio: %.2f, main-thread max stall ms: %.1f, gui peak RSS MiB: %.1f\n",
                guiMs / cliMs, stalls.maxStallMs(), rssMiB);
    return 0;
}
