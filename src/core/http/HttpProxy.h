#pragma once

#include <QString>

#include <curl/curl.h>

// The proxy every transfer goes through. Empty (the default) means the environment's:
// http_proxy, https_proxy, all_proxy and no_proxy, read by libcurl itself. A proxy named in the
// profile takes its place; no_proxy still applies to it.
class HttpProxy
{
public:
    static void setProxy(const QString &url);
    static QString proxy();

    static void apply(CURL *easy);
};
