#pragma once

namespace httplib {
class ContentReader;
struct Request;
struct Response;
} // namespace httplib
struct ServerContext;

// The web pages the client opens in a browser: the user's pending files (with approval) and the
// user's pictures (albums and downloadable assets). The browser holds no session cookie, so the
// links carry the session's page token instead.
class WebPages
{
public:
    explicit WebPages(ServerContext &context) : m_context(context) {}

    void startPage(const httplib::Request &request, httplib::Response &response);
    void pendingPage(const httplib::Request &request, httplib::Response &response);
    void approve(const httplib::Request &request, httplib::Response &response,
                 const httplib::ContentReader &reader);
    void picturesPage(const httplib::Request &request, httplib::Response &response);
    void download(const httplib::Request &request, httplib::Response &response);

private:
    ServerContext &m_context;
};
