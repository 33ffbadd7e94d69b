#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class DatabaseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One prepared statement; binds by position (from 1), steps, reads columns (from 0).
class Statement
{
public:
    Statement(sqlite3 *db, const std::string &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, int64_t value);
    Statement &bind(int index, const std::string &value);
    Statement &bindNull(int index);

    // True while a row is available.
    bool step();
    // Runs a statement that returns no rows.
    void run();

    int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

// The SQLite database of the server. Every user of it holds lock() while it works, so requests
// served on several threads see each other's changes whole.
class Database
{
public:
    explicit Database(const std::string &path);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(m_mutex); }

    Statement prepare(const std::string &sql) { return Statement(m_db, sql); }
    void exec(const std::string &sql);
    int64_t lastInsertId() const;
    int changes() const;

private:
    void createSchema();

    sqlite3 *m_db = nullptr;
    std::recursive_mutex m_mutex;
};

// Commits on commit(), rolls back when left without it (an exception, an early return).
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();

private:
    Database &m_db;
    bool m_done = false;
};
