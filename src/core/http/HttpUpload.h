#pragma once

#include "common/Error.h"
#include "http/HttpRequest.h"

#include <QElapsedTimer>
#include <QObject>

#include <curl/curl.h>

#include <memory>

class HttpTransfer;

// One POST of a large body on the calling thread's event loop (see HttpMulti): the body is pulled
// from its device in pieces as the network takes them, so memory stays flat whatever the file's
// size and progress counts only what really left. The reply is read whole, bounded.
class HttpUpload : public QObject
{
    Q_OBJECT

public:
    explicit HttpUpload(QObject *parent = nullptr);
    ~HttpUpload() override;

    // Sends the request; its body device must stay open until the upload has finished.
    void start(const HttpRequest &request);
    // Stops at once; nothing is signalled any more.
    void abort();

    // The HTTP status of the reply, 0 when none arrived.
    int statusCode() const { return m_response.status; }
    QByteArray replyBody() const { return m_response.body; }
    // Why the exchange failed; empty when a whole reply arrived (whatever its status).
    Error error() const { return m_error; }
    qint64 bytesSent() const;

Q_SIGNALS:
    // Body bytes taken by the network so far, and the body's length; at most ten times a second and
    // once when the whole body has gone.
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    // The exchange is over, with a whole reply or with an error.
    void finished();

private:
    friend class HttpMulti;
    CURL *easy() const;
    void setResult(CURLcode code);
    void reportProgress(bool force);
    void reportEnd();
    // Lets a body that waited for the rate limit go on; false when it was not waiting.
    bool resume();

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> m_easy;
    std::unique_ptr<HttpTransfer> m_transfer;
    bool m_running = false;
    qint64 m_reportedSent = -1;
    QElapsedTimer m_sinceReport;
    HttpResponse m_response;
    Error m_error;
};
