#include "http/HttpProxy.h"

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

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

namespace {

QString environment(const char *lower, const char *upper)
{
    const QString value = qEnvironmentVariable(lower);
    return value.isEmpty() && upper ? qEnvironmentVariable(upper) : value;
}

// no_proxy as libcurl reads it: "*", or host names and domains separated by commas.
bool exempted(const QString &host)
{
    const QStringList entries = environment("no_proxy", "NO_PROXY").split(u',', Qt::SkipEmptyParts);
    for (QString entry : entries) {
        entry = entry.trimmed();
        if (entry == QLatin1String("*"))
            return true;
        if (entry.startsWith(u'.'))
            entry.remove(0, 1);
        if (!entry.isEmpty() && (host.compare(entry, Qt::CaseInsensitive) == 0 ||
                                 host.endsWith(u'.' + entry, Qt::CaseInsensitive)))
            return true;
    }
    return false;
}

} // namespace

bool HttpProxy::apply(CURL *easy, const QUrl &url)
{
    const QString named = proxy();
    if (!named.isEmpty())
        curl_easy_setopt(easy, CURLOPT_PROXY, named.toUtf8().constData()); // libcurl copies the text
    if (exempted(url.host()))
        return false;
    if (!named.isEmpty())
        return true;
    // libcurl reads http_proxy only in lower case, the others in either.
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QString fromEnvironment =
        secure ? environment("https_proxy", "HTTPS_PROXY") : environment("http_proxy", nullptr);
    return !fromEnvironment.isEmpty() || !environment("all_proxy", "ALL_PROXY").isEmpty();
}
