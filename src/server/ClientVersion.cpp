#include "ClientVersion.h"

#include <cctype>
#include <cstdlib>

namespace {

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool hasLetter(const std::string &text)
{
    for (const unsigned char c : text)
        if (std::isalpha(c))
            return true;
    return false;
}

} // namespace

ClientVersion ClientVersion::fromPlain(const std::string &text)
{
    ClientVersion version;
    for (const std::string &part : split(text, '.')) {
        if (part.empty() || !std::isdigit(static_cast<unsigned char>(part[0])))
            break;
        version.m_parts.push_back(std::strtol(part.c_str(), nullptr, 10));
    }
    return version;
}

ClientVersion ClientVersion::fromReported(const std::string &text)
{
    // The part after the platform word, when there is one.
    const std::vector<std::string> parts = split(text, '.');
    for (size_t i = 0; i < parts.size(); ++i) {
        if (hasLetter(parts[i])) {
            std::string rest;
            for (size_t k = i + 1; k < parts.size(); ++k)
                rest += (k > i + 1 ? "." : "") + parts[k];
            return fromPlain(rest);
        }
    }
    return fromPlain(text);
}

int ClientVersion::compare(const ClientVersion &other) const
{
    const size_t count = std::max(m_parts.size(), other.m_parts.size());
    for (size_t i = 0; i < count; ++i) {
        const long mine = i < m_parts.size() ? m_parts[i] : 0;
        const long theirs = i < other.m_parts.size() ? other.m_parts[i] : 0;
        if (mine != theirs)
            return mine < theirs ? -1 : 1;
    }
    return 0;
}

std::string ClientVersion::toString() const
{
    std::string text;
    for (const long part : m_parts)
        text += (text.empty() ? "" : ".") + std::to_string(part);
    return text;
}
