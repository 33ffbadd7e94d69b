#include "upload/UploadConnection.h"

#include "soap/SharedCookieJar.h"

#include <QIODevice>
#include <QNetworkCookie>
#include <QSslSocket>

namespace {

// How far the body may run ahead of what the socket has taken, and the piece pulled at a time.
constexpr qint64 HighWater = 4 << 20;
constexpr qint64 PieceSize = 1 << 20;
// A larger kernel buffer lets the socket keep sending while the event loop refills it.
constexpr int SendBufferSize = 4 << 20;
constexpr qsizetype MaxHeadSize = 64 * 1024;
// The reply is a short document; beyond this it is read but not kept.
constexpr qsizetype MaxReplySize = 1 << 20;
constexpr qint64 ProgressIntervalMs = 100;

QString invalidReply()
{
    return QStringLiteral("The server's reply is not valid HTTP");
}

} // namespace

UploadConnection::UploadConnection(QObject *parent) : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_socket->abort();
        finish(QStringLiteral("Operation timed out"));
    });
}

UploadConnection::~UploadConnection()
{
    abort();
}

void UploadConnection::start(const QUrl &url, const Headers &headers, QIODevice *body,
                             const QSslConfiguration &tls)
{
    m_url = url;
    m_headers = headers;
    m_body = body;
    m_bodyLength = body->size();
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    if (secure) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setSslConfiguration(tls);
        connect(socket.get(), &QSslSocket::encrypted, this, &UploadConnection::sendHead);
        connect(socket.get(), &QSslSocket::sslErrors, this,
                [this](const QList<QSslError> &errors) { m_sslErrors += errors; });
        m_socket = std::move(socket);
    } else {
        m_socket = std::make_unique<QTcpSocket>();
        connect(m_socket.get(), &QTcpSocket::connected, this, &UploadConnection::sendHead);
    }
    connect(m_socket.get(), &QTcpSocket::bytesWritten, this, &UploadConnection::onBytesWritten);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &UploadConnection::onReadyRead);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &UploadConnection::onDisconnected);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, &UploadConnection::onSocketError);
    if (m_timeoutMs > 0)
        m_timeout.start(m_timeoutMs);

    const quint16 port = quint16(url.port(secure ? 443 : 80));
    if (secure)
        static_cast<QSslSocket *>(m_socket.get())->connectToHostEncrypted(url.host(), port);
    else
        m_socket->connectToHost(url.host(), port);
}

void UploadConnection::abort()
{
    m_done = true;
    m_timeout.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

void UploadConnection::sendHead()
{
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, SendBufferSize);
    const bool secure = m_url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QByteArray host = m_url.host(QUrl::FullyEncoded).toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (m_url.port() > 0 && m_url.port() != (secure ? 443 : 80))
        host += ':' + QByteArray::number(m_url.port());
    QByteArray target = m_url.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toUtf8();

    QByteArray head = "POST " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : std::as_const(m_headers))
        head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(m_bodyLength) + "\r\n";
    const QList<QNetworkCookie> cookies = SharedCookieJar::instance().cookiesForUrl(m_url);
    if (!cookies.isEmpty()) {
        QByteArray cookieLine;
        for (const QNetworkCookie &cookie : cookies) {
            if (!cookieLine.isEmpty())
                cookieLine += "; ";
            cookieLine += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
        }
        head += "Cookie: " + cookieLine + "\r\n";
    }
    head += "\r\n";
    m_headLeft = head.size();
    m_socket->write(head);
    m_sinceProgress.start();
    pumpBody();
}

// Keeps the socket's buffer topped up without letting it grow past the high-water mark. Each piece
// is handed to the socket whole, which keeps a reference instead of copying it; a piece is filled
// again once the socket has let go of it, so the same few buffers serve the whole body.
void UploadConnection::pumpBody()
{
    if (m_done || !m_body)
        return;
    while (m_bodyRead < m_bodyLength && m_socket->bytesToWrite() < HighWater) {
        QByteArray &piece = freePiece();
        piece.resize(qMin(PieceSize, m_bodyLength - m_bodyRead));
        const qint64 n = m_body->read(piece.data(), piece.size());
        if (n <= 0) {
            m_socket->abort();
            finish(QStringLiteral("File read error"));
            return;
        }
        piece.resize(n);
        m_socket->write(piece);
        m_bodyRead += n;
    }
}

QByteArray &UploadConnection::freePiece()
{
    for (QByteArray &piece : m_pieces) {
        if (piece.isDetached())
            return piece;
    }
    m_pieces.append(QByteArray(PieceSize, Qt::Uninitialized));
    return m_pieces.last();
}

void UploadConnection::onBytesWritten(qint64 bytes)
{
    if (m_done)
        return;
    if (m_timeoutMs > 0)
        m_timeout.start(m_timeoutMs);
    const qint64 fromHead = qMin(bytes, m_headLeft);
    m_headLeft -= fromHead;
    m_bodySent += bytes - fromHead;
    reportProgress(m_bodySent == m_bodyLength);
    pumpBody();
}

