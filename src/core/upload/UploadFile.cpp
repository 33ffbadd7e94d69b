#include "upload/UploadFile.h"

#include "albums/soapRemoteFolderItem.h"
#include "common/MessageText.h"
#include "common/ServerText.h"
#include "diagnostics/DiagnosticLine.h"
#include "http/HttpUpload.h"
#include "http/TransportFailure.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"
#include "upload/PostStream.h"
#include "upload/UploadDelegate.h"
#include "upload/UploadReceipt.h"

#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

// Nothing moving for this long ends the upload.
constexpr std::chrono::seconds IdleTimeout{1200};

bool isOk(const QVariant &value)
{
    return value.toString().compare(QLatin1String("ok"), Qt::CaseInsensitive) == 0;
}

} // namespace

UploadFile::UploadFile(const UploadStatusPtr &status, UploadDelegate *delegate, QObject *parent)
    : QObject(parent), m_delegate(delegate), m_uploadStatus(status)
{}

UploadFile::~UploadFile()
{
    dropConnection();
}

void UploadFile::start()
{
    setFinished(false);
    if (!parentFolderExists()) {
        uploadSucceeded(false, messageText(QStringLiteral("Text_ParentMissing")));
        return;
    }
    // The queue found the album when it started the upload; on its own, the upload finds it now.
    if (!m_uploadStatus->remoteFolder())
        m_uploadStatus->prepareToUpload();
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(m_uploadStatus->remoteFolder());
    if (!album) {
        // The root is not an album: it holds no files, only albums.
        uploadSucceeded(false, messageText(QStringLiteral("Text_UploadToRoot")));
        return;
    }

    const QString localPath = m_uploadStatus->localFilePath().toLocalFile();
    VENDRA_DIAG(QStringLiteral("Loading up file %1").arg(localPath));
    const QFileInfo info(localPath);
    if (!info.exists()) {
        uploadSucceeded(false, messageText(QStringLiteral("Text_FileMissing")));
        return;
    }
    // A pipe or device has no size to announce, and opening a pipe would wait for a writer.
    if (!info.isFile()) {
        uploadSucceeded(false, messageText(QStringLiteral("Text_NotAFile")));
        return;
    }

    const qint64 size = info.size();
    m_numTotal = quint64(size);
    m_fileSize = quint64(size);
    m_numSent = 0;
    // Until a server has named its limit there is none to apply.
    const QVariant maximum = commsGlobal->maxTransferSize();
    if (maximum.isValid() && double(size) > maximum.toDouble()) {
        uploadSucceeded(false, messageText(QStringLiteral("Text_FileTooLarge"))
                                   .arg(commsGlobals::convertBytesToString(maximum.toULongLong())));
        return;
    }
    VENDRA_DIAG(QStringLiteral("File retrieved locally - %1 - %2 bytes").arg(localPath).arg(size));

    const QUrl url(commsGlobal->coreComms().getUploadURLStr() + QString::number(album->albumID()));
    if (!postRequestWithURL(url, Boundary)) {
        const QString failure = m_stream ? m_stream->failureText() : QString();
        m_stream.reset();
        uploadSucceeded(false, failure.isEmpty() ? QStringLiteral("Internal error : URLRequest") : failure);
        return;
    }
}

bool UploadFile::postRequestWithURL(const QUrl &url, const QString &boundary)
{
    writePlainLine(QStringLiteral("URL: %1 ").arg(url.toString()));
    if (!url.isValid() || url.host().isEmpty())
        return false;
    HttpRequest request;
    request.url = url;
    // Unlike a single request, a batch keeps its connection open for the next file.
    request.headers = {
        {"Accept-Encoding", "*.txt"},
        {"Content-Type", QStringLiteral("multipart/form-data; boundary=%1").arg(boundary).toUtf8()},
    };
    request.idleTimeout = IdleTimeout;

    m_stream = std::make_unique<PostStream>(boundary, QStringLiteral("file"),
                                            QStringLiteral("application/octet-stream"),
                                            m_uploadStatus->localFilePath());
    m_stream->setBlockError([this](const QString &text) { cancelWithErrorString(text); });
    if (!m_stream->start())
        return false;
    // Progress is measured against the whole body, not the file alone.
    m_uploadStatus->setBytesTotal(quint64(m_stream->length()));

    request.bodyDevice = m_stream->stream();
    m_connection = new HttpUpload(this);
    connect(m_connection, &HttpUpload::uploadProgress, this, &UploadFile::didSendBodyData);
    connect(m_connection, &HttpUpload::finished, this, &UploadFile::didFinish);
    m_connection->start(request);
    return true;
}

bool UploadFile::parentFolderExists() const
{
    return commsGlobal &&
           commsGlobal->registry().findRemoteAlbumByName(m_uploadStatus->remoteFolderParentName());
}

void UploadFile::cancel()
{
    cancelWithErrorString(messageText(QStringLiteral("Cancelled")));
}

void UploadFile::cancelWithErrorString(const QString &text)
{
    if (!m_connection)
        return;
    dropConnection();
    uploadSucceeded(false, text);
}

