#pragma once

#include "SessionStore.h"
#include "UserStore.h"

#include <optional>
#include <string>

namespace httplib {
struct Request;
}
struct ServerContext;

// The session and user behind a request's cookie.
struct RequestCaller
{
    SessionStore::State state = SessionStore::State::Unknown;
    std::optional<User> user;
    std::string cookieToken; // set only for a valid session
    std::string pageToken;

    static RequestCaller lookUp(ServerContext &context, const httplib::Request &request);
    // The APIResponse text for a caller without a valid session.
    std::string refusal() const;
};
