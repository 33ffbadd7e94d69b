#include "http/HttpUpload.h"

#include "http/CurlShare.h"
#include "http/HttpMulti.h"
#include "http/HttpTransfer.h"

namespace {

constexpr qint64 ProgressIntervalMs = 100;

} // namespace

HttpUpload::HttpUpload(QObject *parent)
    : QObject(parent), m_easy((CurlShare::handle(), curl_easy_init()), curl_easy_cleanup),
      m_transfer(std::make_unique<HttpTransfer>(m_easy.get()))
{}

HttpUpload::~HttpUpload()
{
    abort();
}

CURL *HttpUpload::easy() const
{
    return m_easy.get();
}

void HttpUpload::start(const HttpRequest &request)
{
    abort();
    m_transfer->prepare(request);
    m_response = {};
    m_error.clear();
    m_reportedSent = -1;
    m_sinceReport.start();
    m_running = true;
    HttpMulti::forCurrentThread().add(this);
}

void HttpUpload::abort()
{
    if (!m_running)
        return;
    m_running = false;
    HttpMulti::forCurrentThread().remove(this);
}

qint64 HttpUpload::bytesSent() const
{
    return m_transfer->bytesSent();
}

bool HttpUpload::resume()
{
    if (!m_running || !m_transfer->takePause())
        return false;
    curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
    return true;
}

void HttpUpload::setResult(CURLcode code)
{
    m_error = m_transfer->result(code);
    if (!m_error)
        m_response = m_transfer->response();
}

void HttpUpload::reportProgress(bool force)
{
    const qint64 sent = m_transfer->bytesSent();
    const qint64 total = m_transfer->bodyLength();
    if (sent == m_reportedSent)
        return;
    if (!force && sent != total && m_sinceReport.elapsed() < ProgressIntervalMs)
        return;
    m_sinceReport.restart();
    m_reportedSent = sent;
    Q_EMIT uploadProgress(sent, total);
}

void HttpUpload::reportEnd()
{
    if (!m_running)
        return;
    m_running = false;
    // The last of the body that went out is told before the ending.
    reportProgress(true);
    if (!m_running) // nothing in between may have restarted it
        Q_EMIT finished();
}
