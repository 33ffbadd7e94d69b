#pragma once

#include <QList>
#include <QObject>

#include <csignal>
#include <memory>

class QSocketNotifier;

// Turns POSIX signals into a Qt signal on the event loop of the thread that made it. The handler
// only writes the signal's number into a pipe (the one thing a signal handler may safely do); a
// QSocketNotifier on the pipe's other end emits received() from the event loop, where anything may
// be done. One notifier may exist at a time; the previous handlers come back when it goes away.
//
//     SignalNotifier signals({SIGTERM, SIGINT, SIGHUP});
//     QObject::connect(&signals, &SignalNotifier::received, [](int) { QCoreApplication::quit(); });
class SignalNotifier : public QObject
{
    Q_OBJECT

public:
    enum class Repeat {
        Catch,           // every delivery is caught
        DefaultOnSecond, // a second delivery of the same signal acts as if none were caught
    };

    explicit SignalNotifier(const QList<int> &signalNumbers, Repeat repeat = Repeat::Catch,
                            QObject *parent = nullptr);
    ~SignalNotifier() override;
    SignalNotifier(const SignalNotifier &) = delete;
    SignalNotifier &operator=(const SignalNotifier &) = delete;

    // False when the pipe could not be made; no handler is installed then.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    QList<QPair<int, struct sigaction>> m_previous;
};
