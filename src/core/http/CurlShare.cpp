#include "http/CurlShare.h"

#include <array>
#include <mutex>

namespace {

class Share
{
public:
    Share()
    {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        m_share = curl_share_init();
        curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &Share::lock);
        curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
        curl_share_setopt(m_share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    // Never cleaned up: transfers on threads that outlive main()'s objects may still hold it.
    Share(const Share &) = delete;

    CURLSH *handle() const { return m_share; }

private:
    static void lock(CURL *, curl_lock_data data, curl_lock_access, void *self)
    {
        static_cast<Share *>(self)->mutexFor(data).lock();
    }
    static void unlock(CURL *, curl_lock_data data, void *self)
    {
        static_cast<Share *>(self)->mutexFor(data).unlock();
    }
    std::mutex &mutexFor(curl_lock_data data)
    {
        const auto index = size_t(data);
        return m_mutexes[index < m_mutexes.size() ? index : 0];
    }

    CURLSH *m_share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_mutexes;
};

} // namespace

CURLSH *CurlShare::handle()
{
    static Share *share = new Share; // deliberately leaked, see above
    return share->handle();
}
