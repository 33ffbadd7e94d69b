#pragma once

#include <map>
#include <string>

namespace httplib {
class ContentReader;
struct Request;
} // namespace httplib

// Small pieces shared by the request handlers.
namespace HttpRequestHelpers {

enum class BodyResult { Ok, TooLarge, Broken };
// Reads a request body into memory, but never more than maxBytes: the HTTP library itself does
// not bound chunked bodies.
BodyResult readBody(const httplib::ContentReader &reader, size_t maxBytes, std::string &body);

// "http://host:port" as the client addressed this server, for links it can follow back; the Host
// header is only trusted when it looks like a host name or address.
std::string baseUrl(const httplib::Request &request, bool tls);

// The text without leading and trailing spaces and tabs.
std::string trim(const std::string &text);
// True when an Accept-Encoding value lists gzip without refusing it ("gzip;q=0").
bool acceptsGzip(const std::string &accepted);

std::string urlDecode(const std::string &text);
// Percent-encodes everything but unreserved characters.
std::string urlEncode(const std::string &text);
// An application/x-www-form-urlencoded body.
std::map<std::string, std::string> parseForm(const std::string &body);

} // namespace HttpRequestHelpers
