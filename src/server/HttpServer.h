#pragma once

struct ServerContext;

// Serves the SOAP service, the upload script and the web pages over HTTP or HTTPS until SIGINT
// or SIGTERM. The first line on standard output is "listening on URL" with the actual port.
class HttpServer
{
public:
    explicit HttpServer(ServerContext &context) : m_context(context) {}
    // The exit status of the program.
    int run();

private:
    ServerContext &m_context;
};
