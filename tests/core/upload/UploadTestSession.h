#pragma once

#include "CaptureHttpServer.h"
#include "session/commsGlobals.h"
#include "upload/UploadStatus.h"

#include <QSemaphore>
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
    std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>(0);
    std::atomic<bool> m_gateClosed = false;
    std::atomic<int> m_arrived = 0;
    Answer m_answer;
    QMutex m_answerMutex;

public:
    UploadTestSession();
    // Lets held replies go, so that the server can stop.
    ~UploadTestSession();

    commsGlobals globals;
    CaptureHttpServer server;
    QTemporaryDir dir;

    // Registers an album under a parent album ID (0 for the top level), as decoded from the server.
    void addAlbum(qint64 id, qint64 parentId, const QString &name);
    QString writeFile(const QString &name, const QByteArray &content);
    // Writes the file and queues its upload into the album; returns its record.
    UploadStatusPtr queueFile(const QString &name, const QString &album = QStringLiteral("Photos"),
                              const QByteArray &content = "abc");

    void setAnswer(const Answer &answer);
    // While closed, the server holds every reply until it is opened again.
    void closeGate();
    void openGate();
    // Uploads whose body has fully arrived at the server (answered or held).
    int arrived() const { return m_arrived; }
};
