#include "session/LoginFailureMessage.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/ServerCertificate.h"
#include "http/SharedCookieJar.h"
#include "http/TransportFailure.h"
#include "http/TrustedCertificates.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/wsLoginSequence.h"

#include "SessionTarget.h"
#include "VendraTest.h"

#include <QCryptographicHash>
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

    // A fingerprint is trusted for one host and port only, and a changed certificate fails closed
    // even when an authority trusted here vouches for it.
    void aTrustedFingerprintIsCheckedExactly()
    {
        m_server = startServerFor(*m_globals, {u"--tls"_s});
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::CertificateUntrusted);
        QCOMPARE(error.domain(), u"QNetworkReply"_s); // the transport's own words stay on the error
        const QString fingerprint = TransportFailure::certificate(error).fingerprint();
        QCOMPARE(
            fingerprint,
            QString::fromLatin1(
                m_server->caCertificates().value(0).digest(QCryptographicHash::Sha256).toHex(':').toUpper()));
        const QString serverKey = u"127.0.0.1:%1"_s.arg(m_server->port());
        QCOMPARE(TransportFailure::serverKey(error), serverKey);
        QVERIFY(messageFor(error).offersTrust());

        TrustedCertificates::setServerFingerprint(u"127.0.0.1:1"_s, fingerprint);
        QCOMPARE(TransportFailure::kind(failedSignIn()), TransportFailure::CertificateUntrusted);

        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(m_server->certificatePath()));
        const QString other =
            QString(fingerprint).replace(0, 2, fingerprint.startsWith(u"00"_s) ? u"11"_s : u"00"_s);
        TrustedCertificates::setServerFingerprint(serverKey, other);
        const Error changed = failedSignIn();
        QCOMPARE(TransportFailure::kind(changed), TransportFailure::CertificateChanged);
        const LoginFailureMessage message = messageFor(changed);
        QCOMPARE(message.kind(), LoginFailureMessage::CertificateChanged);
        QCOMPARE(message.buttonTitles(), QStringList{messageText(u"Text_OK"_s)});
        QVERIFY(message.informativeText().contains(other) && message.informativeText().contains(fingerprint));
    }

    // A certificate trusted by its fingerprint need not name the address it is reached by, as a home
    // server's often does not; vouched for by an authority instead, the name still decides.
    void aTrustedCertificateNeedNotNameTheAddress()
    {
        QTemporaryDir folder;
        const QString certificate = folder.filePath(u"cert.pem"_s);
        const QString key = folder.filePath(u"key.pem"_s);
        QCOMPARE(QProcess::execute(u"openssl"_s,
                                   {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                                    u"-keyout"_s, key, u"-out"_s, certificate, u"-days"_s, u"2"_s, u"-subj"_s,
                                    u"/CN=media.home"_s, u"-addext"_s, u"subjectAltName=DNS:media.home"_s}),
                 0);
        m_server = startServerFor(*m_globals, {u"--tls"_s, u"--cert"_s, certificate, u"--key"_s, key});
        const QList<QByteArray> own = TrustedCertificates::readCertificateFile(certificate);
        TrustedCertificates::setAdditionalCaCertificates(own);
        QCOMPARE(TransportFailure::kind(failedSignIn()), TransportFailure::CertificateUntrusted);

        TrustedCertificates::setServerFingerprint(u"127.0.0.1:%1"_s.arg(m_server->port()),
                                                  ServerCertificate(own.value(0)).fingerprint());
        const Error pinned = failedSignIn();
        QVERIFY2(!pinned, qPrintable(pinned.toString()));
    }

    // The system's authorities are found where OpenSSL looks for them: single ones in the hashed
    // folder, the rest in the bundle, which must still be read when the folder lacks the issuer.
    void systemAuthoritiesComeFromTheFolderOrTheBundle_data()
    {
        QTest::addColumn<QString>("folderHolds"); // the authority that signed the server's certificate
        QTest::addColumn<QString>("bundleHolds"); // ours, other, or nothing (no bundle at all)
        QTest::addColumn<bool>("trusted");
        QTest::newRow("in the folder") << u"ours"_s << u"nothing"_s << true;
        QTest::newRow("in the bundle") << u"nothing"_s << u"ours"_s << true;
        QTest::newRow("in the bundle, the folder holds another") << u"other"_s << u"ours"_s << true;
        QTest::newRow("nowhere") << u"other"_s << u"other"_s << false;
    }

    void systemAuthoritiesComeFromTheFolderOrTheBundle()
    {
        QFETCH(QString, folderHolds);
        QFETCH(QString, bundleHolds);
        QFETCH(bool, trusted);
        QTemporaryDir top;
        const auto openssl = [&top](const QStringList &arguments) {
            QProcess process;
            process.setWorkingDirectory(top.path());
            process.start(u"openssl"_s, arguments);
            return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
        };
        const QStringList newKey{u"-newkey"_s, u"ec"_s,    u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s,
                                 u"-nodes"_s,  u"-days"_s, u"2"_s};
        for (const QString &name : {u"ours"_s, u"other"_s})
            QVERIFY(openssl(QStringList{u"req"_s, u"-x509"_s, u"-keyout"_s, name + u".key"_s, u"-out"_s,
                                        name + u".pem"_s, u"-subj"_s, u"/CN=Test %1 authority"_s.arg(name)} +
                            newKey));
        QVERIFY(openssl(QStringList{u"req"_s, u"-x509"_s, u"-keyout"_s, u"key.pem"_s, u"-out"_s,
                                    u"cert.pem"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                                    u"subjectAltName=IP:127.0.0.1"_s, u"-CA"_s, u"ours.pem"_s, u"-CAkey"_s,
                                    u"ours.key"_s} +
                        newKey));
        QVERIFY(QDir(top.path()).mkdir(u"folder"_s));
        if (folderHolds != u"nothing"_s) {
            QVERIFY(
                QFile::copy(top.filePath(folderHolds + u".pem"_s), top.filePath(u"folder/authority.pem"_s)));
            QVERIFY(openssl({u"rehash"_s, u"folder"_s}));
        }
        const QString bundle = top.filePath(bundleHolds + u".pem"_s); // "nothing.pem" does not exist
        const QByteArray savedFolder = qgetenv("SSL_CERT_DIR");
        const QByteArray savedBundle = qgetenv("SSL_CERT_FILE");
        const auto restore = qScopeGuard([&] {
            qputenv("SSL_CERT_DIR", savedFolder);
            qputenv("SSL_CERT_FILE", savedBundle);
        });
        qputenv("SSL_CERT_DIR", QFile::encodeName(top.filePath(u"folder"_s)));
        qputenv("SSL_CERT_FILE", QFile::encodeName(bundle));

        m_server = startServerFor(*m_globals, {u"--tls"_s, u"--cert"_s, top.filePath(u"cert.pem"_s),
                                               u"--key"_s, top.filePath(u"key.pem"_s)});
        const Error error = failedSignIn();
        if (trusted)
            QVERIFY2(!error, qPrintable(error.toString()));
        else
            QCOMPARE(TransportFailure::kind(error), TransportFailure::CertificateUntrusted);
    }

    void failureClasses_data()
    {
        QTest::addColumn<QString>("server"); // plain, tls, alert (answers TLS with an alert) or closed
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("https");
        QTest::addColumn<int>("transportKind");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("textKey"); // of the informative text
        QTest::newRow("https to a plain port")
            << u"plain"_s << QStringList() << true << int(TransportFailure::TlsToPlainHttpPort)
            << int(LoginFailureMessage::NoSslOnHttp) << u"NetworkError_TlsToPlainHttpPort"_s;
        QTest::newRow("http to a TLS port")
            << u"tls"_s << QStringList() << false << int(TransportFailure::PlainHttpToTlsPort)
            << int(LoginFailureMessage::NoSslOnHttp) << u"NetworkError_PlainHttpToTlsPort"_s;
        QTest::newRow("handshake refused")
            << u"alert"_s << QStringList() << true << int(TransportFailure::TlsHandshakeFailed)
            << int(LoginFailureMessage::SslConnectionError) << u"NetworkError_SSL_CONNECTION_ERROR"_s;
        QTest::newRow("connection refused")
            << u"closed"_s << QStringList() << false << int(TransportFailure::NotTls)
            << int(LoginFailureMessage::TransportError) << u"Text_ErrorWithCode"_s;
        QTest::newRow("incompatible client")
            << u"plain"_s << QStringList{u"--min-version"_s, u"999.0.0"_s} << false
            << int(TransportFailure::NotTls) << int(LoginFailureMessage::IncompatibleVersion)
            << u"Text_IncompatibleVersionMsg"_s;
    }

    void failureClasses()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, arguments);
        QFETCH(bool, https);
        QFETCH(int, transportKind);
        QFETCH(int, kind);
        QFETCH(QString, textKey);
        QTcpServer raw;
        if (server == u"plain"_s || server == u"tls"_s) {
            m_server = startServerFor(
                *m_globals, arguments + (server == u"tls"_s ? QStringList{u"--tls"_s} : QStringList()));
            m_globals->setBUseHTTPS(https);
        } else {
            QVERIFY(raw.listen(QHostAddress::LocalHost));
            m_globals->setServer(u"127.0.0.1"_s);
            m_globals->setPortNo(raw.serverPort());
            m_globals->setBUseHTTPS(https);
            if (server == u"closed"_s)
                raw.close();
            connect(&raw, &QTcpServer::newConnection, &raw, [&raw] {
                while (QTcpSocket *socket = raw.nextPendingConnection()) {
                    connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                        socket->readAll();
                        socket->write(QByteArray::fromHex("15030300020228")); // handshake failure
                        socket->disconnectFromHost();
                    });
                    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                }
            });
        }
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), transportKind);
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
