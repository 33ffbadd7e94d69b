#include "SessionStore.h"

#include "Database.h"
#include "PasswordHash.h"

#include <chrono>

namespace {

int64_t now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// An expired session is kept this long so that its owner is told "expired" rather than "unknown".
constexpr int64_t ExpiredKeptSeconds = 7 * 24 * 3600;

} // namespace

std::string SessionStore::create(int64_t userId)
{
    removeExpired();
    const std::string token = randomHexToken(32);
    auto lock = m_db.lock();
    auto insert =
        m_db.prepare("INSERT INTO sessions (token_hash, user_id, page_token, last_used) VALUES (?, ?, ?, ?)");
    insert.bind(1, sha256Hex(token)).bind(2, userId).bind(3, randomHexToken(32)).bind(4, now());
    insert.run();
    return token;
}

SessionStore::State SessionStore::find(const std::string &cookieToken, Session &session)
{
    if (cookieToken.empty())
        return State::Unknown;
    const std::string hash = sha256Hex(cookieToken);
    auto lock = m_db.lock();
    auto query = m_db.prepare("SELECT user_id, page_token, last_used FROM sessions WHERE token_hash = ?");
    query.bind(1, hash);
    if (!query.step())
        return State::Unknown;
    const int64_t time = now();
    const int64_t lastUsed = query.integer(2);
    if (time - lastUsed > m_timeoutSeconds)
        return State::Expired;
    session.userId = query.integer(0);
    session.pageToken = query.text(1);
    // Several requests a second are common (a sign-in makes five); one write a second is enough.
    if (lastUsed != time) {
        auto touch = m_db.prepare("UPDATE sessions SET last_used = ? WHERE token_hash = ?");
        touch.bind(1, time).bind(2, hash);
        touch.run();
    }
    return State::Valid;
}

std::optional<SessionStore::Session> SessionStore::findByPageToken(const std::string &pageToken)
{
    if (pageToken.empty())
        return std::nullopt;
    auto lock = m_db.lock();
    auto query = m_db.prepare("SELECT user_id, last_used FROM sessions WHERE page_token = ?");
    query.bind(1, pageToken);
    if (!query.step() || now() - query.integer(1) > m_timeoutSeconds)
        return std::nullopt;
    Session session{query.integer(0), pageToken};
    auto touch = m_db.prepare("UPDATE sessions SET last_used = ? WHERE page_token = ?");
    touch.bind(1, now()).bind(2, pageToken);
    touch.run();
    return session;
}

void SessionStore::remove(const std::string &cookieToken)
{
    auto lock = m_db.lock();
    auto statement = m_db.prepare("DELETE FROM sessions WHERE token_hash = ?");
    statement.bind(1, sha256Hex(cookieToken));
    statement.run();
}

void SessionStore::removeExpired()
{
    auto lock = m_db.lock();
    auto statement = m_db.prepare("DELETE FROM sessions WHERE last_used < ?");
    statement.bind(1, now() - m_timeoutSeconds - ExpiredKeptSeconds);
    statement.run();
}
