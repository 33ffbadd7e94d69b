#include "session/LoginFailureMessage.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpUpload.h"
#include "http/ServerCertificate.h"
#include "http/SharedCookieJar.h"
#include "http/TransportFailure.h"
#include "http/TrustedCertificates.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/wsLoginSequence.h"

#include "SessionTarget.h"
#include "VendraTest.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

// Each class of sign-in failure, produced by a real server, and the message it makes.
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

    static QString colonHex(const QByteArray &digest)
    {
        QStringList pairs;
        const QByteArray hex = digest.toHex().toUpper();
        for (qsizetype i = 0; i < hex.size(); i += 2)
            pairs.append(QString::fromLatin1(hex.mid(i, 2)));
        return pairs.join(u':');
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

    void untrustedCertificateOverHttpsShowsTheCertificate()
    {
        m_server = startServerFor(*m_globals, {u"--tls"_s});
        QVERIFY(m_globals->bUseHTTPS());
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::CertificateUntrusted);
        // The transport's own words stay on the error.
        QCOMPARE(error.domain(), u"QNetworkReply"_s);

        const QSslCertificate certificate = m_server->caCertificates().value(0);
        QVERIFY(!certificate.isNull());
        const QString fingerprint = colonHex(certificate.digest(QCryptographicHash::Sha256));
        QVERIFY2(TransportFailure::certificateText(error).contains(fingerprint),
                 qPrintable(TransportFailure::certificateText(error)));
        QVERIFY(!TransportFailure::tlsErrors(error).isEmpty());

        QCOMPARE(TransportFailure::certificate(error).fingerprint(), fingerprint);
        const QString serverKey = u"127.0.0.1:%1"_s.arg(m_server->port());
        QCOMPARE(TransportFailure::serverKey(error), serverKey);

        const LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::CertificateUntrusted);
        QCOMPARE(message.messageText(), messageText(u"Text_ErrorFailedLogin"_s));
        // Trusting is offered, never as the default button.
        QCOMPARE(message.buttonTitles(),
                 QStringList({messageText(u"Text_OK"_s), messageText(u"Text_TrustCertificate"_s)}));
        QVERIFY(message.offersTrust());
        QVERIFY(message.informativeText().startsWith(
            messageText(u"NetworkError_CertificateUntrusted"_s).arg(m_server->host()).toHtmlEscaped()));
        QVERIFY(message.informativeText().contains(fingerprint));

        // Trusted for another port of the same host, it counts for nothing here.
        TrustedCertificates::setServerFingerprint(u"127.0.0.1:1"_s, fingerprint);
        QCOMPARE(TransportFailure::kind(failedSignIn()), TransportFailure::CertificateUntrusted);

        // Trusted by its fingerprint for this host and port, exactly this certificate signs in.
        TrustedCertificates::setServerFingerprint(serverKey, fingerprint);
        const Error pinned = failedSignIn();
        QVERIFY2(!pinned, qPrintable(pinned.toString()));

        // Another certificate fails closed, even one that an authority trusted here vouches for.
        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(m_server->certificatePath()));
        const QString other =
            QString(fingerprint).replace(0, 2, fingerprint.startsWith(u"00"_s) ? u"11"_s : u"00"_s);
        TrustedCertificates::setServerFingerprint(serverKey, other);
        const Error changed = failedSignIn();
        QCOMPARE(TransportFailure::kind(changed), TransportFailure::CertificateChanged);
        QCOMPARE(TransportFailure::trustedFingerprint(changed), other);
        const LoginFailureMessage changedMessage = messageFor(changed);
        QCOMPARE(changedMessage.kind(), LoginFailureMessage::CertificateChanged);
        QCOMPARE(changedMessage.buttonTitles(), QStringList{messageText(u"Text_OK"_s)});
        QVERIFY(changedMessage.informativeText().contains(other));
        QVERIFY(changedMessage.informativeText().contains(fingerprint));

        // Forgotten, the authority alone decides again.
        TrustedCertificates::setServerFingerprint(serverKey, {});
        const Error trusted = failedSignIn();
        QVERIFY2(!trusted, qPrintable(trusted.toString()));
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

    void httpsAgainstAPlainPortAndTheReverse()
    {
        m_server = startServerFor(*m_globals, {});
        m_globals->setBUseHTTPS(true);
        Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::TlsToPlainHttpPort);
        LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::NoSslOnHttp);
        QVERIFY(message.informativeText().contains(
            messageText(u"NetworkError_TlsToPlainHttpPort"_s).toHtmlEscaped()));

        m_server = startServerFor(*m_globals, {u"--tls"_s});
        m_globals->setBUseHTTPS(false);
        error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::PlainHttpToTlsPort);
        message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::NoSslOnHttp);
        QVERIFY(message.informativeText().contains(
            messageText(u"NetworkError_PlainHttpToTlsPort"_s).toHtmlEscaped()));
    }

    // A port that answers the TLS greeting with a handshake-failure alert, and nothing else.
    void otherTlsFailure()
    {
        QTcpServer refuser;
        QVERIFY(refuser.listen(QHostAddress::LocalHost));
        connect(&refuser, &QTcpServer::newConnection, &refuser, [&refuser] {
            while (QTcpSocket *socket = refuser.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write(QByteArray::fromHex("15030300020228"));
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_globals->setServer(u"127.0.0.1"_s);
        m_globals->setPortNo(refuser.serverPort());
        m_globals->setBUseHTTPS(true);
        m_globals->setUserName(u"demo"_s);
        m_globals->setPassword(u"demo"_s);
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::TlsHandshakeFailed);
        const LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::SslConnectionError);
        QVERIFY(message.informativeText().startsWith(messageText(u"NetworkError_SSL_CONNECTION_ERROR"_s)));
    }

    void refusedConnectionShowsItsCode()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        m_globals->setServer(u"127.0.0.1"_s);
        m_globals->setPortNo(port);
        m_globals->setBUseHTTPS(false);
        m_globals->setUserName(u"demo"_s);
        m_globals->setPassword(u"demo"_s);
        const Error error = failedSignIn();
        QCOMPARE(TransportFailure::kind(error), TransportFailure::NotTls);
        const LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::TransportError);
        QCOMPARE(
            message.informativeText(),
            messageText(u"Text_ErrorWithCode"_s).arg(error.description()).arg(error.code()).toHtmlEscaped());
        QVERIFY(message.informativeText().contains(u'\n'));
    }

    void wrongPasswordAndIncompatibleVersion()
    {
        m_server = startServerFor(*m_globals, {}, u"demo"_s, u"wrong"_s);
        Error error = failedSignIn();
        QVERIFY(error);
        LoginFailureMessage message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::ServerError);
        QCOMPARE(message.informativeText(), error.description().toHtmlEscaped());
        QVERIFY(!message.informativeText().isEmpty());

        m_server = startServerFor(*m_globals, {u"--min-version"_s, u"999.0.0"_s});
        error = failedSignIn();
        message = messageFor(error);
        QCOMPARE(message.kind(), LoginFailureMessage::IncompatibleVersion);
        QCOMPARE(message.buttonTitles(),
                 (QStringList{messageText(u"Text_QuitAndOpen"_s), messageText(u"Text_Quit"_s)}));
    }

    void outsideWordsAreEscapedAndNoErrorShowsNothing()
    {
        const LoginFailureMessage message = LoginFailureMessage::forError(
            Error(u"SOAP-Result"_s, 9001, u"<b>busy</b> & more"_s), u"h"_s, true);
        QCOMPARE(message.informativeText(), u"&lt;b&gt;busy&lt;/b&gt; &amp; more"_s);
        QCOMPARE(LoginFailureMessage::forError(Error(), u"h"_s, true).kind(), LoginFailureMessage::NoFailure);
    }

    // An upload to a server whose certificate is not trusted fails with the sign-in's explanation.
    void uploadsReportTlsFailuresTheSameWay()
    {
        m_server = startServerFor(*m_globals, {u"--tls"_s});
        const Error signInError = failedSignIn();

        QBuffer body;
        body.setData(QByteArray(1000, 'x'));
        QVERIFY(body.open(QIODevice::ReadOnly));
        HttpUpload upload;
        QSignalSpy finished(&upload, &HttpUpload::finished);
        HttpRequest request;
        request.url = m_server->baseUrl();
        request.url.setPath(u"/soapfileupload.hvxr"_s);
        request.bodyDevice = &body;
        upload.start(request);
        QVERIFY(finished.wait(20000));
        const Error uploadError = upload.error();
        QCOMPARE(TransportFailure::kind(uploadError), TransportFailure::CertificateUntrusted);
        QCOMPARE(TransportFailure::certificateText(uploadError),
                 TransportFailure::certificateText(signInError));
        QCOMPARE(TransportFailure::describe(uploadError, m_server->host()),
                 TransportFailure::describe(signInError, m_server->host()));
    }
};

VENDRA_TEST_MAIN(TestLoginFailureMessage)
#include "tst_loginfailuremessage.moc"
