#include "http/HttpMulti.h"

#include "http/CurlShare.h"
#include "http/HttpRateLimit.h"
#include "http/HttpUpload.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

namespace {

thread_local std::unique_ptr<HttpMulti> t_multi;

// A thread_local of the application's thread would only go after main() returns, when Qt is gone.
void releaseApplicationThreadMulti()
{
    t_multi.reset();
}

// A notifier may be the one whose signal is being delivered; it goes once that is over.
void retire(std::unique_ptr<QSocketNotifier> &notifier)
{
    if (notifier) {
        notifier->setEnabled(false);
        notifier.release()->deleteLater();
    }
}

} // namespace

HttpMulti &HttpMulti::forCurrentThread()
{
    if (!t_multi) {
        t_multi.reset(new HttpMulti);
        QCoreApplication *application = QCoreApplication::instance();
        if (application && application->thread() == QThread::currentThread())
            qAddPostRoutine(releaseApplicationThreadMulti);
    }
    return *t_multi;
}

HttpMulti::HttpMulti()
{
    CurlShare::handle(); // libcurl is initialised
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &HttpMulti::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &HttpMulti::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    m_resumeTimer.setSingleShot(true);
    m_resumeTimer.setInterval(10);
    connect(&m_resumeTimer, &QTimer::timeout, this, &HttpMulti::resumePaused);
}

HttpMulti::~HttpMulti()
{
    const QList<QPointer<HttpUpload>> uploads = m_uploads;
    for (const QPointer<HttpUpload> &upload : uploads) {
        if (upload)
            curl_multi_remove_handle(m_multi, upload->easy());
    }
    curl_multi_cleanup(m_multi);
}

void HttpMulti::add(HttpUpload *upload)
{
    m_uploads.append(upload);
    // libcurl asks for a time-out at once, through which the transfer starts.
    curl_multi_add_handle(m_multi, upload->easy());
}

void HttpMulti::remove(HttpUpload *upload)
{
    if (m_uploads.removeAll(upload) > 0)
        curl_multi_remove_handle(m_multi, upload->easy());
}

int HttpMulti::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    auto *multi = static_cast<HttpMulti *>(self);
    if (what == CURL_POLL_REMOVE)
        multi->unwatch(socket);
    else
        multi->watch(socket, what);
    return 0;
}

int HttpMulti::onTimer(CURLM *, long timeoutMs, void *self)
{
    auto *multi = static_cast<HttpMulti *>(self);
    if (timeoutMs < 0)
        multi->m_timer.stop();
    else
        multi->m_timer.start(int(timeoutMs));
    return 0;
}

void HttpMulti::watch(curl_socket_t socket, int what)
{
    SocketWatch &watch = m_sockets[socket];
    const auto want = [&](std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type, bool wanted,
                          int event) {
        if (!wanted) {
            retire(notifier);
            return;
        }
        if (notifier) {
            notifier->setEnabled(true);
            return;
        }
        notifier = std::make_unique<QSocketNotifier>(qintptr(socket), type);
        connect(notifier.get(), &QSocketNotifier::activated, this,
                [this, socket, event] { act(socket, event); });
    };
    want(watch.read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT, CURL_CSELECT_IN);
    want(watch.write, QSocketNotifier::Write, what == CURL_POLL_OUT || what == CURL_POLL_INOUT,
         CURL_CSELECT_OUT);
}

void HttpMulti::unwatch(curl_socket_t socket)
{
    const auto found = m_sockets.find(socket);
    if (found == m_sockets.end())
        return;
    retire(found->second.read);
    retire(found->second.write);
    m_sockets.erase(found);
}

void HttpMulti::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    deliver();
}

void HttpMulti::resumePaused()
{
    const QList<QPointer<HttpUpload>> running = m_uploads;
    for (const QPointer<HttpUpload> &upload : running) {
        if (upload)
            upload->resume();
    }
    deliver();
}

// Hands what libcurl did to the uploads: progress first, then the ones that ended.
void HttpMulti::deliver()
{
    QList<QPointer<HttpUpload>> ended;
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        for (const QPointer<HttpUpload> &upload : std::as_const(m_uploads)) {
            if (upload && upload->easy() == message->easy_handle) {
                upload->setResult(message->data.result);
                ended.append(upload);
            }
        }
    }
    for (const QPointer<HttpUpload> &upload : std::as_const(ended)) {
        if (upload)
            remove(upload);
    }
    const QList<QPointer<HttpUpload>> running = m_uploads;
    for (const QPointer<HttpUpload> &upload : running) {
        if (upload)
            upload->reportProgress(false);
    }
    if (!m_resumeTimer.isActive() && HttpRateLimit::bytesPerSecond() > 0 && !m_uploads.isEmpty())
        m_resumeTimer.start();
    for (const QPointer<HttpUpload> &upload : std::as_const(ended)) {
        if (upload)
            upload->reportEnd();
    }
}
