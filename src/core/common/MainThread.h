#pragma once

#include <functional>

// True on the thread of the QCoreApplication (or when there is none yet).
bool isMainThread();

// Runs work on the main thread: at once when already there, else queued behind what this thread
// handed over before, returning at once. The one way work crosses to the main thread.
void runOnMainThread(const std::function<void()> &work);

// Runs work on the main thread and returns when it has finished: a blocking queued call, or a
// direct call when already on the main thread, so it never deadlocks there.
void runOnMainThreadAndWait(const std::function<void()> &work);
