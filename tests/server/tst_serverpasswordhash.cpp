// The server's password hash is standard PBKDF2-HMAC-SHA256, so that hashes stored by any earlier
// build (or made by OpenSSL itself) verify; a broken record never matches.
#include "PasswordHash.h"
#include "VendraTest.h"

#include <openssl/evp.h>

namespace {

std::string openSslPbkdf2(const std::string &password, const std::string &salt, int iterations)
{
    std::string out(32, '\0');
    const int done = PKCS5_PBKDF2_HMAC(
        password.data(), int(password.size()), reinterpret_cast<const unsigned char *>(salt.data()),
        int(salt.size()), iterations, EVP_sha256(), 32, reinterpret_cast<unsigned char *>(out.data()));
    return done == 1 ? out : std::string();
}

} // namespace

class TestServerPasswordHash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Passwords around the block size of SHA-256 (longer keys are hashed first), salts around the
    // room left in the first block, iteration counts at the edges of the loop; the count stored with
    // the hash is the one used. New hashes are salted; broken records never match.
    void storedHashesVerifyAndBrokenOnesNeverMatch()
    {
        for (const auto &[length, saltLength, iterations] :
             {std::tuple(0, 16, 1), std::tuple(64, 16, 2), std::tuple(65, 55, 3), std::tuple(200, 56, 4096),
              std::tuple(5, 100, 1000)}) {
            const std::string password(size_t(length), 'p');
            const std::string salt(size_t(saltLength), 's');
            PasswordHash stored{salt, openSslPbkdf2(password, salt, iterations), iterations};
            QVERIFY(stored.matches(password) && !stored.matches(password + "x"));
            stored.iterations = iterations + 1;
            QVERIFY(!stored.matches(password));
        }
        const PasswordHash first = PasswordHash::create("demo");
        QVERIFY(first.salt.size() == 16 && first.salt != PasswordHash::create("demo").salt &&
                first.iterations >= 100000);
        QCOMPARE(first.hash, openSslPbkdf2("demo", first.salt, first.iterations));
        PasswordHash broken = PasswordHash::create("");
        broken.iterations = 0;
        QVERIFY(!broken.matches(""));
        broken = PasswordHash::create("");
        broken.hash.pop_back();
        QVERIFY(!broken.matches(""));
    }
};

VENDRA_TEST_MAIN(TestServerPasswordHash)
#include "tst_serverpasswordhash.moc"
