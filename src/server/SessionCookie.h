#pragma once

#include <string>

namespace httplib {
struct Request;
}

// The session cookie: its name, reading it from a request, writing the Set-Cookie value.
namespace SessionCookie {

inline constexpr const char *Name = "VENDRA_SESSION";

// The token the request carries, or an empty string.
std::string tokenFrom(const httplib::Request &request);
// Secure cookies are sent back by clients over HTTPS only.
std::string setCookieValue(const std::string &token, bool secure);

} // namespace SessionCookie
