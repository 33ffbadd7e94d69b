#pragma once

#include <QString>

// Follows a sign-in. Every call arrives on the sequence's worker thread; the default
// implementations do nothing, so a delegate overrides only what it needs.
class wsLoginSequenceDelegate
{
public:
    virtual ~wsLoginSequenceDelegate() = default;

    virtual void startLoginSequence() {}
    virtual void startCheckVersion() {}
    virtual void startLogin() {}
    virtual void startGetPendingButton() {}
    virtual void startGetPictureButton() {}
    virtual void startGetTopLevelAlbums() {}
    // After each step, with the step's status line.
    virtual void setStatusText(const QString &) {}
    virtual void checkVersionCompleted(bool) {}
    virtual void loginCompleted(bool) {}
    virtual void getPendingButtonCompleted(bool) {}
    virtual void getPictureButtonCompleted(bool) {}
    virtual void getTopLevelAlbumsCompleted(bool) {}
    // After the last step run, with the outcome of the whole sequence.
    virtual void completedLoginSequence(bool) {}
};
