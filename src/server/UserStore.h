#pragma once

#include "Rights.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Database;

struct User
{
    int64_t id = 0;
    std::string name;
    Rights rights;
    uint64_t quota = 0;
    std::string description;
    std::string email;
};

// The accounts: names, password hashes, rights and quotas.
class UserStore
{
public:
    explicit UserStore(Database &db) : m_db(db) {}

    // User names become folder names, so they are kept to a plain set of characters.
    static bool isValidName(const std::string &name);

    std::optional<User> find(const std::string &name);
    std::optional<User> findById(int64_t id);
    // The user when the password matches; nothing otherwise, taking the same time either way.
    std::optional<User> authenticate(const std::string &name, const std::string &password);

    // False with a reason when the name is invalid or taken.
    bool add(const User &user, const std::string &password, std::string &error);
    void update(const User &user);
    void setPassword(int64_t userId, const std::string &password);
    bool remove(const std::string &name);
    std::vector<User> list();
    bool isEmpty();

private:
    Database &m_db;
};
