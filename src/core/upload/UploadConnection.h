#pragma once

#include "common/Error.h"
#include "soap/TransportFailure.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <memory>

class QIODevice;
class QTcpSocket;

// One HTTP/1.1 POST of a large body, on the thread that starts it: the body is pulled from a
// random-access device in large pieces and written straight into the socket, never more than a
// bounded amount ahead of what the socket has taken. Qt's network access manager hands every 16 KiB
// of a device body from its HTTP thread to the caller's thread and back, which costs more CPU than
// the transfer itself; this connection does the same work without the hand-offs.
//
// The reply is read whole (bounded), with the login's cookies sent from and stored into the
// process-wide cookie jar. Redirects are not followed: a redirect is an answer like any other.
class UploadConnection : public QObject
{
    Q_OBJECT

public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit UploadConnection(QObject *parent = nullptr);
    ~UploadConnection() override;

    // Sends the request; the body must be open and must outlive the connection's work. A secure
    // URL uses the TLS configuration given.
    void start(const QUrl &url, const Headers &headers, QIODevice *body,
               const QSslConfiguration &tls = QSslConfiguration::defaultConfiguration());
    // Stops at once; nothing is signalled any more.
    void abort();
    // Gives up when nothing moves for this long (in milliseconds).
    void setTransferTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // The HTTP status, 0 until the reply's head has arrived.
    int statusCode() const { return m_statusCode; }
    QByteArray replyBody() const { return m_replyBody; }
    // Why the exchange failed; empty when a whole reply arrived.
    QString errorString() const { return m_errorString; }
    // The same failure as an Error when the connection itself failed (refused, closed, TLS), with
    // what went wrong with its security; empty otherwise.
    Error transportError() const { return m_transportError; }

Q_SIGNALS:
    // Body bytes taken by the network so far, and the body's length; at most ten times a second and
    // once when the whole body has gone.
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    // The reply's status line and headers have arrived.
    void responseReceived();
    // The exchange is over, with a whole reply or with an error.
    void finished();

private:
    void sendHead();
    void pumpBody();
    QByteArray &freePiece();
    void onBytesWritten(qint64 bytes);
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    bool parseHead();
    bool parseBody();
    void storeCookie(const QByteArray &value);
    void reportProgress(bool force);
    void finish(const QString &error = {});
    // Ends with the connection's own failure, kept as an Error too.
    void failConnection(TransportFailure::Symptom symptom);
    QString closedText() const;

    std::unique_ptr<QTcpSocket> m_socket;
    QUrl m_url;
    Headers m_headers;
    QPointer<QIODevice> m_body;
    qint64 m_bodyLength = 0;
    qint64 m_bodyRead = 0;      // pulled from the body and written into the socket
    qint64 m_headLeft = 0;      // head bytes not yet taken by the network
    qint64 m_bodySent = 0;      // body bytes taken by the network
    QList<QByteArray> m_pieces; // body pieces, each either in the socket's buffer or free
    QElapsedTimer m_sinceProgress;
    QTimer m_timeout;
    int m_timeoutMs = 0;

    bool m_headRead = false;
    bool m_done = false;
    QByteArray m_in;
    int m_statusCode = 0;
    qint64 m_contentLength = -1;
    qint64 m_bodyReceived = 0;
    bool m_chunked = false;
    QByteArray m_replyBody;
    QString m_errorString;
    Error m_transportError;
    QList<QSslError> m_sslErrors;
};
