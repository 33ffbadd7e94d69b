#pragma once

#include "CaptureHttpServer.h"
#include "session/commsGlobals.h"
#include "upload/UploadStatus.h"

#include <QMutex>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

// A session for upload tests: the process-wide session object pointed at a capturing server on
// loopback that answers uploads as a media server does, with the album "Photos" (ID 7) registered
// as sign-in would.
class UploadTestSession
{
public:
    // How the server answers each upload: HTTP status and reply body; empty means a successful reply.
    struct Answer
    {
        int status = 200;
        std::string body;
    };

private:
    // Declared before the server, which answers from them on its own threads until it has stopped.
    std::atomic<int> m_arrived = 0;
    Answer m_answer;
    QMutex m_answerMutex;

public:
    UploadTestSession();

    commsGlobals globals;
    CaptureHttpServer server;
    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content);
    // Writes the file and queues its upload into the album; returns its record.
    UploadStatusPtr queueFile(const QString &name, const QString &album = QStringLiteral("Photos"),
                              const QByteArray &content = "abc");

    void setAnswer(const Answer &answer);
    // Uploads whose body has fully arrived at the server.
    int arrived() const { return m_arrived; }
};
