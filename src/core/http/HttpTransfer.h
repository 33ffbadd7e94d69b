#pragma once

#include "common/Error.h"
#include "http/HttpRequest.h"
#include "http/TlsVerification.h"

#include <QElapsedTimer>

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <utility>

// The state of one exchange on a libcurl easy handle, whichever way it is driven (blocking for
// SOAP, the multi interface for uploads): the options every request of the program gets, the reply
// as it arrives (bounded), the session cookie taken into and sent from the shared cookie jar, the
// time-outs, and the failure worded the way the windows explain it.
class HttpTransfer
{
public:
    // The handle is borrowed: reset and configured by prepare(), left alive afterwards so that its
    // connections can serve the next request.
    explicit HttpTransfer(CURL *easy);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    void prepare(const HttpRequest &request);
    CURL *easy() const { return m_easy; }

    // Ends the exchange at its next step; safe from any thread.
    void cancel() { m_cancelled = true; }

    // The outcome once libcurl is done with the exchange: empty when a whole reply arrived (whatever
    // its HTTP status), else why not.
    Error result(CURLcode code);
    HttpResponse response() const;

    // Whether the body waits for the rate limit's allowance; clears the mark.
    bool takePause() { return std::exchange(m_paused, false); }

    // Body bytes handed to the network so far, and the body's length.
    qint64 bytesSent() const { return m_bytesSent; }
    qint64 bodyLength() const { return m_bodyLength; }

private:
    static size_t onReply(char *data, size_t size, size_t count, void *self);
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static size_t onRead(char *data, size_t size, size_t count, void *self);
    static int onSeek(void *self, curl_off_t offset, int origin);
    static int onProgress(void *self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                          curl_off_t uploaded);

    CURL *m_easy;
    HttpRequest m_request;
    curl_slist *m_headerList = nullptr;
    QByteArray m_cookieLine;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::shared_ptr<TlsPeer> m_peer;

    QByteArray m_reply;
    bool m_replyTooLarge = false;
    bool m_idleTimedOut = false;
    bool m_paused = false;
    std::atomic_bool m_cancelled = false;
    QElapsedTimer m_sinceMove;
    curl_off_t m_lastUploaded = 0;
    curl_off_t m_lastDownloaded = 0;
    qint64 m_bytesSent = 0;
    qint64 m_bodyLength = 0;
};
