#include "http/HttpExchange.h"

#include "http/CurlShare.h"
#include "http/HttpTransfer.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// Handles between two exchanges, each keeping the connections of its last one. A call takes one and
// gives it back, so that the calls of every worker thread reuse one another's connections (and skip
// their TLS handshakes), while a handle still serves one thread at a time, as libcurl requires.
class IdleHandles
{
public:
    static IdleHandles &instance()
    {
        // Deliberately leaked, as libcurl's share is: a worker that outlives main()'s objects may
        // still give a handle back at exit.
        static IdleHandles *idle = new IdleHandles;
        return *idle;
    }

    EasyHandle take()
    {
        std::lock_guard lock(m_mutex);
        if (m_handles.empty())
            return EasyHandle(curl_easy_init(), curl_easy_cleanup);
        EasyHandle handle = std::move(m_handles.back());
        m_handles.pop_back();
        return handle;
    }

    void giveBack(EasyHandle handle)
    {
        std::lock_guard lock(m_mutex);
        if (m_handles.size() < MaximumIdle)
            m_handles.push_back(std::move(handle));
    }

private:
    // As many as the calls that run at once in a busy window; more would only hold sockets open.
    static constexpr size_t MaximumIdle = 4;

    IdleHandles() { CurlShare::handle(); } // sets libcurl up before the first handle

    std::mutex m_mutex;
    std::vector<EasyHandle> m_handles;
};

} // namespace

HttpResponse HttpExchange::post(const HttpRequest &request, Error &error)
{
    IdleHandles &idle = IdleHandles::instance();
    EasyHandle easy = idle.take();
    HttpResponse response;
    {
        HttpTransfer transfer(easy.get());
        transfer.prepare(request);
        const CURLcode code = curl_easy_perform(transfer.easy());
        error = transfer.result(code);
        if (!error)
            response = transfer.response();
    }
    // Nothing of the finished exchange stays set on the handle; its connections do.
    curl_easy_reset(easy.get());
    idle.giveBack(std::move(easy));
    return response;
}
