#pragma once

#include <cstdint>
#include <optional>
#include <string>

class Database;

// Signed-in sessions. The cookie carries a random token; only its hash is stored, so the
// database alone does not let anyone take over a session. Each session also has a page token for
// the links to the web pages, which open in a browser that does not hold the cookie.
class SessionStore
{
public:
    struct Session
    {
        int64_t userId = 0;
        std::string pageToken;
    };
    enum class State { Valid, Expired, Unknown };

    SessionStore(Database &db, int timeoutSeconds) : m_db(db), m_timeoutSeconds(timeoutSeconds) {}

    // Starts a session for the user and returns the new cookie token.
    std::string create(int64_t userId);
    // Looks the cookie token up; a valid session counts as used now.
    State find(const std::string &cookieToken, Session &session);
    std::optional<Session> findByPageToken(const std::string &pageToken);
    void remove(const std::string &cookieToken);

    int timeoutSeconds() const { return m_timeoutSeconds; }

private:
    void removeExpired();

    Database &m_db;
    int m_timeoutSeconds;
};
