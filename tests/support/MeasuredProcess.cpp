#include "MeasuredProcess.h"

#include "FileAccessOverride.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

// Pointers to the texts with the closing null that execve wants; the texts must outlive them.
std::vector<char *> pointersTo(std::vector<QByteArray> &texts)
{
    std::vector<char *> pointers;
    for (QByteArray &text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// What the child wrote so far: pread leaves the offset it shares with the child alone.
QString contents(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (ssize_t got; fd >= 0 && (got = ::pread(fd, buffer, sizeof buffer, bytes.size())) > 0;)
        bytes.append(buffer, got);
    return QString::fromUtf8(bytes);
}

} // namespace

MeasuredProcess::MeasuredProcess(const QString &program, const QStringList &arguments,
                                 const QStringList &environment, const QByteArray &standardInput)
{
    // Anonymous files in memory: the output is kept whole whatever its size, and nothing blocks
    // the child when the test is not reading.
    m_out = memfd_create("stdout", MFD_CLOEXEC);
    m_err = memfd_create("stderr", MFD_CLOEXEC);
    const int in = memfd_create("stdin", MFD_CLOEXEC);
    std::vector<QByteArray> argumentTexts{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        argumentTexts.push_back(argument.toUtf8());
    std::vector<QByteArray> environmentTexts;
    for (const QString &entry : environment)
        environmentTexts.push_back(entry.toUtf8());
    const std::vector<char *> argv = pointersTo(argumentTexts);
    const std::vector<char *> envp = pointersTo(environmentTexts);
    if (m_out >= 0 && m_err >= 0 && in >= 0 &&
        ::write(in, standardInput.constData(), size_t(standardInput.size())) == standardInput.size() &&
        ::lseek(in, 0, SEEK_SET) == 0) {
        m_clock.start();
        m_pid = ::fork();
    }
    if (m_pid == 0) {
        // Only async-signal-safe calls between fork and exec: the test has other threads.
        if (::dup2(in, STDIN_FILENO) < 0 || ::dup2(m_out, STDOUT_FILENO) < 0 ||
            ::dup2(m_err, STDERR_FILENO) < 0)
            ::_exit(127);
        // Nothing else of the test's: a connection that a test server has closed must not stay
        // open because another run holds it too.
        ::close_range(STDERR_FILENO + 1, ~0U, 0);
        dropFileAccessOverrideOnExec();
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (in >= 0)
        ::close(in);
    m_done = m_pid < 0;
    if (m_done)
        return;
    m_reaper = std::thread([this] {
        int status = 0;
        rusage usage{};
        pid_t reaped;
        do
            reaped = ::wait4(m_pid, &status, 0, &usage);
        while (reaped < 0 && errno == EINTR);
        std::lock_guard lock(m_mutex);
        m_outcome.ms = m_clock.elapsed();
        m_outcome.exitCode = reaped == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_outcome.peakKiB = reaped == m_pid ? qint64(usage.ru_maxrss) : -1;
        m_done = true;
        m_ended.notify_all();
    });
}

MeasuredProcess::~MeasuredProcess()
{
    if (m_reaper.joinable()) {
        ::kill(m_pid, SIGKILL);
        m_reaper.join();
    }
    for (const int fd : {m_out, m_err})
        if (fd >= 0)
            ::close(fd);
}

QString MeasuredProcess::errorSoFar() const
{
    return contents(m_err);
}

MeasuredProcess::Outcome MeasuredProcess::finish(int timeoutMs)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; }))
            ::kill(m_pid, SIGKILL);
    }
    if (m_reaper.joinable())
        m_reaper.join();
    Outcome outcome = m_outcome;
    outcome.out = contents(m_out);
    outcome.err = contents(m_err);
    return outcome;
}
