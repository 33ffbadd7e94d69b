#include "http/HttpTransfer.h"

#include "common/MessageText.h"
#include "http/CurlShare.h"
#include "http/HttpFailure.h"
#include "http/HttpProxy.h"
#include "http/HttpRateLimit.h"
#include "http/SharedCookieJar.h"
#include "http/TrustedCertificates.h"

#include <QIODevice>
#include <QNetworkCookie>
#include <QNetworkReply>

#include <cstring>

namespace {

// The body is pulled in pieces of this size: large enough to keep a fast link busy, small enough
// that an upload never holds more than a little of its file.
constexpr long UploadBufferSize = 512 * 1024;
// A connection that cannot be made within this long has failed, even under a longer idle limit.
constexpr std::chrono::milliseconds MaxConnectTime{60000};

QByteArray cookieLineFor(const QUrl &url)
{
    QByteArray line;
    for (const QNetworkCookie &cookie : SharedCookieJar::instance().cookiesForUrl(url)) {
        if (!line.isEmpty())
            line += "; ";
        line += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    return line;
}

} // namespace

HttpTransfer::HttpTransfer(CURL *easy) : m_easy(easy), m_peer(std::make_shared<TlsPeer>())
{}

HttpTransfer::~HttpTransfer()
{
    curl_slist_free_all(m_headerList);
}

void HttpTransfer::prepare(const HttpRequest &request)
{
    m_request = request;
    curl_easy_reset(m_easy);
    curl_slist_free_all(m_headerList);
    m_headerList = nullptr;
    for (const auto &[name, value] : std::as_const(m_request.headers))
        m_headerList = curl_slist_append(m_headerList, QByteArray(name + ": " + value).constData());
    // A body goes out at once: waiting for a "100 Continue" costs a round trip, or a second with
    // servers that never send one.
    m_headerList = curl_slist_append(m_headerList, "Expect:");

    CURL *easy = m_easy;
    curl_easy_setopt(easy, CURLOPT_SHARE, CurlShare::handle());
    curl_easy_setopt(easy, CURLOPT_URL, m_request.url.toEncoded().constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    // Redirects are answers like any other; nothing is followed.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    m_cookieLine = cookieLineFor(m_request.url);
    if (!m_cookieLine.isEmpty())
        curl_easy_setopt(easy, CURLOPT_COOKIE, m_cookieLine.constData());

    if (QIODevice *device = m_request.bodyDevice) {
        m_bodyLength = device->size();
        device->seek(0);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_bodyLength));
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &HttpTransfer::onRead);
        curl_easy_setopt(easy, CURLOPT_READDATA, this);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &HttpTransfer::onSeek);
        curl_easy_setopt(easy, CURLOPT_SEEKDATA, this);
        curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, UploadBufferSize);
    } else {
        m_bodyLength = m_request.body.size();
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_bodyLength));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_request.body.constData());
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::onReply);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);

    // The idle limit is checked twice: on every progress step, to the millisecond, and by libcurl's
    // own low-speed check, which wakes a transfer that nothing else would wake.
    const auto idle = m_request.idleTimeout;
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(std::max<qint64>(1, (idle.count() + 999) / 1000)));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(std::min(idle, MaxConnectTime).count()));
    if (m_request.deadline.count() > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(m_request.deadline.count()));

    m_throughProxy = HttpProxy::apply(easy, m_request.url);
    m_peer = std::make_shared<TlsPeer>();
    if (m_request.url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        m_peer->trustedFingerprint =
            TrustedCertificates::serverFingerprint(TrustedCertificates::serverKey(m_request.url));
    TlsVerification::apply(easy, &m_peer);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);

    m_errorBuffer[0] = 0;
    m_reply.clear();
    m_replyTooLarge = false;
    m_idleTimedOut = false;
    m_paused = false;
    m_cancelled = false;
    m_lastUploaded = 0;
    m_lastDownloaded = 0;
    m_bytesSent = 0;
    m_sinceMove.start();
}

Error HttpTransfer::result(CURLcode code)
{
    if (code == CURLE_OK)
        return {};
    const QUrl &url = m_request.url;
    if (m_cancelled) {
        return HttpFailure::make(QNetworkReply::OperationCanceledError,
                                 HttpFailure::describe(QNetworkReply::OperationCanceledError, {}), url);
    }
    if (m_idleTimedOut) {
        const QString idle =
            QStringLiteral("nothing arrived or left for %1 ms").arg(m_request.idleTimeout.count());
        return HttpFailure::make(QNetworkReply::TimeoutError,
                                 HttpFailure::describe(QNetworkReply::TimeoutError, idle), url);
    }
    if (m_replyTooLarge) {
        return HttpFailure::make(
            QNetworkReply::UnknownContentError,
            messageText(QStringLiteral("NetworkError_ReplyTooLarge")).arg(m_request.maxReplySize >> 20), url);
    }
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    return HttpFailure::fromCurl(code, QString::fromUtf8(m_errorBuffer), url, status != 0, *m_peer,
                                 m_throughProxy);
}

HttpResponse HttpTransfer::response() const
{
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    return {int(status), m_reply};
}

size_t HttpTransfer::onReply(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    const size_t length = size * count;
    if (transfer->m_reply.size() + qsizetype(length) > transfer->m_request.maxReplySize) {
        transfer->m_replyTooLarge = true;
        return 0; // ends the transfer
    }
    transfer->m_reply.append(data, qsizetype(length));
    return length;
}

size_t HttpTransfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    const size_t length = size * count;
    const QByteArray line(data, qsizetype(length));
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().compare("set-cookie", Qt::CaseInsensitive) == 0) {
        SharedCookieJar::instance().setCookiesFromUrl(
            QNetworkCookie::parseCookies(line.mid(colon + 1).trimmed()), transfer->m_request.url);
    }
    return length;
}

size_t HttpTransfer::onRead(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    const qint64 allowed = HttpRateLimit::take(qint64(size * count));
    if (allowed == 0) {
        transfer->m_paused = true;
        return CURL_READFUNC_PAUSE;
    }
    const qint64 n = transfer->m_request.bodyDevice->read(data, allowed);
    return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
}

int HttpTransfer::onSeek(void *self, curl_off_t offset, int origin)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    QIODevice *device = transfer->m_request.bodyDevice;
    if (origin != SEEK_SET)
        return CURL_SEEKFUNC_CANTSEEK;
    // libcurl sends a body again by itself when a reused connection breaks off. Whether to send a
    // file twice is the upload queue's to decide (it counts the tries and first asks the server
    // what it holds), so a body that has begun to go is not rewound here.
    if (offset < device->pos())
        return CURL_SEEKFUNC_CANTSEEK;
    return device->seek(offset) ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

int HttpTransfer::onProgress(void *self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    if (transfer->m_cancelled)
        return 1;
    if (uploaded != transfer->m_lastUploaded || downloaded != transfer->m_lastDownloaded) {
        transfer->m_lastUploaded = uploaded;
        transfer->m_lastDownloaded = downloaded;
        transfer->m_bytesSent = qint64(uploaded);
        transfer->m_sinceMove.restart();
    } else if (transfer->m_sinceMove.elapsed() > transfer->m_request.idleTimeout.count()) {
        transfer->m_idleTimedOut = true;
        return 1;
    }
    return 0;
}
