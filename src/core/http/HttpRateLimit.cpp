#include "http/HttpRateLimit.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

namespace {

// The allowance never grows beyond this many milliseconds' worth, so a pause is not made up for by
// a burst afterwards.
constexpr qint64 BurstMs = 50;
// Never less than this, so that a low cap still sends in useful pieces.
constexpr qint64 MinimumBurst = 4096;

struct Bucket
{
    QMutex mutex;
    qint64 rate = 0;
    double allowance = 0;
    QElapsedTimer sinceRefill;
};

Bucket &bucket()
{
    static Bucket state;
    return state;
}

} // namespace

void HttpRateLimit::setBytesPerSecond(qint64 rate)
{
    Bucket &state = bucket();
    QMutexLocker locker(&state.mutex);
    state.rate = std::max<qint64>(0, rate);
    state.allowance = 0;
    state.sinceRefill.start();
}

qint64 HttpRateLimit::bytesPerSecond()
{
    Bucket &state = bucket();
    QMutexLocker locker(&state.mutex);
    return state.rate;
}

qint64 HttpRateLimit::take(qint64 wanted)
{
    Bucket &state = bucket();
    QMutexLocker locker(&state.mutex);
    if (state.rate <= 0)
        return wanted;
    const qint64 elapsedNs = state.sinceRefill.nsecsElapsed();
    state.sinceRefill.start();
    const double burst = double(std::max(MinimumBurst, state.rate * BurstMs / 1000));
    state.allowance = std::min(burst, state.allowance + double(state.rate) * double(elapsedNs) / 1e9);
    const qint64 granted = std::min<qint64>(wanted, qint64(state.allowance));
    state.allowance -= double(granted);
    return granted;
}
