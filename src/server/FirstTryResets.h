#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>

// The fault "upload-reset-first=N": the first try of every Nth distinct upload (album and file
// name) is reset; later tries of the same file go through, as after a passing network failure.
class FirstTryResets
{
public:
    explicit FirstTryResets(unsigned every) : m_every(every) {}
    // True when this try of the file is to be reset; each file is counted on its first try only.
    bool shouldReset(int64_t albumId, const std::string &fileName);

private:
    const unsigned m_every;
    std::mutex m_mutex;
    std::set<std::pair<int64_t, std::string>> m_seen;
    unsigned m_count = 0;
};
