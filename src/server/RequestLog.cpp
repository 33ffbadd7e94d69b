#include "RequestLog.h"

#include <httplib.h>

#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

std::mutex &outputMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// Keeps a client-chosen text on one line and within reason.
std::string printable(const std::string &text, size_t maxLength = 200)
{
    std::string out;
    for (const unsigned char c : text.substr(0, maxLength)) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return text.size() > maxLength ? out + "..." : out;
}

void writeLine(const std::string &line)
{
    std::lock_guard lock(outputMutex());
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace

void logRequest(const httplib::Request &request, const httplib::Response &response)
{
    std::string line = timestamp() + " " + printable(request.remote_addr) + " " +
                       printable(request.method, 16) + " " + printable(request.path);
    if (request.has_header("SOAPAction"))
        line += " " + printable(request.get_header_value("SOAPAction"), 64);
    line += " " + std::to_string(response.status);
    if (request.has_header("Content-Length"))
        line += " in=" + printable(request.get_header_value("Content-Length"), 20);
    else if (request.has_header("Transfer-Encoding"))
        line += " in=chunked";
    writeLine(line);
}

void logLine(const char *text)
{
    writeLine(timestamp() + " " + text);
}
