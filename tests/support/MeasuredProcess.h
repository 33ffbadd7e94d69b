#pragma once

#include <QElapsedTimer>
#include <QStringList>

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <thread>

// A child program whose peak resident memory and running time are known once it has ended. The
// kernel tells a child's own peak only to the parent that reaps it, which QProcess does not pass on;
// so this class starts and reaps the child itself, and many can run at once, each measured alone.
// The child runs without the right to override file permissions (see FileAccessOverride.h).
class MeasuredProcess
{
public:
    struct Outcome
    {
        int exitCode = -1; // -1 when it crashed or had to be killed
        QString out;
        QString err;
        qint64 peakKiB = -1; // the largest resident size it reached
        qint64 ms = -1;      // from the start to its end
        QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
    };

    // Starts the program at once with exactly that environment ("NAME=value" entries), the bytes as
    // its standard input, and its output kept.
    MeasuredProcess(const QString &program, const QStringList &arguments, const QStringList &environment,
                    const QByteArray &standardInput = {});
    ~MeasuredProcess(); // kills a child still running
    MeasuredProcess(const MeasuredProcess &) = delete;
    MeasuredProcess &operator=(const MeasuredProcess &) = delete;

    pid_t processId() const { return m_pid; }
    // Standard error so far, while the child runs.
    QString errorSoFar() const;
    // Waits for the end, killing the child when it runs longer than timeoutMs (counted from now).
    Outcome finish(int timeoutMs);

private:
    pid_t m_pid = -1;
    QElapsedTimer m_clock;
    int m_out = -1;
    int m_err = -1;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    Outcome m_outcome;
    std::thread m_reaper;
};
