#pragma once

#include <memory>

class asyncRequestInfo;

// Receives the outcome of album operations. The first two calls arrive on the queue's worker thread;
// the default implementations do nothing, so a delegate overrides only what it needs.
class wsSoapAsyncOpDelegate
{
public:
    virtual ~wsSoapAsyncOpDelegate() = default;

    // Before the operation's first SOAP call.
    virtual void soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &) {}
    // After the outcome is stored and, for a fetch or a create, the tree has been changed.
    virtual void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &) {}
    // The request was dropped by cancelAllOperations before it started: neither call above will
    // come. Called on the thread that cancelled, so a requester that waits for the outcome can stop.
    virtual void soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &) {}
};
