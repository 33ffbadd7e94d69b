#include "session/ClientVersion.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"

#include "VendraTest.h"

// Connection settings, address normalisation, the three endpoints and byte formatting.
class TestSessionSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;

    void configure(const QString &server, bool https, qint64 port)
    {
        m_globals->setServer(server);
        m_globals->setBUseHTTPS(https);
        m_globals->setPortNo(port);
    }

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup() { m_globals.reset(); }

    // The process-wide pointer never outlives the settings it points to.
    void globalFollowsTheInstance()
    {
        QCOMPARE(commsGlobal, m_globals.get());
        m_globals.reset();
        QCOMPARE(commsGlobal, nullptr);
    }

    void portText()
    {
        m_globals->setPortNoStr(QStringLiteral("8080abc"));
        QCOMPARE(m_globals->portNo(), 8080);
        QCOMPARE(m_globals->portNoStr(), QStringLiteral("8080"));
        m_globals->setPortNoStr(QStringLiteral("none"));
        QCOMPARE(m_globals->portNo(), 0);
        m_globals->setPortNoStr(QStringLiteral("99999999999"));
        QCOMPARE(m_globals->portNo(), 2147483647);
    }

    void normalisesTheAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("capital https, path, slashes")
            << QStringLiteral("HTTPS://media.example.org/gallery///")
            << QStringLiteral("media.example.org/gallery");
        QTest::newRow("http prefix") << QStringLiteral("Http://host") << QStringLiteral("host");
        QTest::newRow("only slashes") << QStringLiteral("///") << QString();
        QTest::newRow("port kept") << QStringLiteral("host:8443/") << QStringLiteral("host:8443");
        QTest::newRow("no prefix inside") << QStringLiteral("a/http://b") << QStringLiteral("a/http://b");
    }

    void normalisesTheAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, normalised);
        m_globals->setServer(typed);
        QCOMPARE(m_globals->getRemotePath(), normalised);
    }

    void soapEndpoint()
    {
        const QString client = ClientVersion::numberText();
        configure(QStringLiteral("HTTPS://media.example.org/gallery///"), true, 443);
        QCOMPARE(
            m_globals->coreComms().getSoapURL().toString(),
            QStringLiteral("https://media.example.org/gallery/soap/soap_server_uploadtool.hvxr?client=") +
                client);

        configure(QStringLiteral("http://host.example"), false, 8080);
        QCOMPARE(m_globals->coreComms().getSoapURL().toString(),
                 QStringLiteral("http://host.example:8080/soap/soap_server_uploadtool.hvxr?client=") +
                     client);

        configure(QStringLiteral("h"), false, 443);
        QCOMPARE(m_globals->coreComms().getSoapURL().toString(),
                 QStringLiteral("http://h:443/soap/soap_server_uploadtool.hvxr?client=") + client);
        configure(QStringLiteral("h"), true, 80);
        QCOMPARE(m_globals->coreComms().getSoapURL().port(), 80);
        configure(QStringLiteral("h"), false, 80);
        QCOMPARE(m_globals->coreComms().getSoapURL().port(), -1);
    }

    void uploadEndpointAlwaysNamesThePort()
    {
        configure(QStringLiteral("https://host/"), true, 443);
        QCOMPARE(m_globals->coreComms().getUploadURLStr(),
                 QStringLiteral("https://host:443/soapfileupload.hvxr?album="));
    }

    void clientVersionText()
    {
        QCOMPARE(ClientVersion::checkVersionText(6.1f, QStringLiteral("2.0.3")),
                 QStringLiteral("61.MAC.2.0.3"));
        QCOMPARE(ClientVersion::checkVersionText(1.0f, QStringLiteral("1.0.0")),
                 QStringLiteral("10.MAC.1.0.0"));
        QVERIFY(ClientVersion::checkVersionText().contains(QStringLiteral(".MAC.")));
    }

    void formatsByteCounts_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint64(0) << QStringLiteral("0 Bytes");
        QTest::newRow("last bytes") << quint64(10239) << QStringLiteral("10239 Bytes");
        QTest::newRow("first KB") << quint64(10240) << QStringLiteral("10.00 KB");
        QTest::newRow("last KB") << quint64(1048575) << QStringLiteral("1024.00 KB");
        QTest::newRow("first MB") << quint64(1048576) << QStringLiteral("1.00 MB");
        QTest::newRow("2 GiB") << quint64(2147483648) << QStringLiteral("2.05 GB");
        QTest::newRow("last MB") << quint64(1073741823) << QStringLiteral("1024.00 MB");
        QTest::newRow("first GB") << quint64(1073741824) << QStringLiteral("1.02 GB");
    }

    void formatsByteCounts()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(commsGlobals::convertBytesToString(bytes), text);
    }
};

VENDRA_TEST_MAIN(TestSessionSettings)
#include "tst_sessionsettings.moc"
