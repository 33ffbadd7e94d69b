#include "HttpRequestHelpers.h"

#include <httplib.h>

#include <algorithm>
#include <cstdlib>
#include <strings.h>

namespace HttpRequestHelpers {

BodyResult readBody(const httplib::ContentReader &reader, size_t maxBytes, std::string &body)
{
    bool tooLarge = false;
    const bool complete = reader([&](const char *data, size_t length) {
        if (body.size() + length > maxBytes) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge)
        return BodyResult::TooLarge;
    return complete ? BodyResult::Ok : BodyResult::Broken;
}

std::string trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool acceptsGzip(const std::string &accepted)
{
    size_t start = 0;
    while (start <= accepted.size()) {
        const size_t comma = std::min(accepted.find(',', start), accepted.size());
        const std::string item = accepted.substr(start, comma - start);
        const size_t semicolon = item.find(';');
        if (strcasecmp(trim(item.substr(0, semicolon)).c_str(), "gzip") == 0) {
            const size_t quality = semicolon == std::string::npos ? semicolon : item.find("q=", semicolon);
            return quality == std::string::npos || std::strtod(item.c_str() + quality + 2, nullptr) > 0;
        }
        start = comma + 1;
    }
    return false;
}

std::string baseUrl(const httplib::Request &request, bool tls)
{
    std::string host = request.get_header_value("Host");
    const bool plain =
        !host.empty() && host.size() < 256 &&
        host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
            std::string::npos;
    if (!plain) {
        host = request.local_addr.find(':') != std::string::npos ? "[" + request.local_addr + "]"
                                                                 : request.local_addr;
        host += ":" + std::to_string(request.local_port);
    }
    return std::string(tls ? "https://" : "http://") + host;
}

std::string urlDecode(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string urlEncode(const std::string &text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::map<std::string, std::string> parseForm(const std::string &body)
{
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string pair = body.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos)
            fields[urlDecode(pair.substr(0, equals))] = urlDecode(pair.substr(equals + 1));
        start = end + 1;
    }
    return fields;
}

} // namespace HttpRequestHelpers
