#include "HttpServer.h"

#include "ClientConnection.h"
#include "ConnectionLoop.h"
#include "ConnectionStream.h"
#include "HttpRequestHelpers.h"
#include "ListeningSocket.h"
#include "RequestLog.h"
#include "ServerContext.h"
#include "SoapEndpoint.h"
#include "TlsCertificate.h"
#include "TlsContext.h"
#include "UploadEndpoint.h"
#include "WebPages.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

// Workers serve requests whose head has arrived: enough for many parallel uploads next to the
// SOAP requests. Slow clients and idle keep-alive connections wait in the connection loop and
// hold none.
constexpr size_t WorkerThreads = 64;
// The library's default closes a connection after five requests, exactly one sign-in, so that
// every sign-in had to connect anew.
constexpr size_t RequestsPerConnection = 1000;
constexpr int IdleSeconds = 5;
constexpr std::chrono::seconds ReadTimeout{30};
constexpr std::chrono::seconds WriteTimeout{30};
// A reply below this size fits into the first round trip of a new TCP connection (ten segments)
// anyway: compressing it saves the client no time and costs both ends some.
constexpr size_t SmallestCompressedReply = 14 * 1024;

// The HTTP library parses, routes and answers requests; the connections are the ConnectionLoop's.
class RequestRouter : public httplib::Server
{
public:
    // The library takes a missing listening socket for a server shutting down, and stops writing
    // streamed replies (downloads) then; it only ever looks at it for that.
    explicit RequestRouter(int listenFd) { svr_sock_ = listenFd; }

    // Answers the one request whose head the connection holds; true when it may carry another.
    bool answer(ClientConnection &connection)
    {
        ConnectionStream stream(connection, ReadTimeout, WriteTimeout);
        const bool last = size_t(++connection.requestsServed) >= RequestsPerConnection;
        bool clientCloses = false;
        const bool answered = process_request(stream, last, clientCloses, {});
        return answered && !clientCloses && !last && !stream.mustClose();
    }
};

