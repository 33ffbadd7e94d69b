#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <curl/curl.h>

#include <map>
#include <memory>

class HttpUpload;
class QSocketNotifier;

// libcurl's multi interface driven by the Qt event loop of one thread: a socket notifier for each
// socket libcurl watches, one timer for its time-outs. Transfers added here share the handle's
// connections, so a batch of uploads to one server reuses them.
//
// Nothing is reported from inside libcurl: progress and endings are handed to the uploads after
// libcurl has returned, so their listeners may start or stop transfers at once.
class HttpMulti : public QObject
{
    Q_OBJECT

public:
    // The multi handle of the calling thread, made on first use.
    static HttpMulti &forCurrentThread();
    ~HttpMulti() override;

    void add(HttpUpload *upload);
    // Takes the upload out at once; nothing more is reported for it.
    void remove(HttpUpload *upload);

private:
    HttpMulti();

    struct SocketWatch
    {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *socketData);
    static int onTimer(CURLM *multi, long timeoutMs, void *self);
    void watch(curl_socket_t socket, int what);
    void unwatch(curl_socket_t socket);
    void act(curl_socket_t socket, int events);
    void deliver();
    void resumePaused();

    CURLM *m_multi;
    QTimer m_timer;
    QTimer m_resumeTimer; // wakes bodies that wait for the rate limit's allowance
    std::map<curl_socket_t, SocketWatch> m_sockets;
    QList<QPointer<HttpUpload>> m_uploads;
};
