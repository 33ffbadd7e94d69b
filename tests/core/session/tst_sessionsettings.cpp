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

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup() { m_globals.reset(); }

    void normalisesTheAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("http prefix") << u"Http://host"_s << u"host"_s;
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

    // The SOAP address leaves the scheme's default port out, the upload address always names it; a
    // port goes after the host, not after a path typed with the address.
    void endpoints()
    {
        const wsCoreComms &comms = m_globals->coreComms();
        const QString soap = u"soap/soap_server_uploadtool.hvxr?client="_s + ClientVersion::numberText();
        m_globals->setServer(u"HTTPS://media.example.org/gallery///"_s);
        m_globals->setBUseHTTPS(true);
        m_globals->setPortNo(443);
        QCOMPARE(comms.getSoapURL().toString(), u"https://media.example.org/gallery/"_s + soap);
        QCOMPARE(comms.getUploadURLStr(),
                 u"https://media.example.org:443/gallery/soapfileupload.hvxr?album="_s);
        m_globals->setBUseHTTPS(false);
        m_globals->setPortNo(8080);
        QCOMPARE(comms.getSoapURL().toString(), u"http://media.example.org:8080/gallery/"_s + soap);
        QCOMPARE(comms.getUploadURLStr(),
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
