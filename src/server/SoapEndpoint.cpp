#include "SoapEndpoint.h"

#include "HttpRequestHelpers.h"
#include "PasswordHash.h"
#include "RequestCaller.h"
#include "ServerContext.h"
#include "SessionCookie.h"
#include "SoapMethods.h"
#include "SoapReply.h"

#include <httplib.h>

namespace {

constexpr size_t MaxRequestBytes = 1024 * 1024;
const char *const XmlContentType = "text/xml; charset=utf-8";

} // namespace

void SoapEndpoint::handle(const httplib::Request &request, httplib::Response &response,
                          const httplib::ContentReader &reader)
{
    const FaultPlan &faults = m_context.options.faults;
    const bool tls = m_context.options.tls;
    std::string body;
    // A length announced beyond the limit is refused before a byte of the body is read.
    const bool tooLong = request.get_header_value<uint64_t>("Content-Length") > MaxRequestBytes;
    switch (tooLong ? HttpRequestHelpers::BodyResult::TooLarge
                    : HttpRequestHelpers::readBody(reader, MaxRequestBytes, body)) {
    case HttpRequestHelpers::BodyResult::Ok:
        break;
    case HttpRequestHelpers::BodyResult::TooLarge:
        response.status = 413;
        response.set_header("Connection", "close");
        response.set_content(SoapReply::fault("Client", "request too large"), XmlContentType);
        return;
    case HttpRequestHelpers::BodyResult::Broken:
        response.status = 400;
        response.set_header("Connection", "close");
        response.set_content(SoapReply::fault("Client", "request body incomplete"), XmlContentType);
        return;
    }

    const RequestCaller found = RequestCaller::lookUp(m_context, request);
    SoapCall call;
    std::string error;
    SoapOutcome outcome;
    if (!SoapCall::parse(body, call, error)) {
        response.status = 500;
        response.set_content(SoapReply::fault("Client", error), XmlContentType);
    } else {
        const SoapMethodEntry *entry = findSoapMethod(call.method);
        SoapCaller caller{found.user, found.pageToken, HttpRequestHelpers::baseUrl(request, tls)};
        const auto apiFault = faults.soapApiResponse.find(call.method);
        const auto actionFault = faults.soapActionResponse.find(call.method);
        if (!entry)
            outcome.apiResponse = "UNKNOWN_METHOD";
        else if (apiFault != faults.soapApiResponse.end())
            outcome.apiResponse = apiFault->second;
        else if (entry->needsSession && !caller.user)
            outcome.apiResponse = found.refusal();
        else if (actionFault != faults.soapActionResponse.end())
            outcome.actionResponse = actionFault->second;
        else
            outcome = entry->method(m_context, call, caller);
        response.status = 200;
        const bool ok = outcome.apiResponse == "OK" && outcome.actionResponse == "OK";
        response.set_content(SoapReply::envelope(call.method, outcome.apiResponse, outcome.actionResponse,
                                                 ok ? outcome.members : std::string()),
                             XmlContentType);
    }

    // Signing in always starts a fresh session, so a cookie planted before sign-in is worthless.
    std::string cookieToken = found.cookieToken;
    if (outcome.signInUser) {
        if (!cookieToken.empty())
            m_context.sessions.remove(cookieToken);
        cookieToken = m_context.sessions.create(*outcome.signInUser);
    } else if (outcome.signOut && !cookieToken.empty()) {
        m_context.sessions.remove(cookieToken);
        cookieToken.clear();
    }
    // Callers without a session still get a cookie, one that names no session.
    if (cookieToken.empty())
        cookieToken = randomHexToken(32);
    if (!faults.omitCookie)
        response.set_header("Set-Cookie", SessionCookie::setCookieValue(cookieToken, tls));
}
