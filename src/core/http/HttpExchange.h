#pragma once

#include "common/Error.h"
#include "http/HttpRequest.h"

// A request sent and its whole reply awaited on the calling thread, for the SOAP calls on their
// worker threads. Calls reuse the connections of earlier ones, whichever thread made them.
class HttpExchange
{
public:
    // The reply, whatever its HTTP status; on a transport failure error is set and the response
    // is empty.
    static HttpResponse post(const HttpRequest &request, Error &error);
};