void UploadConnection::reportProgress(bool force)
{
    if (!force && m_sinceProgress.elapsed() < ProgressIntervalMs)
        return;
    m_sinceProgress.restart();
    Q_EMIT uploadProgress(m_bodySent, m_bodyLength);
}

void UploadConnection::onReadyRead()
{
    if (m_done)
        return;
    if (m_timeoutMs > 0)
        m_timeout.start(m_timeoutMs);
    m_in += m_socket->readAll();
    if (!m_headRead) {
        if (!parseHead())
            return;
    }
    if (m_headRead && parseBody())
        finish();
}

// Reads the status line and the headers once they are all there; skips interim (1xx) replies.
// False while more is needed, or after a failure.
bool UploadConnection::parseHead()
{
    for (;;) {
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_in.size() > MaxHeadSize) {
                m_socket->abort();
                finish(invalidReply());
            }
            return false;
        }
        const QList<QByteArray> lines = m_in.left(end).split('\n');
        m_in.remove(0, end + 4);
        const QList<QByteArray> status = lines.first().trimmed().split(' ');
        bool ok = false;
        const int code =
            status.size() >= 2 && status.first().startsWith("HTTP/1.") ? status.at(1).toInt(&ok) : 0;
        if (!ok || code < 100 || code > 999) {
            m_socket->abort();
            finish(invalidReply());
            return false;
        }
        if (code < 200)
            continue;
        m_statusCode = code;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                m_contentLength = value.toLongLong(&ok);
            else if (name == "transfer-encoding")
                m_chunked = value.toLower().contains("chunked");
            else if (name == "set-cookie")
                storeCookie(value);
        }
        if (code == 204 || code == 304)
            m_contentLength = 0;
        m_headRead = true;
        Q_EMIT responseReceived();
        return true;
    }
}

// Takes what has arrived of the reply's body; true once it is complete.
bool UploadConnection::parseBody()
{
    const auto keep = [this](const QByteArray &data) {
        if (m_replyBody.size() < MaxReplySize)
            m_replyBody += data.left(MaxReplySize - m_replyBody.size());
    };
    if (m_chunked) {
        for (;;) {
            const qsizetype lineEnd = m_in.indexOf("\r\n");
            if (lineEnd < 0)
                return false;
            bool ok = false;
            const qint64 size = m_in.left(lineEnd).split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                m_socket->abort();
                finish(invalidReply());
                return false;
            }
            if (size == 0)
                return true; // trailers, if any, are of no interest
            if (m_in.size() < lineEnd + 2 + size + 2)
                return false;
            keep(m_in.mid(lineEnd + 2, size));
            m_in.remove(0, lineEnd + 2 + size + 2);
        }
    }
    if (m_contentLength >= 0) {
        const QByteArray take = m_in.left(qMax<qint64>(0, m_contentLength - m_bodyReceived));
        keep(take);
        m_bodyReceived += take.size();
        m_in.clear();
        return m_bodyReceived >= m_contentLength;
    }
    // Without a length the reply ends when the server closes the connection.
    keep(m_in);
    m_in.clear();
    return false;
}

void UploadConnection::storeCookie(const QByteArray &value)
{
    SharedCookieJar::instance().setCookiesFromUrl(QNetworkCookie::parseCookies(value), m_url);
}

void UploadConnection::onDisconnected()
{
    if (m_done)
        return;
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (m_done)
        return;
    // A reply without a length ends here; anything else ended too early.
    if (m_headRead && !m_chunked && m_contentLength < 0)
        finish();
    else if (!m_headRead && m_in.isEmpty())
        failConnection(TransportFailure::Symptom::ClosedWithoutAnswer);
    else
        finish(closedText());
}

QString UploadConnection::closedText() const
{
    return m_socket->errorString().isEmpty() || m_socket->error() == QAbstractSocket::UnknownSocketError
               ? QStringLiteral("Connection closed")
               : m_socket->errorString();
}

void UploadConnection::failConnection(TransportFailure::Symptom symptom)
{
    const QString text = closedText();
    m_transportError = TransportFailure::makeError(TransportFailure::SocketErrorDomain,
                                                   int(m_socket->error()), text, m_url, symptom, m_sslErrors);
    finish(text);
}

void UploadConnection::onSocketError()
{
    if (m_done)
        return;
    // A closing server is handled with the disconnection, which keeps a reply that arrived whole.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return onDisconnected();
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (m_done)
        return;
    if (!m_headRead)
        failConnection(m_socket->error() == QAbstractSocket::SslHandshakeFailedError
                           ? TransportFailure::Symptom::TlsHandshakeFailed
                           : TransportFailure::Symptom::Other);
    else
        finish(m_socket->errorString());
}

void UploadConnection::finish(const QString &error)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    m_errorString = error;
    m_socket->disconnect(this);
    // The reply is all there is to wait for; what the body still had to send is not wanted.
    m_socket->abort();
    Q_EMIT finished();
}
