#pragma once

#include <memory>

class asyncRequestInfo;

// Receives the outcome of album operations. Both calls arrive on the queue's worker thread; the
// default implementations do nothing, so a delegate overrides only what it needs.
class wsSoapAsyncOpDelegate
{
public:
    virtual ~wsSoapAsyncOpDelegate() = default;

    // Before the operation's first SOAP call.
    virtual void soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &) {}
    // After the outcome is stored and, for a fetch or a create, the tree has been changed.
    virtual void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &) {}
};
