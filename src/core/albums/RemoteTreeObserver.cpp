#include "albums/RemoteTreeObserver.h"

#include <QMutex>

namespace {

QMutex &observersMutex()
{
    static QMutex mutex;
    return mutex;
}

QList<RemoteTreeObserver *> &observers()
{
    static QList<RemoteTreeObserver *> list;
    return list;
}

// A copy, so an observer may come or go while the others are told.
QList<RemoteTreeObserver *> currentObservers()
{
    const QMutexLocker lock(&observersMutex());
    return observers();
}

} // namespace

RemoteTreeObserver::~RemoteTreeObserver()
{
    removeObserver(this);
}

void RemoteTreeObserver::addObserver(RemoteTreeObserver *observer)
{
    const QMutexLocker lock(&observersMutex());
    if (!observers().contains(observer))
        observers().append(observer);
}

void RemoteTreeObserver::removeObserver(RemoteTreeObserver *observer)
{
    const QMutexLocker lock(&observersMutex());
    observers().removeAll(observer);
}

void RemoteTreeObserver::notifyAboutToChange(soapRemoteContainer *container, const RemoteTreeChange &change)
{
    for (RemoteTreeObserver *observer : currentObservers())
        observer->remoteChildrenAboutToChange(container, change);
}

void RemoteTreeObserver::notifyChanged(soapRemoteContainer *container, const RemoteTreeChange &change)
{
    for (RemoteTreeObserver *observer : currentObservers())
        observer->remoteChildrenChanged(container, change);
}
