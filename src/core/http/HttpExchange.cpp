#include "http/HttpExchange.h"

#include "http/CurlShare.h"
#include "http/HttpTransfer.h"

#include <memory>

namespace {

CURL *threadHandle()
{
    // Ends with its thread, closing that thread's connections.
    thread_local std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(
        (CurlShare::handle(), curl_easy_init()), curl_easy_cleanup);
    return easy.get();
}

} // namespace

HttpResponse HttpExchange::post(const HttpRequest &request, Error &error)
{
    HttpTransfer transfer(threadHandle());
    transfer.prepare(request);
    const CURLcode code = curl_easy_perform(transfer.easy());
    error = transfer.result(code);
    return error ? HttpResponse() : transfer.response();
}
