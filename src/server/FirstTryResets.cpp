#include "FirstTryResets.h"

bool FirstTryResets::shouldReset(int64_t albumId, const std::string &fileName)
{
    const std::lock_guard lock(m_mutex);
    if (m_every == 0 || !m_seen.emplace(albumId, fileName).second)
        return false;
    return ++m_count % m_every == 0;
}
