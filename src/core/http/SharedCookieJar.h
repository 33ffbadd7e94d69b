#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QRecursiveMutex>
#include <QUrl>

// The process-wide cookie store. Every QNetworkAccessManager of the program uses this one jar, from
// whatever thread it runs in; Qt's jar does not lock itself, so this one does. It lives as long as
// the process and is never owned by a manager.
class SharedCookieJar : public QNetworkCookieJar
{
    Q_OBJECT

public:
    static SharedCookieJar &instance();

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool updateCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // Every cookie that matches the URL's host and path, secure ones included even for a plain
    // http URL (cookiesForUrl leaves those out, as a client must when sending).
    QList<QNetworkCookie> storedCookiesForUrl(const QUrl &url) const;
    // Forgets every cookie stored for the URL (session end), or all of them.
    void deleteCookiesForUrl(const QUrl &url);
    void clear();

private:
    SharedCookieJar();

    mutable QRecursiveMutex m_mutex;
};
