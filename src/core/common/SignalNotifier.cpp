#include "common/SignalNotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe of the notifier that exists, -1 when none does.
volatile sig_atomic_t s_writeEnd = -1;

extern "C" void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const int writeEnd = s_writeEnd;
    if (writeEnd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds enough wake-ups; the byte may be dropped.
        [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

SignalNotifier::SignalNotifier(const QList<int> &signalNumbers, Repeat repeat, QObject *parent)
    : QObject(parent)
{
    Q_ASSERT(s_writeEnd < 0);
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    s_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalNotifier::readPipe);

    struct sigaction action = {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; the kernel puts the default back before a second delivery.
    action.sa_flags = SA_RESTART | (repeat == Repeat::DefaultOnSecond ? SA_RESETHAND : 0);
    for (const int signalNumber : signalNumbers) {
        struct sigaction previous = {};
        if (::sigaction(signalNumber, &action, &previous) == 0)
            m_previous.append({signalNumber, previous});
    }
}

SignalNotifier::~SignalNotifier()
{
    for (const auto &[signalNumber, previous] : std::as_const(m_previous))
        ::sigaction(signalNumber, &previous, nullptr);
    m_notifier.reset();
    if (m_pipe[0] >= 0) {
        s_writeEnd = -1;
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
}

void SignalNotifier::readPipe()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(m_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            Q_EMIT received(bytes[i]);
    }
}
