#pragma once

#include "common/Error.h"
#include "http/TlsVerification.h"

#include <QNetworkReply>
#include <QUrl>

#include <curl/curl.h>

// Turns how a libcurl exchange ended into the program's transport error: Qt's vocabulary of network
// failures (domain "QNetworkReply", its error codes), the words of what happened, and for secure
// connections what went wrong with them (see TransportFailure).
class HttpFailure
{
public:
    static const QString Domain;

    static Error fromCurl(CURLcode code, const QString &detail, const QUrl &url, bool replyStarted,
                          const TlsPeer &peer);
    static Error make(QNetworkReply::NetworkError code, const QString &description, const QUrl &url);

    static QNetworkReply::NetworkError networkError(CURLcode code);
};
