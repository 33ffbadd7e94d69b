#pragma once

#include "upload/UploadStatus.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>
#include <optional>

class PostStream;
class HttpUpload;
class UploadDelegate;

// Sends one local file into one album: a multipart/form-data POST to the server's upload script
// with the login's cookies, judged by the HTTP status and the small XML reply. The queue starts it,
// polls isFinished on its tick and reads the outcome; the record carries progress and completion.
class UploadFile : public QObject
{
    Q_OBJECT

public:
    static inline const QString Boundary = QStringLiteral("---------------------8cc97ead1a55694");

    UploadFile(const UploadStatusPtr &status, UploadDelegate *delegate, QObject *parent = nullptr);
    ~UploadFile() override;

    // Either finishes at once (a check failed) or leaves the request running.
    void start();
    // Cancels a running request with the text of "Cancelled"; does nothing when none runs.
    void cancel();
    void cancelWithErrorString(const QString &text);

    bool isFinished() const;
    void setFinished(bool finished);

    bool bSucceeded() const { return m_bSucceeded; }
    QString error() const { return m_error; }
    UploadStatusPtr uploadStatus() const { return m_uploadStatus; }
    qint64 httpResponseCode() const { return m_httpResponseCode; }
    QString replyString() const { return m_replyString; }
    // The attributes of the reply's "halvane/upload-result" elements; empty until a reply arrived.
    QVariantMap replyDictionary() const { return m_replyDictionary.value_or(QVariantMap()); }

    // The attributes of every "upload-result" element under the "halvane" root; a later element's
    // attribute replaces an earlier one. A document that cannot be read gives an empty map.
    static QVariantMap parseReply(const QByteArray &data);
    // The verdict on a finished exchange; on failure error holds why. replyDictionary is empty when
    // no reply data arrived at all. A reply that says ok counts only when it names the album the file
    // was sent to and the size that was sent.
    static bool checkReply(qint64 httpResponseCode, const std::optional<QVariantMap> &replyDictionary,
                           qint64 albumID, quint64 sentSize, QString &error);

Q_SIGNALS:
    // Emitted once, when the outcome is known.
    void finished();

private:
    bool postRequestWithURL(const QUrl &url, const QString &boundary);
    bool parentFolderExists() const;
    void uploadSucceeded(bool succeeded, const QString &errorString);
    void sendStatusCallback();
    void dropConnection();

    void didSendBodyData(qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite);
    void didFinish();

    quint64 m_numSent = 0;
    quint64 m_numTotal = 0;
    quint64 m_fileSize = 0; // the file's bytes in the body, which the reply must confirm
    UploadDelegate *m_delegate;
    const UploadStatusPtr m_uploadStatus;
    qint64 m_httpResponseCode = 0;
    QString m_replyString;
    std::optional<QVariantMap> m_replyDictionary;
    mutable QMutex m_finishedMutex;
    bool m_bFinished = false;
    bool m_bSucceeded = false;
    QString m_error;
    QPointer<HttpUpload> m_connection;
    std::unique_ptr<PostStream> m_stream;
};