// Forgets the request before aborting it, so that its finishing is not taken for an outcome.
void UploadFile::dropConnection()
{
    if (HttpUpload *connection = m_connection.data()) {
        m_connection.clear();
        connection->disconnect(this);
        connection->abort();
        connection->deleteLater();
    }
    if (m_stream) {
        m_stream->stop();
        m_stream.reset();
    }
}

bool UploadFile::isFinished() const
{
    const QMutexLocker lock(&m_finishedMutex);
    return m_bFinished;
}

void UploadFile::setFinished(bool finished)
{
    const QMutexLocker lock(&m_finishedMutex);
    m_bFinished = finished;
}

void UploadFile::didSendBodyData(qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite)
{
    m_numSent = quint64(totalBytesWritten);
    if (totalBytesExpectedToWrite > 0)
        m_numTotal = quint64(totalBytesExpectedToWrite);
    m_uploadStatus->setBytesSent(m_numSent);
    m_uploadStatus->setStatus(UploadStatusProgress, QStringLiteral("UploadProgress"), false);
    sendStatusCallback();
}

void UploadFile::didFinish()
{
    HttpUpload *connection = m_connection.data();
    if (!connection)
        return;
    m_httpResponseCode = connection->statusCode();
    // The reply is judged whole, however many pieces it came in.
    const QByteArray reply = connection->replyBody();
    m_replyString = QString::fromUtf8(reply);
    if (!reply.isEmpty())
        m_replyDictionary = parseReply(reply);
    // A failed secure connection is explained as it is at sign-in.
    const Error transportError = connection->error();
    const QString tlsFailure = TransportFailure::describe(transportError, commsGlobal->getRemotePath());
    const QString networkError = tlsFailure.isEmpty() ? transportError.description() : tlsFailure;
    const QString streamFailure = m_stream ? m_stream->failureText() : QString();
    dropConnection();

    if (!streamFailure.isEmpty()) {
        uploadSucceeded(false, streamFailure);
    } else if (!networkError.isEmpty()) {
        uploadSucceeded(false, networkError);
    } else {
        QString failure;
        const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(m_uploadStatus->remoteFolder());
        const bool succeeded = checkReply(m_httpResponseCode, m_replyDictionary,
                                          album ? album->albumID() : -1, m_fileSize, failure);
        uploadSucceeded(succeeded, failure);
    }
}

QVariantMap UploadFile::parseReply(const QByteArray &data)
{
    QVariantMap dictionary;
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    QStringList path;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path.append(reader.qualifiedName().toString());
            if (path.size() == 2 && path.at(0) == QLatin1String("halvane") &&
                path.at(1) == QLatin1String("upload-result")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                for (const QXmlStreamAttribute &attribute : attributes)
                    dictionary.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            path.removeLast();
        }
    }
    if (reader.hasError())
        return {};
    return dictionary;
}

bool UploadFile::checkReply(qint64 httpResponseCode, const std::optional<QVariantMap> &replyDictionary,
                            qint64 albumID, quint64 sentSize, QString &error)
{
    if (!replyDictionary) {
        // Nothing came back; say at least what the status was, so no failure goes without a reason.
        error = httpResponseCode == 200 ? QStringLiteral("Unknown server error")
                                        : QStringLiteral("File transfer error");
        return false;
    }
    const QVariantMap &reply = *replyDictionary;
    const QString actionKey = QStringLiteral("actionresult");
    const QString apiKey = QStringLiteral("apiresult");
    if (reply.contains(actionKey) && reply.contains(apiKey) && httpResponseCode == 200 &&
        isOk(reply[actionKey]) && isOk(reply[apiKey])) {
        error = UploadReceipt::mismatch(reply, albumID, sentSize);
        return error.isEmpty();
    }
    if (httpResponseCode != 200) {
        error = QStringLiteral("File transfer error");
        return false;
    }
    if (reply.contains(actionKey) && !isOk(reply[actionKey])) {
        error =
            messageText(QStringLiteral("Text_Server_Response"))
                .arg(ServerText::shown(messageText(QStringLiteral("UPLOAD_") + reply[actionKey].toString())));
        return false;
    }
    if (!reply.contains(apiKey)) {
        error = QStringLiteral("Unknown server error");
        return false;
    }
    error = messageText(QStringLiteral("Text_Server_Response"))
                .arg(ServerText::shown(messageText(reply[apiKey].toString())));
    return false;
}

void UploadFile::uploadSucceeded(bool succeeded, const QString &errorString)
{
    m_bSucceeded = succeeded;
    if (succeeded) {
        // A server that does not say keeps the file pending.
        const QVariantMap reply = replyDictionary();
        const QString pending = QStringLiteral("pending");
        const bool isPending =
            !reply.contains(pending) ||
            reply[pending].toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        m_uploadStatus->setStatus(UploadStatusEnd, true, m_numSent, m_numTotal, isPending, errorString);
    } else {
        m_error = errorString;
        m_uploadStatus->setStatus(UploadStatusFailed, false, m_numSent, m_numTotal, false, errorString);
    }
    sendStatusCallback();
    setFinished(true);
    Q_EMIT finished();
}

void UploadFile::sendStatusCallback()
{
    if (m_delegate)
        m_delegate->uploadStatusUpdate(m_uploadStatus);
}
