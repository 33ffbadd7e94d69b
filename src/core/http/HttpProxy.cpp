#include "http/HttpProxy.h"

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct ProxyState
{
    QMutex mutex;
    QString url;
};

ProxyState &proxyState()
{
    static ProxyState state;
    return state;
}

} // namespace

void HttpProxy::setProxy(const QString &url)
{
    ProxyState &state = proxyState();
    QMutexLocker locker(&state.mutex);
    state.url = url.trimmed();
}

QString HttpProxy::proxy()
{
    ProxyState &state = proxyState();
    QMutexLocker locker(&state.mutex);
    return state.url;
}

void HttpProxy::apply(CURL *easy)
{
    const QString url = proxy();
    if (!url.isEmpty())
        curl_easy_setopt(easy, CURLOPT_PROXY, url.toUtf8().constData()); // libcurl copies the text
}
