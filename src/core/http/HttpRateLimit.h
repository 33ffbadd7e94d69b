#pragma once

#include <QtGlobal>

// One cap on the bytes per second that all uploads of the process send together, so that a batch
// does not take the whole line. Uploads draw from a shared allowance as they pull their bodies; an
// upload that finds none left waits until the allowance has grown again (see HttpMulti).
class HttpRateLimit
{
public:
    // Zero or less: no cap.
    static void setBytesPerSecond(qint64 rate);
    static qint64 bytesPerSecond();

    // How many of the wanted bytes may go now (all of them without a cap); they are taken from the
    // allowance.
    static qint64 take(qint64 wanted);
};
