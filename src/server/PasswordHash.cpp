#include "PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <stdexcept>

namespace {

constexpr int DefaultIterations = 100000;
constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;

std::string derive(const std::string &password, const std::string &salt, int iterations)
{
    std::string out(HashBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), int(password.size()),
                          reinterpret_cast<const unsigned char *>(salt.data()), int(salt.size()), iterations,
                          EVP_sha256(), HashBytes, reinterpret_cast<unsigned char *>(out.data())) != 1)
        throw std::runtime_error("password hashing failed");
    return out;
}

std::string randomBytes(int count)
{
    std::string bytes(size_t(count), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(bytes.data()), count) != 1)
        throw std::runtime_error("no random bytes available");
    return bytes;
}

std::string toHex(const unsigned char *data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

} // namespace

PasswordHash PasswordHash::create(const std::string &password)
{
    PasswordHash result;
    result.salt = randomBytes(SaltBytes);
    result.iterations = DefaultIterations;
    result.hash = derive(password, result.salt, result.iterations);
    return result;
}

bool PasswordHash::matches(const std::string &password) const
{
    if (iterations <= 0 || hash.size() != HashBytes)
        return false;
    const std::string candidate = derive(password, salt, iterations);
    return CRYPTO_memcmp(candidate.data(), hash.data(), HashBytes) == 0;
}

void PasswordHash::spendComparisonTime(const std::string &password)
{
    static const std::string salt(SaltBytes, 'x');
    derive(password, salt, DefaultIterations);
}

std::string randomHexToken(int bytes)
{
    const std::string raw = randomBytes(bytes);
    return toHex(reinterpret_cast<const unsigned char *>(raw.data()), raw.size());
}

std::string sha256Hex(const std::string &data)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char *>(data.data()), data.size(), digest);
    return toHex(digest, sizeof digest);
}
