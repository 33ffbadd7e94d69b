// The server's password hash: standard PBKDF2-HMAC-SHA256, so that hashes stored by any earlier
// build (or made by OpenSSL itself) verify, and new ones can be checked by any implementation.
#include "PasswordHash.h"
#include "VendraTest.h"

#include <openssl/evp.h>

namespace {

std::string openSslPbkdf2(const std::string &password, const std::string &salt, int iterations)
{
    std::string out(32, '\0');
    const int done =
        PKCS5_PBKDF2_HMAC(password.data(), int(password.size()),
                          reinterpret_cast<const unsigned char *>(salt.data()), int(salt.size()), iterations,
                          EVP_sha256(), int(out.size()), reinterpret_cast<unsigned char *>(out.data()));
    return done == 1 ? out : std::string();
}

std::string bytes(int count, int seed)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += char((i * 37 + seed) & 0xff);
    return text;
}

} // namespace

class TestServerPasswordHash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedHashesVerify_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("iterations");
        // Passwords around the block size of SHA-256 (longer keys are hashed first), salts around
        // the room left in the first block, iteration counts at the edges of the loop.
        for (const int length : {0, 1, 4, 55, 63, 64, 65, 200}) {
            const QByteArray password = QByteArray::fromStdString(bytes(length, length));
            QTest::addRow("password %d bytes", length) << password << QByteArray("0123456789abcdef") << 1000;
        }
        for (const int length : {0, 16, 51, 52, 55, 56, 64, 100})
            QTest::addRow("salt %d bytes", length)
                << QByteArray("demo") << QByteArray::fromStdString(bytes(length, 7)) << 1000;
        for (const int iterations : {1, 2, 3, 4096})
            QTest::addRow("%d iterations", iterations)
                << QByteArray("p\xc3\xa4ss wort") << QByteArray("salt") << iterations;
    }

    void storedHashesVerify()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(int, iterations);
        PasswordHash stored;
        stored.salt = salt.toStdString();
        stored.iterations = iterations;
        stored.hash = openSslPbkdf2(password.toStdString(), stored.salt, iterations);
        QCOMPARE(stored.hash.size(), size_t(32));

        QVERIFY(stored.matches(password.toStdString()));
        QVERIFY(!stored.matches(password.toStdString() + "x"));
        if (!password.isEmpty())
            QVERIFY(!stored.matches(password.chopped(1).toStdString()));
        // The count stored with the hash is the one used.
        stored.iterations = iterations + 1;
        QVERIFY(!stored.matches(password.toStdString()));
    }

    void newHashesAreStandardAndSalted()
    {
        const PasswordHash first = PasswordHash::create("demo");
        const PasswordHash second = PasswordHash::create("demo");
        QCOMPARE(first.salt.size(), size_t(16));
        QVERIFY(first.salt != second.salt && first.hash != second.hash);
        QVERIFY(first.iterations >= 100000);
        QCOMPARE(first.hash, openSslPbkdf2("demo", first.salt, first.iterations));
        QVERIFY(first.matches("demo") && !first.matches("Demo") && !first.matches(""));
    }

    void brokenRecordsNeverMatch()
    {
        const PasswordHash stored = PasswordHash::create("");
        QVERIFY(stored.matches(""));
        PasswordHash broken = stored;
        broken.iterations = 0;
        QVERIFY(!broken.matches(""));
        broken = stored;
        broken.hash.pop_back();
        QVERIFY(!broken.matches(""));
    }
};

VENDRA_TEST_MAIN(TestServerPasswordHash)
#include "tst_serverpasswordhash.moc"
