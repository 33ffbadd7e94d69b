#include "CaptureHttpServer.h"

#include <httplib.h>

CaptureHttpServer::CaptureHttpServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->Post(".*", [this](const httplib::Request &request, httplib::Response &response,
                                const httplib::ContentReader &reader) {
        Capture capture;
        capture.path = request.path;
        capture.contentLength = request.get_header_value("Content-Length");
        if (const auto query = request.target.find('?'); query != std::string::npos)
            capture.query = request.target.substr(query + 1);
        if (request.is_multipart_form_data())
            capture.complete = reader(
                [&capture](const httplib::MultipartFormData &file) {
                    capture.parts.append({file.name, {}});
                    return true;
                },
                [&capture](const char *data, size_t length) {
                    capture.parts.last().content.append(data, qsizetype(length));
                    return true;
                });
        else
            capture.complete = reader([&capture](const char *data, size_t length) {
                capture.body.append(data, qsizetype(length));
                return true;
            });
        // Called unlocked: a responder may look at the captures so far.
        const Responder responder = [this] {
            const QMutexLocker lock(&m_mutex);
            return m_responder;
        }();
        if (responder)
            responder(capture, response);
        else
            response.status = 200;
        const QMutexLocker lock(&m_mutex);
        m_captures.append(std::move(capture));
    });
    // One request per connection, so that stopping never waits for an idle keep-alive connection.
    m_server->set_keep_alive_max_count(1);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    // A stop that comes before the server has begun to listen is lost, and the join would wait for
    // ever: return only once it listens.
    while (!m_server->is_running() && !m_listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CaptureHttpServer::~CaptureHttpServer()
{
    m_server->stop();
    m_thread.join();
}
