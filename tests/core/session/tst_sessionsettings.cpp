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

    void normalisesTheAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("http prefix") << u"Http://host"_s << u"host"_s;
        QTest::newRow("only slashes") << u"///"_s << QString();
        QTest::newRow("port kept") << u"host:8443/"_s << u"host:8443"_s;
        QTest::newRow("no prefix inside") << u"a/http://b"_s << u"a/http://b"_s;
    }

    void normalisesTheAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, normalised);
        m_globals->setServer(typed);
        QCOMPARE(m_globals->getRemotePath(), normalised);
    }

    // The default port of the scheme is left out of the address, any other port is named.
    void soapEndpoint()
    {
        const QString client = ClientVersion::numberText();
        configure(u"HTTPS://media.example.org/gallery///"_s, true, 443);
        QCOMPARE(m_globals->coreComms().getSoapURL().toString(),
                 u"https://media.example.org/gallery/soap/soap_server_uploadtool.hvxr?client="_s + client);

        configure(u"http://host.example"_s, false, 8080);
        QCOMPARE(m_globals->coreComms().getSoapURL().toString(),
                 u"http://host.example:8080/soap/soap_server_uploadtool.hvxr?client="_s + client);

        configure(u"h"_s, false, 80);
        QCOMPARE(m_globals->coreComms().getSoapURL().port(), -1);

        // A port goes after the host, not after a path typed with the address.
        configure(u"media.example.org/gallery/"_s, true, 8443);
        QCOMPARE(m_globals->coreComms().getSoapURL().toString(),
                 u"https://media.example.org:8443/gallery/soap/soap_server_uploadtool.hvxr?client="_s +
                     client);
    }

    void uploadEndpointAlwaysNamesThePort()
    {
        configure(u"https://host/"_s, true, 443);
        QCOMPARE(m_globals->coreComms().getUploadURLStr(), u"https://host:443/soapfileupload.hvxr?album="_s);
        configure(u"media.example.org/gallery"_s, false, 8080);
        QCOMPARE(m_globals->coreComms().getUploadURLStr(),
                 u"http://media.example.org:8080/gallery/soapfileupload.hvxr?album="_s);
    }

    void formatsByteCounts_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("last bytes") << quint64(10239) << u"10239 Bytes"_s;
        QTest::newRow("last KB") << quint64(1048575) << u"1024.00 KB"_s;
        QTest::newRow("first MB") << quint64(1048576) << u"1.00 MB"_s;
        QTest::newRow("first GB") << quint64(1073741824) << u"1.02 GB"_s;
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
