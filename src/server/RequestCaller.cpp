#include "RequestCaller.h"

#include "ServerContext.h"
#include "SessionCookie.h"

RequestCaller RequestCaller::lookUp(ServerContext &context, const httplib::Request &request)
{
    RequestCaller caller;
    const std::string token = SessionCookie::tokenFrom(request);
    SessionStore::Session session;
    caller.state = context.sessions.find(token, session);
    if (caller.state != SessionStore::State::Valid)
        return caller;
    caller.user = context.users.findById(session.userId);
    if (!caller.user) {
        caller.state = SessionStore::State::Unknown;
        return caller;
    }
    caller.cookieToken = token;
    caller.pageToken = session.pageToken;
    return caller;
}

std::string RequestCaller::refusal() const
{
    return state == SessionStore::State::Expired ? "SESSION_EXPIRED" : "NOT_LOGGED_IN";
}
