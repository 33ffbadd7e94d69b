#pragma once

#include <QString>
#include <QUrl>

#include <curl/curl.h>

// The proxy every transfer goes through. Empty (the default) means the environment's:
// http_proxy, https_proxy, all_proxy and no_proxy, read by libcurl itself. A proxy named in the
// profile takes its place; no_proxy still applies to it.
class HttpProxy
{
public:
    static void setProxy(const QString &url);
    static QString proxy();

    // Sets the handle's proxy; true when a request to url goes through one (the profile's, or the
    // environment's unless no_proxy names the host).
    static bool apply(CURL *easy, const QUrl &url);
};
