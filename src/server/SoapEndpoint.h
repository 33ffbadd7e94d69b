#pragma once

namespace httplib {
class ContentReader;
struct Request;
struct Response;
} // namespace httplib
struct ServerContext;

// The SOAP service: reads the envelope, checks the session, runs the method, writes the reply
// with the session cookie that every reply carries.
class SoapEndpoint
{
public:
    static constexpr const char *Path = "/soap/soap_server_uploadtool.hvxr";

    explicit SoapEndpoint(ServerContext &context) : m_context(context) {}
    void handle(const httplib::Request &request, httplib::Response &response,
                const httplib::ContentReader &reader);

private:
    ServerContext &m_context;
};
