#include "session/LoginFailureMessage.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "http/TransportFailure.h"
#include "http/TrustedCertificates.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/wsLoginSequence.h"

#include "SessionTarget.h"
#include "VendraTest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

// Each class of sign-in failure, produced by a real server, and the message it makes. Trusting a
// certificate and its change are also tested end to end with vendra-cli and the main window.
class TestLoginFailureMessage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<Comms> m_comms;
    std::unique_ptr<ReferenceServer> m_server;

    // Signs in with the session's settings; the error the failure leaves behind.
    Error failedSignIn()
    {
        QObject observer;
        bool ended = false;
        for (const QString &name :
             {NotificationNames::CommsEventsLoginSuccess, NotificationNames::CommsEventsLoginFailure})
            NotificationCenter::defaultCenter().addObserver(&observer, name,
                                                            [&ended](const Notification &) { ended = true; });
        m_globals->loginSequence().startLoginSequence(m_comms);
        if (!QTest::qWaitFor([&ended] { return ended; }, 30000))
            qWarning("sign-in did not end");
        NotificationCenter::defaultCenter().removeObserver(&observer);
        return m_globals->loginSequence().error();
    }

    LoginFailureMessage messageFor(const Error &error) const
    {
        return LoginFailureMessage::forError(error, m_globals->getRemotePath(), m_globals->bUseHTTPS());
    }

    // Makes NAME.pem and NAME.key in top, for the subject, signed by itself unless extra says otherwise.
    static bool makeCertificate(const QTemporaryDir &top, const QString &name, const QString &subject,
                                const QStringList &extra = {})
    {
        return QProcess::execute(u"openssl"_s,
                                 QStringList{u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                             u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s,
                                             u"2"_s, u"-keyout"_s, top.filePath(name + u".key"_s), u"-out"_s,
                                             top.filePath(name + u".pem"_s), u"-subj"_s, subject} +
                                     extra) == 0;
    }

    void startServerWith(const QTemporaryDir &top)
    {
        m_server = startServerFor(*m_globals, {u"--tls"_s, u"--cert"_s, top.filePath(u"server.pem"_s),
                                               u"--key"_s, top.filePath(u"server.key"_s)});
    }

