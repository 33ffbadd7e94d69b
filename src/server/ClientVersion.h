#pragma once

#include <string>
#include <vector>

// A client's version as it reports it ("61.MAC.2.0.3": build number, platform, version; or a
// plain "2.0.3"), reduced to the numbers of its version part for comparing.
class ClientVersion
{
public:
    static ClientVersion fromReported(const std::string &text);
    static ClientVersion fromPlain(const std::string &text);

    bool isEmpty() const { return m_parts.empty(); }
    // -1, 0 or 1; missing trailing parts count as 0, so 2.0 equals 2.0.0.
    int compare(const ClientVersion &other) const;
    // "2.0.3"
    std::string toString() const;

private:
    std::vector<long> m_parts;
};