std::string regexFor(const std::string &path)
{
    std::string pattern;
    for (const char c : path) {
        if (c == '.')
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// The library compresses a text reply after its handler has run, choosing from the request's
// Accept-Encoding: brotli when listed (at its slowest, best quality: milliseconds even for a
// reply of one kilobyte), else gzip. Small replies go as they are and large ones as gzip.
void chooseReplyEncoding(const httplib::Request &request, const httplib::Response &response)
{
    auto &headers = const_cast<httplib::Request &>(request).headers;
    const auto [first, last] = headers.equal_range("Accept-Encoding");
    if (first == last)
        return;
    bool gzip = false;
    for (auto header = first; header != last; ++header)
        gzip = gzip || HttpRequestHelpers::acceptsGzip(header->second);
    headers.erase(first, last);
    if (gzip && response.body.size() >= SmallestCompressedReply)
        headers.emplace("Accept-Encoding", "gzip");
}

httplib::Server::HandlerResponse guard(ServerContext &context, const httplib::Request &request,
                                       httplib::Response &response)
{
    if (context.options.faults.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(context.options.faults.delayMs));

    const bool read = request.method == "GET" || request.method == "HEAD";
    const bool hasBody =
        request.has_header("Transfer-Encoding") || request.get_header_value<uint64_t>("Content-Length") > 0;
    const bool post = request.method == "POST" &&
                      (request.path == SoapEndpoint::Path || request.path == UploadEndpoint::Path ||
                       request.path == "/pending/approve");
    if ((!read && !post) || (read && hasBody)) {
        // Answered before the library would read a body of unknown size into memory.
        response.status = read ? 400 : request.method == "POST" ? 404 : 405;
        response.set_header("Connection", "close");
        response.set_content("not here\n", "text/plain");
        chooseReplyEncoding(request, response);
        return httplib::Server::HandlerResponse::Handled;
    }
    // Every body is read raw by our own handlers (uploads by our streaming multipart parser);
    // hiding the type keeps the library from parsing a multipart body as well.
    auto &headers = const_cast<httplib::Request &>(request).headers;
    const auto found = headers.find("Content-Type");
    if (post && found != headers.end()) {
        const std::string type = found->second;
        headers.erase(found);
        headers.emplace(UploadEndpoint::ContentTypeHeader, type);
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

std::string hostForUrl(const std::string &host)
{
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

} // namespace

int HttpServer::run()
{
    // The signals are taken by one thread that stops the server; every other thread (the
    // workers are started later and inherit the mask) leaves them alone. Blocked from the start,
    // so that a signal sent as soon as the address is announced is not lost.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const ServerOptions &options = m_context.options;
    std::unique_ptr<TlsContext> tls;
    if (options.tls) {
        TlsCertificate certificate{options.certFile, options.keyFile};
        std::string error;
        if (options.certFile.empty() && !TlsCertificate::ensure(options.dataDir, certificate, error)) {
            std::fprintf(stderr, "vendra-server: %s\n", error.c_str());
            return 1;
        }
        tls = std::make_unique<TlsContext>(certificate.certFile.string(), certificate.keyFile.string());
        if (!tls->isValid()) {
            std::fprintf(stderr, "vendra-server: cannot use the certificate %s with the key %s\n",
                         certificate.certFile.c_str(), certificate.keyFile.c_str());
            return 1;
        }
    }

    int port = options.listenPort;
    std::string error;
    const int listenFd = openListeningSocket(options.listenHost, port, error);
    if (listenFd < 0) {
        std::fprintf(stderr, "vendra-server: cannot listen on %s:%d: %s\n", options.listenHost.c_str(),
                     options.listenPort, error.c_str());
        return 1;
    }
    RequestRouter router(listenFd);
    SoapEndpoint soap(m_context);
    UploadEndpoint upload(m_context);
    WebPages pages(m_context);
    router.set_payload_max_length(size_t(options.maxTransferSize) + 1024 * 1024);
    router.set_keep_alive_max_count(RequestsPerConnection);
    router.set_keep_alive_timeout(IdleSeconds);
    router.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &response) {
        return guard(m_context, request, response);
    });
    // A reply that says close does: the rest of an unread body is never taken for a request.
    router.set_post_routing_handler([](const httplib::Request &, httplib::Response &response) {
        if (response.get_header_value("Connection") == "close")
            ConnectionStream::closeAfterReply();
    });
    router.set_logger(logRequest);
    const auto post = [&](const std::string &pattern, auto handler) {
        router.Post(pattern, [handler](const httplib::Request &request, httplib::Response &response,
                                       const httplib::ContentReader &reader) {
            // A handler that answers without reading the whole body closes the connection.
            bool bodyRead = false;
            const httplib::ContentReader tracked(
                [&](httplib::ContentReceiver receiver) { return bodyRead = reader(std::move(receiver)); },
                reader.multipart_reader_);
            handler(request, response, tracked);
            if (!bodyRead && response.get_header_value("Connection") != "close")
                response.set_header("Connection", "close");
            chooseReplyEncoding(request, response);
        });
    };
    const auto get = [&](const std::string &pattern, auto handler) {
        router.Get(pattern, [handler](const httplib::Request &request, httplib::Response &response) {
            handler(request, response);
            chooseReplyEncoding(request, response);
        });
    };
    post(regexFor(SoapEndpoint::Path), [&](const auto &request, auto &response, const auto &reader) {
        soap.handle(request, response, reader);
    });
    post(regexFor(UploadEndpoint::Path), [&](const auto &request, auto &response, const auto &reader) {
        upload.handle(request, response, reader);
    });
    post("/pending/approve", [&](const auto &request, auto &response, const auto &reader) {
        pages.approve(request, response, reader);
    });
    get("/", [&](const auto &request, auto &response) { pages.startPage(request, response); });
    get("/pending", [&](const auto &request, auto &response) { pages.pendingPage(request, response); });
    get("/pictures", [&](const auto &request, auto &response) { pages.picturesPage(request, response); });
    get("/pictures/file", [&](const auto &request, auto &response) { pages.download(request, response); });

    ConnectionLoop::Limits limits;
    limits.idleTime = std::chrono::seconds(IdleSeconds);
    limits.workers = WorkerThreads;
    ConnectionLoop loop(listenFd, tls ? tls->get() : nullptr, limits,
                        [&](ClientConnection &connection) { return router.answer(connection); });
    std::printf("listening on %s://%s:%d\n", options.tls ? "https" : "http",
                hostForUrl(options.listenHost).c_str(), port);
    std::fflush(stdout);

    std::atomic<bool> stopRequested = false;
    std::thread signalThread([&] {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGUSR1) {
            stopRequested = true;
            logLine(received == SIGINT ? "SIGINT: stopping" : "SIGTERM: stopping");
            loop.stop();
        }
    });

    const bool served = loop.run();
    pthread_kill(signalThread.native_handle(), SIGUSR1);
    signalThread.join();
    logLine("stopped");
    return served || stopRequested ? 0 : 1;
}
