#include "SessionCookie.h"

#include <httplib.h>

namespace SessionCookie {

std::string tokenFrom(const httplib::Request &request)
{
    const std::string prefix = std::string(Name) + "=";
    const size_t headers = request.get_header_value_count("Cookie");
    for (size_t h = 0; h < headers; ++h) {
        const std::string cookies = request.get_header_value("Cookie", h);
        size_t start = 0;
        while (start < cookies.size()) {
            size_t end = cookies.find(';', start);
            if (end == std::string::npos)
                end = cookies.size();
            std::string pair = cookies.substr(start, end - start);
            pair.erase(0, pair.find_first_not_of(' '));
            if (pair.compare(0, prefix.size(), prefix) == 0)
                return pair.substr(prefix.size());
            start = end + 1;
        }
    }
    return std::string();
}

std::string setCookieValue(const std::string &token, bool secure)
{
    return std::string(Name) + "=" + token + "; Path=/; HttpOnly; SameSite=Lax" + (secure ? "; Secure" : "");
}

} // namespace SessionCookie
