#pragma once

#include "albums/wsSoapAsyncOpDelegate.h"
#include "session/wsLoginSequenceDelegate.h"

#include <atomic>

// The program's delegate of the login sequence and of sign-out: turns their progress into the
// sign-in notifications (posted on the main thread) and keeps whether the user is signed in.
class Comms : public wsLoginSequenceDelegate, public wsSoapAsyncOpDelegate
{
public:
    bool bAreLoggedIn() const { return m_bAreLoggedIn; }
    void setBAreLoggedIn(bool loggedIn) { m_bAreLoggedIn = loggedIn; }

    void startLoginSequence() override;
    void setStatusText(const QString &text) override;
    void completedLoginSequence(bool succeeded) override;

    // A sign-out that succeeded ends the signed-in state.
    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info) override;

private:
    std::atomic<bool> m_bAreLoggedIn = false;
};
