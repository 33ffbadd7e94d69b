#include "upload/PostStream.h"

#include "diagnostics/DiagnosticLine.h"

#include <QFileInfo>

#include <cstring>

PostStream::PostStream(const QString &boundary, const QString &key, const QString &contentType,
                       const QUrl &file, QObject *parent)
    : PostStream(boundary, key, contentType, file.toLocalFile(), parent)
{}

PostStream::PostStream(const QString &boundary, const QString &key, const QString &contentType,
                       const QString &filePath, QObject *parent)
    : QIODevice(parent), m_file(filePath)
{
    const QFileInfo info(filePath);
    m_fileSize = info.isFile() ? info.size() : 0;
    setPrefixSuffixWithBoundary(boundary, key, contentType);
    m_length = m_bodyPrefixData.size() + m_fileSize + m_bodySuffixData.size();
}

PostStream::~PostStream()
{
    stop();
}

void PostStream::setPrefixSuffixWithBoundary(const QString &boundary, const QString &key,
                                             const QString &contentType)
{
    const QString fileName = QFileInfo(m_file.fileName()).fileName();
    m_bodyPrefixData = QStringLiteral("\r\n--%1\r\nContent-Disposition: form-data; name=\"%2\"; "
                                      "filename=\"%3\"\r\nContent-Type: %4\r\n\r\n")
                           .arg(boundary, key, escapedFileName(fileName), contentType)
                           .toUtf8();
    m_bodySuffixData = QStringLiteral("\r\n--%1--\r\n").arg(boundary).toUtf8();
}

QString PostStream::escapedFileName(const QString &fileName)
{
    QString escaped = fileName;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    // A line break or other control character would end the header line early and let the rest of
    // the name pass for headers of its own.
    for (QChar &c : escaped) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    return escaped;
}

bool PostStream::start()
{
    stop();
    m_failureText.clear();
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        writePlainLine(QStringLiteral("file stream read error : %1").arg(m_file.errorString()));
        m_failureText = QStringLiteral("File read error");
        return false;
    }
    m_fileModified = m_file.fileTime(QFileDevice::FileModificationTime);
    return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void PostStream::stop()
{
    if (isOpen())
        QIODevice::close();
    m_file.close();
    m_bufferOnHeap.reset();
    m_chunkIndex = -1;
    m_chunkLimit = 0;
}

qint64 PostStream::readData(char *data, qint64 maxSize)
{
    if (!m_failureText.isEmpty() || !m_file.isOpen())
        return -1;
    qint64 done = 0;
    while (done < maxSize) {
        const qint64 n = readRegion(data + done, pos() + done, maxSize - done);
        if (n < 0)
            return done > 0 ? done : -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Reads from the one part of the body that holds the position: prefix, file or suffix.
qint64 PostStream::readRegion(char *data, qint64 position, qint64 maxSize)
{
    const qint64 prefixLength = m_bodyPrefixData.size();
    const qint64 fileEnd = prefixLength + m_fileSize;

    if (position < prefixLength) {
        const qint64 n = qMin(maxSize, prefixLength - position);
        std::memcpy(data, m_bodyPrefixData.constData() + position, size_t(n));
        return n;
    }
    if (position < fileEnd)
        return readFromFile(data, position - prefixLength, qMin(maxSize, fileEnd - position));

    const qint64 offset = position - fileEnd;
    if (offset >= m_bodySuffixData.size())
        return 0;
    if (offset == 0) {
        // Whatever was sent must be the file as it stands; a file that changed meanwhile went out mixed.
        if (!fileUnchanged())
            return fail(QStringLiteral("file stream read error : %1 changed while it was sent")
                            .arg(m_file.fileName()),
                        QStringLiteral("File read error"));
        m_bufferOnHeap.reset();
        m_chunkIndex = -1;
    }
    const qint64 n = qMin(maxSize, m_bodySuffixData.size() - offset);
    std::memcpy(data, m_bodySuffixData.constData() + offset, size_t(n));
    return n;
}

qint64 PostStream::readFromFile(char *data, qint64 fileOffset, qint64 maxSize)
{
    const qint64 index = fileOffset / ChunkSize;
    const qint64 within = fileOffset - index * ChunkSize;
    // A whole chunk that the caller has room for goes straight into the caller's buffer: the same
    // read of the file, one copy fewer.
    if (within == 0 && index != m_chunkIndex) {
        const qint64 wanted = qMin(ChunkSize, m_fileSize - fileOffset);
        if (maxSize >= wanted)
            return readChunk(index, data) ? wanted : -1;
    }
    if (index != m_chunkIndex) {
        if (!m_bufferOnHeap)
            m_bufferOnHeap = std::make_unique<char[]>(size_t(ChunkSize));
        if (!readChunk(index, m_bufferOnHeap.get()))
            return -1;
        m_chunkIndex = index;
        m_chunkLimit = qMin(ChunkSize, m_fileSize - index * ChunkSize);
    }
    const qint64 n = qMin(maxSize, m_chunkLimit - within);
    std::memcpy(data, m_bufferOnHeap.get() + within, size_t(n));
    return n;
}

// Reads chunk index of the file (ChunkSize bytes, fewer for the last) into buffer.
bool PostStream::readChunk(qint64 index, char *buffer)
{
    const qint64 start = index * ChunkSize;
    const qint64 wanted = qMin(ChunkSize, m_fileSize - start);
    qint64 got = 0;
    // Read in order, the file is where the last chunk ended: no seek needed.
    if (m_file.pos() == start || m_file.seek(start)) {
        while (got < wanted) {
            const qint64 n = m_file.read(buffer + got, wanted - got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    if (got < wanted) {
        const QString reason =
            m_file.error() != QFileDevice::NoError
                ? m_file.errorString()
                : QStringLiteral("%1 ended before its announced size").arg(m_file.fileName());
        fail(QStringLiteral("file stream read error : %1").arg(reason), QStringLiteral("File read error"));
        return false;
    }
    return true;
}

bool PostStream::fileUnchanged()
{
    return m_file.size() == m_fileSize &&
           m_file.fileTime(QFileDevice::FileModificationTime) == m_fileModified;
}

qint64 PostStream::fail(const QString &diagnostic, const QString &text)
{
    if (!m_failureText.isEmpty())
        return -1;
    writePlainLine(diagnostic);
    m_failureText = text;
    m_bufferOnHeap.reset();
    m_chunkIndex = -1;
    // The HTTP client is in the middle of pulling: the owner hears of it once that call has returned.
    QMetaObject::invokeMethod(
        this, [this, text] { stopSendWithStatus(text); }, Qt::QueuedConnection);
    return -1;
}

void PostStream::stopSendWithStatus(const QString &text)
{
    if (m_blockError)
        m_blockError(text);
}

qint64 PostStream::writeData(const char *, qint64)
{
    return -1;
}
