#include "UserStore.h"

#include "Database.h"
#include "PasswordHash.h"

namespace {

const char *const UserColumns = "id, name, rights, quota, description, email";

User readUser(const Statement &row)
{
    User user;
    user.id = row.integer(0);
    user.name = row.text(1);
    user.rights = Rights(uint32_t(row.integer(2)));
    user.quota = uint64_t(row.integer(3));
    user.description = row.text(4);
    user.email = row.text(5);
    return user;
}

} // namespace

bool UserStore::isValidName(const std::string &name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.' || name.front() == '-')
        return false;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-' || c == '@';
        if (!plain)
            return false;
    }
    return true;
}

std::optional<User> UserStore::find(const std::string &name)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + UserColumns + " FROM users WHERE name = ?");
    query.bind(1, name);
    if (!query.step())
        return std::nullopt;
    return readUser(query);
}

std::optional<User> UserStore::findById(int64_t id)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + UserColumns + " FROM users WHERE id = ?");
    query.bind(1, id);
    if (!query.step())
        return std::nullopt;
    return readUser(query);
}

std::optional<User> UserStore::authenticate(const std::string &name, const std::string &password)
{
    std::optional<User> user;
    PasswordHash stored;
    {
        auto lock = m_db.lock();
        auto query = m_db.prepare(std::string("SELECT ") + UserColumns +
                                  ", salt, hash, iterations FROM users WHERE name = ?");
        query.bind(1, name);
        if (query.step()) {
            user = readUser(query);
            stored.salt = query.text(6);
            stored.hash = query.text(7);
            stored.iterations = int(query.integer(8));
        }
    }
    // Hashing happens outside the lock: it is slow on purpose and must not hold up other requests.
    if (!user) {
        PasswordHash::spendComparisonTime(password);
        return std::nullopt;
    }
    if (!stored.matches(password))
        return std::nullopt;
    return user;
}

bool UserStore::add(const User &user, const std::string &password, std::string &error)
{
    if (!isValidName(user.name)) {
        error = "user names are 1-64 characters of letters, digits, '.', '_', '-', '@', not starting with "
                "'.' or '-'";
        return false;
    }
    const PasswordHash hash = PasswordHash::create(password);
    auto lock = m_db.lock();
    if (find(user.name)) {
        error = "user " + user.name + " exists already";
        return false;
    }
    auto insert =
        m_db.prepare("INSERT INTO users (name, salt, hash, iterations, rights, quota, description, email) "
                     "VALUES (?, CAST(? AS BLOB), CAST(? AS BLOB), ?, ?, ?, ?, ?)");
    insert.bind(1, user.name).bind(2, hash.salt).bind(3, hash.hash).bind(4, int64_t(hash.iterations));
    insert.bind(5, int64_t(user.rights.bits())).bind(6, int64_t(user.quota));
    insert.bind(7, user.description).bind(8, user.email);
    insert.run();
    return true;
}

void UserStore::update(const User &user)
{
    auto lock = m_db.lock();
    auto statement =
        m_db.prepare("UPDATE users SET rights = ?, quota = ?, description = ?, email = ? WHERE id = ?");
    statement.bind(1, int64_t(user.rights.bits())).bind(2, int64_t(user.quota));
    statement.bind(3, user.description).bind(4, user.email).bind(5, user.id);
    statement.run();
}

void UserStore::setPassword(int64_t userId, const std::string &password)
{
    const PasswordHash hash = PasswordHash::create(password);
    auto lock = m_db.lock();
    auto statement = m_db.prepare(
        "UPDATE users SET salt = CAST(? AS BLOB), hash = CAST(? AS BLOB), iterations = ? WHERE id = ?");
    statement.bind(1, hash.salt).bind(2, hash.hash).bind(3, int64_t(hash.iterations)).bind(4, userId);
    statement.run();
}

bool UserStore::remove(const std::string &name)
{
    auto lock = m_db.lock();
    auto statement = m_db.prepare("DELETE FROM users WHERE name = ?");
    statement.bind(1, name);
    statement.run();
    return m_db.changes() > 0;
}

std::vector<User> UserStore::list()
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + UserColumns + " FROM users ORDER BY name");
    std::vector<User> users;
    while (query.step())
        users.push_back(readUser(query));
    return users;
}

bool UserStore::isEmpty()
{
    auto lock = m_db.lock();
    auto query = m_db.prepare("SELECT COUNT(*) FROM users");
    query.step();
    return query.integer(0) == 0;
}
