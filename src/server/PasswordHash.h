#pragma once

#include <string>

// A salted PBKDF2-HMAC-SHA256 hash of a password; the password itself is never stored.
struct PasswordHash
{
    std::string salt; // raw bytes
    std::string hash; // raw bytes
    int iterations = 0;

    static PasswordHash create(const std::string &password);
    // Compares in constant time, so the time taken says nothing about how much of it matched.
    bool matches(const std::string &password) const;
    // Spends the time of one comparison, for unknown user names, so that they cannot be told
    // apart from wrong passwords by the time the answer takes.
    static void spendComparisonTime(const std::string &password);
};

// Random bytes from the system's generator, as lower-case hex text.
std::string randomHexToken(int bytes);
std::string sha256Hex(const std::string &data);
