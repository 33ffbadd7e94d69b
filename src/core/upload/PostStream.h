#pragma once

#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QUrl>

#include <functional>
#include <memory>

// The body of a multipart/form-data upload of one file: a part header, the file's bytes, the closing
// boundary. The HTTP client pulls it as a read-only, random-access device of known size (a
// sequential device would be read wholly into memory first), and may seek back to the start to
// send it again after a redirect or a dropped connection. The file is read in 32768-byte chunks and
// at most one chunk is held at a time.
class PostStream : public QIODevice
{
    Q_OBJECT

public:
    static constexpr qint64 ChunkSize = 32768;

    PostStream(const QString &boundary, const QString &key, const QString &contentType, const QUrl &file,
               QObject *parent = nullptr);
    PostStream(const QString &boundary, const QString &key, const QString &contentType,
               const QString &filePath, QObject *parent = nullptr);
    ~PostStream() override;

    // Opens the file and the body. On failure the error callback has been told and false returned.
    bool start();
    // Closes the file and the body and frees the chunk; safe at any point and more than once.
    void stop();

    // The whole body length, fixed when built.
    qint64 length() const { return m_length; }
    // The body for the request once started, nullptr otherwise.
    QIODevice *stream() { return isOpen() ? this : nullptr; }
    // The text of the failure that stopped the body, empty while none.
    QString failureText() const { return m_failureText; }

    // Told, once, from the event loop, why the body cannot be produced.
    void setBlockError(std::function<void(const QString &)> blockError)
    {
        m_blockError = std::move(blockError);
    }

    // The escaped name announced in the part header.
    static QString escapedFileName(const QString &fileName);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_length; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void setPrefixSuffixWithBoundary(const QString &boundary, const QString &key, const QString &contentType);
    qint64 readRegion(char *data, qint64 position, qint64 maxSize);
    qint64 readFromFile(char *data, qint64 fileOffset, qint64 maxSize);
    bool readChunk(qint64 index, char *buffer);
    bool fileUnchanged();
    qint64 fail(const QString &diagnostic, const QString &text);
    void stopSendWithStatus(const QString &text);

    QByteArray m_bodyPrefixData;
    QByteArray m_bodySuffixData;
    QFile m_file;
    qint64 m_fileSize = 0;
    QDateTime m_fileModified;
    std::unique_ptr<char[]> m_bufferOnHeap;
    qint64 m_chunkIndex = -1;
    qint64 m_chunkLimit = 0;
    qint64 m_length = 0;
    QString m_failureText;
    std::function<void(const QString &)> m_blockError;
};
