#pragma once

#include "CaptureHttpServer.h"
#include "session/commsGlobals.h"
#include "upload/UploadStatus.h"

#include <QTemporaryDir>

#include <atomic>
#include <memory>

// A session for upload tests: the process-wide session object pointed at a capturing server on
// loopback that gives every upload the same answer, with the album "Photos" (ID 7) registered as
// sign-in would.
class UploadTestSession
{
private:
    // Declared before the server, which answers from them on its own threads until it has stopped.
    std::atomic<int> m_arrived = 0;
    const int m_status;
    const std::string m_body;

public:
    // The server answers every upload with this HTTP status and reply body.
    explicit UploadTestSession(int status = 200, const std::string &body = {});

    commsGlobals globals;
    CaptureHttpServer server;
    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content);
    // Writes the file and queues its upload into the album; returns its record.
    UploadStatusPtr queueFile(const QString &name, const QString &album = QStringLiteral("Photos"),
                              const QByteArray &content = "abc");

    // Uploads whose body has fully arrived at the server.
    int arrived() const { return m_arrived; }
};
