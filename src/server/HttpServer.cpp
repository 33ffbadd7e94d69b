#include "HttpServer.h"

#include "HttpRequestHelpers.h"
#include "RequestLog.h"
#include "ServerContext.h"
#include "SoapEndpoint.h"
#include "TlsCertificate.h"
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

// Enough workers for many parallel uploads next to the SOAP requests and idle keep-alive
// connections that each hold a worker for a while.
constexpr size_t WorkerThreads = 32;
// The library's default closes a connection after five requests, exactly one sign-in, so that
// every sign-in had to connect anew.
constexpr size_t RequestsPerConnection = 1000;
// A reply below this size fits into the first round trip of a new TCP connection (ten segments)
// anyway: compressing it saves the client no time and costs both ends some.
constexpr size_t SmallestCompressedReply = 14 * 1024;

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
    const bool post = request.method == "POST" &&
                      (request.path == SoapEndpoint::Path || request.path == UploadEndpoint::Path ||
                       request.path == "/pending/approve");
    if (!read && !post) {
        // Answered before the library would read a body of unknown size into memory.
        response.status = request.method == "POST" ? 404 : 405;
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
    std::unique_ptr<httplib::Server> server;
    if (options.tls) {
        TlsCertificate certificate{options.certFile, options.keyFile};
        std::string error;
        if (options.certFile.empty() && !TlsCertificate::ensure(options.dataDir, certificate, error)) {
            std::fprintf(stderr, "vendra-server: %s\n", error.c_str());
            return 1;
        }
        server =
            std::make_unique<httplib::SSLServer>(certificate.certFile.c_str(), certificate.keyFile.c_str());
        if (!server->is_valid()) {
            std::fprintf(stderr, "vendra-server: cannot use the certificate %s with the key %s\n",
                         certificate.certFile.c_str(), certificate.keyFile.c_str());
            return 1;
        }
    } else {
        server = std::make_unique<httplib::Server>();
    }

    SoapEndpoint soap(m_context);
    UploadEndpoint upload(m_context);
    WebPages pages(m_context);
    server->new_task_queue = [] {
        return new httplib::ThreadPool(WorkerThreads);
    };
    server->set_payload_max_length(size_t(options.maxTransferSize) + 1024 * 1024);
    server->set_read_timeout(30);
    server->set_write_timeout(30);
    // Replies go out as a header write and a body write; with Nagle's algorithm on, the body waits
    // for the client's (delayed, up to 40 ms) acknowledgement of the header.
    server->set_tcp_nodelay(true);
    server->set_keep_alive_max_count(RequestsPerConnection);
    server->set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &response) {
        return guard(m_context, request, response);
    });
    server->set_logger(logRequest);
    const auto post = [&](const std::string &pattern, auto handler) {
        server->Post(pattern, [handler](const httplib::Request &request, httplib::Response &response,
                                        const httplib::ContentReader &reader) {
            handler(request, response, reader);
            chooseReplyEncoding(request, response);
        });
    };
    const auto get = [&](const std::string &pattern, auto handler) {
        server->Get(pattern, [handler](const httplib::Request &request, httplib::Response &response) {
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

    int port = options.listenPort;
    if (port == 0)
        port = server->bind_to_any_port(options.listenHost);
    else if (!server->bind_to_port(options.listenHost, port))
        port = -1;
    if (port <= 0) {
        std::fprintf(stderr, "vendra-server: cannot listen on %s:%d\n", options.listenHost.c_str(),
                     options.listenPort);
        return 1;
    }
    std::printf("listening on %s://%s:%d\n", options.tls ? "https" : "http",
                hostForUrl(options.listenHost).c_str(), port);
    std::fflush(stdout);

    std::atomic<bool> stopRequested = false;
    std::atomic<bool> listenEnded = false;
    std::thread signalThread([&] {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGUSR1) {
            stopRequested = true;
            logLine(received == SIGINT ? "SIGINT: stopping" : "SIGTERM: stopping");
            // A stop before the server has begun to listen would be lost, and it would run on.
            while (!server->is_running() && !listenEnded)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            server->stop();
        }
    });

    const bool served = server->listen_after_bind();
    listenEnded = true;
    pthread_kill(signalThread.native_handle(), SIGUSR1);
    signalThread.join();
    logLine("stopped");
    return served || stopRequested ? 0 : 1;
}
