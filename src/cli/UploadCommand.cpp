#include "UploadCommand.h"

#include "AlbumPathResolver.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "ExitCode.h"
#include "UploadProgressDisplay.h"
#include "common/ByteRate.h"
#include "common/MessageText.h"
#include "common/SignalNotifier.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpRateLimit.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "upload/DropUpload.h"
#include "upload/ResumePlan.h"
#include "upload/UploadJournal.h"
#include "upload/UploadQueue.h"
#include "upload/UploadRetry.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

namespace {

constexpr int DisplayIntervalMs = 250;

const QString ParallelOption = QStringLiteral("parallel");
const QString LimitRateOption = QStringLiteral("limit-rate");
const QString ToOption = QStringLiteral("to");
const QString RetriesOption = QStringLiteral("retries");
const QString NoSkipExistingOption = QStringLiteral("no-skip-existing");
const QString ResumeOption = QStringLiteral("resume");

QString normalisedAlbumPath(const QString &path)
{
    return path.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

} // namespace

QString UploadCommand::summary() const
{
    return QStringLiteral(
        "upload files and folders: upload [--parallel N] [--retries N] [--no-skip-existing] "
        "[--limit-rate SPEED] --to ALBUM_PATH PATH... | upload --resume");
}

QList<QCommandLineOption> UploadCommand::options() const
{
    return {
        {ParallelOption, QStringLiteral("upload: files sent at once (default: the stored preference)."),
         QStringLiteral("N")},
        {LimitRateOption,
         QStringLiteral("upload: send at most this many bytes per second, all uploads together; K, M and G "
                        "multiply by 1024 (e.g. 2M; default: the stored preference, else no limit)."),
         QStringLiteral("SPEED")},
        {ToOption,
         QStringLiteral("upload: the album to upload into, e.g. \"Holidays/2024\"; \"\" is the top "
                        "level, which takes folders only."),
         QStringLiteral("ALBUM_PATH")},
        {RetriesOption,
         QStringLiteral("upload: tries in all for an upload that failed for a passing reason (a dropped "
                        "connection, a time-out, a 5xx answer); 0 or 1 for no retry (default 3)."),
         QStringLiteral("N")},
        {NoSkipExistingOption,
         QStringLiteral("upload: send files even when their album holds a file of the same name and size.")},
        {ResumeOption,
         QStringLiteral("upload: finish what an interrupted upload run of the same server and user left, "
                        "sending only what the server does not hold yet.")},
    };
}

bool UploadCommand::takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                                  QString &problem)
{
    m_resume = parser.isSet(ResumeOption);
    m_skipExisting = !parser.isSet(NoSkipExistingOption);
    if (parser.isSet(RetriesOption)) {
        bool ok = false;
        const int tries = parser.value(RetriesOption).toInt(&ok);
        if (!ok || tries < 0) {
            problem = messageText(QStringLiteral("Text_CliBadRetries")).arg(parser.value(RetriesOption));
            return false;
        }
        m_retries = tries;
    }
    if (m_resume && (parser.isSet(ToOption) || !arguments.isEmpty())) {
        problem = messageText(QStringLiteral("Text_CliResumeWithPaths"));
        return false;
    }
    if (!m_resume && !parser.isSet(ToOption)) {
        problem = messageText(QStringLiteral("Text_CliUploadNoTarget"));
        return false;
    }
    m_albumPath = normalisedAlbumPath(parser.value(ToOption));
    if (parser.isSet(ParallelOption)) {
        bool ok = false;
        const qint64 count = parser.value(ParallelOption).toLongLong(&ok);
        if (!ok) {
            problem =
                messageText(QStringLiteral("Text_CliUploadBadParallel")).arg(parser.value(ParallelOption));
            return false;
        }
        m_parallel = count;
    }
    if (parser.isSet(LimitRateOption)) {
        const std::optional<qint64> rate = parseByteRate(parser.value(LimitRateOption));
        if (!rate || *rate <= 0) {
            problem =
                messageText(QStringLiteral("Text_CliUploadBadLimitRate")).arg(parser.value(LimitRateOption));
            return false;
        }
        m_limitRate = *rate;
    }
    if (m_resume)
        return true;
    if (arguments.isEmpty()) {
        problem = messageText(QStringLiteral("Text_CliUploadNoPaths"));
        return false;
    }
    QStringList missing;
    m_paths.clear();
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.exists())
            missing.append(argument);
        m_paths.append(info.absoluteFilePath());
    }
    if (!missing.isEmpty()) {
        problem =
            messageText(QStringLiteral("Text_CliUploadMissingPaths")).arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    // The top level holds albums only: files need an album to go into.
    if (m_albumPath.isEmpty() && !DropUpload::allFolders(m_paths)) {
        QStringList notFolders;
        for (qsizetype i = 0; i < m_paths.size(); ++i) {
            if (!DropUpload::allFolders({m_paths.at(i)}))
                notFolders.append(arguments.at(i));
        }
        problem = messageText(QStringLiteral("Text_CliUploadFilesAtTop"))
                      .arg(notFolders.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

int UploadCommand::usageExitCode() const
{
    return ExitSignInFailed;
}

void UploadCommand::uploadProgress(const UploadStatusPtr &status)
{
    if (m_display)
        m_display->add(status);
}

int UploadCommand::runInSession(CliSession &session)
{
    const bool onTerminal = isatty(STDOUT_FILENO) == 1;
    Log::init();

    Error error;
    if (!session.signIn(false, error)) {
        CliOutput::printError(error);
        return ExitSignInFailed;
    }
    UploadJournal journal(UploadJournal::commandLinePath());
    const QList<UploadJournal::Entry> resumed =
        m_resume ? journal.leftByEarlierRuns(UploadJournal::currentAccount()) : QList<UploadJournal::Entry>();
    std::optional<FolderUploadPlan> planned;
    const auto resolver = std::make_shared<AlbumPathResolver>();
    if (m_resume) {
        // The top level's albums are loaded, as for a drop there, so that those that exist are used.
        if (!resolver->resolve(QString(), error)) {
            CliOutput::printError(error);
            session.signOut();
            return ExitSignInFailed;
        }
        planned = ResumePlan::build(resumed);
        if (planned->fileCount() == 0 && planned->folders.isEmpty()) {
            CliOutput::printLine(messageText(QStringLiteral("Text_CliResumeNothing")));
            journal.markEnded(resumed);
            session.signOut();
            return ExitSuccess;
        }
        CliOutput::printLine(messageText(QStringLiteral("Text_CliResumeCount")).arg(planned->fileCount()));
    } else {
        const soapRemoteBasePtr target = resolver->resolve(m_albumPath, error);
        if (!target) {
            CliOutput::printError(error);
            session.signOut();
            return ExitSignInFailed;
        }
        // Exactly what a drop onto the target would queue.
        QList<QUrl> items;
        for (const QString &path : std::as_const(m_paths))
            items.append(QUrl::fromLocalFile(path));
        planned = DropUpload::planFor(items, target);
        if (!planned) {
            session.signOut();
            return ExitSignInFailed;
        }
    }
    const FolderUploadPlan &plan = *planned;
    const QStringList unreadable = plan.allUnreadable();
    if (Log *log = Log::instance()) {
        for (const QString &folder : unreadable)
            log->add(messageText(QStringLiteral("Text_FolderUnreadable")), folder);
    }

    UploadQueue &queue = session.globals().uploadQueue();
    queue.setNumberSimultaneousUploadsOverride(m_parallel);
    queue.setSkipExistingOverride(m_skipExisting);
    queue.retry().setTriesOverride(m_retries.value_or(UploadRetry::DefaultTries));
    queue.setJournal(&journal);
    HttpRateLimit::setBytesPerSecond(
        m_limitRate.value_or(Preferences::instance() ? Preferences::instance()->uploadSpeedLimit() : 0));
    UploadProgressDisplay display(queue, onTerminal);
    m_display = &display;
    plan.uploadFolderAndFiles(queue, this);
    // Queued anew (and so journalled anew): the earlier run's lines are done with.
    journal.markEnded(resumed);

    QEventLoop loop;
    QTimer refresh;
    const auto quitWhenDone = [&] {
        if (queue.numUploadsInProgressOrWaiting() == 0)
            loop.quit();
    };
    // An interrupt cancels what has not started; what is under way runs to its real result. A
    // second interrupt ends the program at once.
    bool interrupted = false;
    auto interrupt =
        std::make_unique<SignalNotifier>(QList<int>{SIGINT}, SignalNotifier::Repeat::DefaultOnSecond);
    QObject::connect(interrupt.get(), &SignalNotifier::received, &loop, [&] {
        if (interrupted)
            return;
        interrupted = true;
        // Interrupted, not given up: what is left stays in the journal for --resume.
        queue.setJournal(nullptr);
        const QList<UploadStatusPtr> waiting = queue.waitingCommands();
        for (const UploadStatusPtr &status : waiting)
            queue.cancelUploadForStatus(status);
        CliOutput::printErrorText(messageText(QStringLiteral("Text_CliUploadInterrupted"))
                                      .arg(waiting.size())
                                      .arg(queue.numUploadsInProgress()));
        quitWhenDone();
    });
    QObject::connect(&refresh, &QTimer::timeout, &loop, [&] {
        display.update();
        quitWhenDone();
    });
    // The queue says when it falls idle; waiting for the next refresh would only add time.
    QObject idleObserver;
    NotificationCenter::defaultCenter().addObserver(
        &idleObserver, NotificationNames::UploadEventQueueStatusUpdate, [&](const Notification &n) {
            if (n.object().toInt() == 0)
                QMetaObject::invokeMethod(&loop, quitWhenDone, Qt::QueuedConnection);
        });
    refresh.start(DisplayIntervalMs);
    loop.exec();
    // From here on an interrupt ends the program as it would without us.
    interrupt.reset();
    NotificationCenter::defaultCenter().removeObserver(&idleObserver);
    queue.setJournal(nullptr);

    QStringList skipped;
    for (const FolderUploadPlan::LeftOut &entry : plan.allSkipped())
        skipped.append(entry.text());
    const bool allSucceeded = display.finish(skipped, unreadable);
    m_display = nullptr;
    session.signOut();
    if (interrupted)
        return ExitInterrupted;
    return allSucceeded ? ExitSuccess : ExitFailure;
}