private Q_SLOTS:
    void init()
    {
        SharedCookieJar::instance().clear();
        TrustedCertificates::setAdditionalCaCertificates({});
        TrustedCertificates::setServerFingerprints({});
        m_globals = std::make_unique<commsGlobals>();
        m_comms = std::make_shared<Comms>();
    }

    void cleanup()
    {
        m_globals.reset();
        m_comms.reset();
        m_server.reset();
    }

    // A certificate trusted by its fingerprint need not name the address it is reached by, as a home
    // server's often does not, but is trusted for that host and port only; vouched for by an authority
    // instead, the name still decides.
    void aTrustedFingerprintNeedNotNameTheAddress()
    {
        QTemporaryDir top;
        QVERIFY(makeCertificate(top, u"server"_s, u"/CN=media.home"_s,
                                {u"-addext"_s, u"subjectAltName=DNS:media.home"_s}));
        startServerWith(top);
        const QString serverKey = u"127.0.0.1:%1"_s.arg(m_server->port());
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::serverKey(error), serverKey);
        const QString fingerprint = TransportFailure::certificate(error).fingerprint();
        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(top.filePath(u"server.pem"_s)));
        TrustedCertificates::setServerFingerprint(u"127.0.0.1:1"_s, fingerprint);
        QCOMPARE(TransportFailure::kind(failedSignIn()), TransportFailure::CertificateUntrusted);

        TrustedCertificates::setServerFingerprint(serverKey, fingerprint);
        const Error pinned = failedSignIn();
        QVERIFY2(!pinned, qPrintable(pinned.toString()));
    }

    // The system's authorities are found where OpenSSL looks for them: single ones in the hashed
    // folder, the rest in the bundle, which must still be read when the folder lacks the issuer.
    void systemAuthoritiesComeFromTheFolderOrTheBundle_data()
    {
        QTest::addColumn<QString>("folderHolds"); // the authority that signed the server's certificate
        QTest::addColumn<QString>("bundleHolds");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("in the folder") << u"ours"_s << u"other"_s << true;
        QTest::newRow("in the bundle, the folder holds another") << u"other"_s << u"ours"_s << true;
        QTest::newRow("nowhere") << u"other"_s << u"other"_s << false;
    }

    void systemAuthoritiesComeFromTheFolderOrTheBundle()
    {
        QFETCH(QString, folderHolds);
        QFETCH(QString, bundleHolds);
        QFETCH(bool, trusted);
        QTemporaryDir top;
        for (const QString &name : {u"ours"_s, u"other"_s})
            QVERIFY(makeCertificate(top, name, u"/CN=Test %1 authority"_s.arg(name)));
        QVERIFY(makeCertificate(top, u"server"_s, u"/CN=127.0.0.1"_s,
                                {u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s, u"-CA"_s,
                                 top.filePath(u"ours.pem"_s), u"-CAkey"_s, top.filePath(u"ours.key"_s)}));
        QVERIFY(QDir(top.path()).mkdir(u"folder"_s));
        QVERIFY(QFile::copy(top.filePath(folderHolds + u".pem"_s), top.filePath(u"folder/authority.pem"_s)));
        QCOMPARE(QProcess::execute(u"openssl"_s, {u"rehash"_s, top.filePath(u"folder"_s)}), 0);
        const auto restore =
            qScopeGuard([folder = qgetenv("SSL_CERT_DIR"), bundle = qgetenv("SSL_CERT_FILE")] {
                qputenv("SSL_CERT_DIR", folder);
                qputenv("SSL_CERT_FILE", bundle);
            });
        qputenv("SSL_CERT_DIR", QFile::encodeName(top.filePath(u"folder"_s)));
        qputenv("SSL_CERT_FILE", QFile::encodeName(top.filePath(bundleHolds + u".pem"_s)));

        startServerWith(top);
        // Another fingerprint kept for the server fails closed, even where an authority vouches.
        TrustedCertificates::setServerFingerprint(u"127.0.0.1:%1"_s.arg(m_server->port()), u"00"_s);
        QCOMPARE(TransportFailure::kind(failedSignIn()), TransportFailure::CertificateChanged);
        TrustedCertificates::setServerFingerprints({});
        const Error error = failedSignIn();
        if (trusted)
            QVERIFY2(!error, qPrintable(error.toString()));
        else
            QCOMPARE(TransportFailure::kind(error), TransportFailure::CertificateUntrusted);
    }

    void failureClasses_data()
    {
        // The reference server's arguments, or alert (a server that answers TLS with an alert) or closed.
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("https");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("textKey"); // of the informative text
        QTest::newRow("https to a plain port") << QString() << true << int(LoginFailureMessage::NoSslOnHttp)
                                               << u"NetworkError_TlsToPlainHttpPort"_s;
        QTest::newRow("http to a TLS port") << u"--tls"_s << false << int(LoginFailureMessage::NoSslOnHttp)
                                            << u"NetworkError_PlainHttpToTlsPort"_s;
        QTest::newRow("handshake refused")
            << u"alert"_s << true << int(LoginFailureMessage::SslConnectionError)
            << u"NetworkError_SSL_CONNECTION_ERROR"_s;
        QTest::newRow("connection refused")
            << u"closed"_s << false << int(LoginFailureMessage::TransportError) << u"Text_ErrorWithCode"_s;
        QTest::newRow("incompatible client")
            << u"--min-version 999.0.0"_s << false << int(LoginFailureMessage::IncompatibleVersion)
            << u"Text_IncompatibleVersionMsg"_s;
    }

    void failureClasses()
    {
        QFETCH(QString, server);
        QFETCH(bool, https);
        QFETCH(int, kind);
        QFETCH(QString, textKey);
        QTcpServer raw; // answers a TLS client hello with a handshake-failure alert
        connect(&raw, &QTcpServer::newConnection, &raw, [&raw] {
            while (QTcpSocket *socket = raw.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write(QByteArray::fromHex("15030300020228"));
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        if (server == u"alert"_s || server == u"closed"_s) {
            QVERIFY(raw.listen(QHostAddress::LocalHost));
            m_globals->setServer(u"127.0.0.1"_s);
            m_globals->setPortNo(server == u"alert"_s ? raw.serverPort() : 1);
        } else {
            m_server = startServerFor(*m_globals, server.split(u' ', Qt::SkipEmptyParts));
        }
        m_globals->setBUseHTTPS(https);
        const Error error = failedSignIn();
        const LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), kind);
        QString expected = messageText(textKey);
        if (textKey == u"Text_ErrorWithCode"_s)
            expected = expected.arg(error.description()).arg(error.code());
        // The mix-ups follow the server's words; the rest start with their own.
        const qsizetype at = message.informativeText().indexOf(expected.toHtmlEscaped());
        QVERIFY2(kind == LoginFailureMessage::NoSslOnHttp ? at >= 0 : at == 0,
                 qPrintable(message.informativeText()));
        if (kind == LoginFailureMessage::IncompatibleVersion)
            QCOMPARE(message.buttonTitles(),
                     (QStringList{messageText(u"Text_QuitAndOpen"_s), messageText(u"Text_Quit"_s)}));
    }

    void outsideWordsAreEscapedAndNoErrorShowsNothing()
    {
        const LoginFailureMessage message = LoginFailureMessage::forError(
            Error(u"SOAP-Result"_s, 9001, u"<b>busy</b> & more"_s), u"h"_s, true);
        QCOMPARE(message.kind(), LoginFailureMessage::ServerError);
        QCOMPARE(message.informativeText(), u"&lt;b&gt;busy&lt;/b&gt; &amp; more"_s);
        QCOMPARE(LoginFailureMessage::forError(Error(), u"h"_s, true).kind(), LoginFailureMessage::NoFailure);
    }
};

VENDRA_TEST_MAIN(TestLoginFailureMessage)
#include "tst_loginfailuremessage.moc"
