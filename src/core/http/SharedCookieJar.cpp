#include "http/SharedCookieJar.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>

SharedCookieJar::SharedCookieJar()
{
    // A worker thread may be the first to ask for the jar; it must not belong to a thread that ends.
    if (QCoreApplication *application = QCoreApplication::instance())
        moveToThread(application->thread());
}

SharedCookieJar &SharedCookieJar::instance()
{
    // Never given a parent and destroyed at exit, after every manager that used it.
    static SharedCookieJar jar;
    return jar;
}

QList<QNetworkCookie> SharedCookieJar::cookiesForUrl(const QUrl &url) const
{
    QMutexLocker locker(&m_mutex);
    return QNetworkCookieJar::cookiesForUrl(url);
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    QMutexLocker locker(&m_mutex);
    return QNetworkCookieJar::setCookiesFromUrl(cookieList, url);
}

bool SharedCookieJar::insertCookie(const QNetworkCookie &cookie)
{
    QMutexLocker locker(&m_mutex);
    return QNetworkCookieJar::insertCookie(cookie);
}

bool SharedCookieJar::updateCookie(const QNetworkCookie &cookie)
{
    QMutexLocker locker(&m_mutex);
    return QNetworkCookieJar::updateCookie(cookie);
}

bool SharedCookieJar::deleteCookie(const QNetworkCookie &cookie)
{
    QMutexLocker locker(&m_mutex);
    return QNetworkCookieJar::deleteCookie(cookie);
}

QList<QNetworkCookie> SharedCookieJar::storedCookiesForUrl(const QUrl &url) const
{
    // Asking as if over https is the jar's own way to include the secure cookies.
    QUrl secureUrl(url);
    secureUrl.setScheme(QStringLiteral("https"));
    return cookiesForUrl(secureUrl);
}

void SharedCookieJar::deleteCookiesForUrl(const QUrl &url)
{
    QMutexLocker locker(&m_mutex);
    const QList<QNetworkCookie> cookies = storedCookiesForUrl(url);
    for (const QNetworkCookie &cookie : cookies)
        deleteCookie(cookie);
}

void SharedCookieJar::clear()
{
    QMutexLocker locker(&m_mutex);
    setAllCookies({});
}
