#pragma once

#include "common/Error.h"

#include <QMutex>
#include <QThreadPool>
#include <QVariantMap>

#include <functional>
#include <memory>

class wsLoginSequenceDelegate;

// Signs in: CheckVersion, Login, the two web-page buttons and the top-level albums, each one
// blocking request on the sequence's own worker, each reply decoded on the main thread while the
// worker waits. The chain stops at the first failure and keeps its error.
//
// Runs never overlap: a sign-in started while another runs is queued behind it and starts when it
// has ended. Two runs at once would write the same records and error, and refusing the second would
// lose a sign-in started with newer settings (a changed profile signs out and in again).
class wsLoginSequence
{
public:
    using Delegate = std::shared_ptr<wsLoginSequenceDelegate>;

    wsLoginSequence();
    // Drops queued runs and waits for the running one.
    ~wsLoginSequence();

    // Queues one run with the delegate and returns at once.
    void startLoginSequence(const Delegate &delegate);

    // The failure of the current or last run; empty when it succeeded or runs without failure yet.
    Error error() const;

    // Waits until no run is left, letting the main thread decode meanwhile.
    void waitForDone();

private:
    enum class Step { CheckVersion, Login, PendingButton, PictureButton, TopLevelAlbums };

    void doLoginSequence(const Delegate &delegate);
    bool runStep(Step step, const Delegate &delegate);
    void setError(const Error &error);

    QThreadPool m_operationQ;
    mutable QMutex m_errorMutex;
    Error m_error;
};
