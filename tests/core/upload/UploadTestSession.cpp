#include "UploadTestSession.h"

#include "TestFiles.h"

#include "albums/soapRemoteFolderItem.h"
#include "session/soapResults.h"
#include "upload/UploadQueue.h"

#include <httplib.h>

UploadTestSession::UploadTestSession()
{
    globals.setServer(QStringLiteral("127.0.0.1"));
    globals.setPortNo(server.url().port());
    globals.setBUseHTTPS(false);
    const QVariantMap details{{QStringLiteral("m_nMaxTransferSize"), qint64(1) << 31},
                              {QStringLiteral("m_nMaxFileSize"), qint64(1) << 31},
                              {QStringLiteral("m_bFileChunkingSupported"), false},
                              {QStringLiteral("m_bRunningLatestVersion"), true},
                              {QStringLiteral("m_bVersionIsCompatible"), true},
                              {QStringLiteral("m_strLatestVersion"), QStringLiteral("1.0.0")},
                              {QStringLiteral("m_strServiceVersion"), QStringLiteral("1")},
                              {QStringLiteral("m_strURLForLatestVersion"), QString()}};
    globals.results().checkVersion().deserialise({{QStringLiteral("objVersionDetails"), details}});
    addAlbum(7, 0, QStringLiteral("Photos"));
    server.setResponder([this](const CaptureHttpServer::Capture &capture, httplib::Response &response) {
        ++m_arrived;
        if (m_gateClosed)
            m_gate->acquire();
        const QMutexLocker lock(&m_answerMutex);
        response.status = m_answer.status;
        // As a media server confirms: the album of the query and the size of the part it received.
        const std::string album = capture.query.substr(capture.query.find('=') + 1);
        const std::string size =
            std::to_string(capture.parts.isEmpty() ? 0 : capture.parts.first().content.size());
        response.set_content(m_answer.body.empty() && m_answer.status == 200
                                 ? "<halvane><upload-result actionresult=\"ok\" apiresult=\"ok\" albumid=\"" +
                                       album + "\" filesize=\"" + size +
                                       "\" assetid=\"42\" pending=\"false\"/></halvane>"
                                 : m_answer.body,
                             "text/xml");
    });
}

UploadTestSession::~UploadTestSession()
{
    openGate();
}

void UploadTestSession::addAlbum(qint64 id, qint64 parentId, const QString &name)
{
    // Decoding registers the album with the session.
    std::make_shared<soapRemoteFolderItem>()->deserialise({{QStringLiteral("m_nAlbumID"), id},
                                                           {QStringLiteral("m_nParentID"), parentId},
                                                           {QStringLiteral("m_strName"), name},
                                                           {QStringLiteral("m_bHasChildren"), false},
                                                           {QStringLiteral("m_bCanCreateUnder"), true},
                                                           {QStringLiteral("m_bCanDelete"), true},
                                                           {QStringLiteral("m_bCanRename"), true},
                                                           {QStringLiteral("m_bPending"), false},
                                                           {QStringLiteral("m_strDescription"), QString()}});
}

QString UploadTestSession::writeFile(const QString &name, const QByteArray &content)
{
    return TestFiles::write(dir.filePath(name), content);
}

UploadStatusPtr UploadTestSession::queueFile(const QString &name, const QString &album,
                                             const QByteArray &content)
{
    UploadQueue &queue = globals.uploadQueue();
    queue.addFileUpload(QUrl::fromLocalFile(writeFile(name, content)), album, nullptr);
    return queue.waitingCommands().last();
}

void UploadTestSession::setAnswer(const Answer &answer)
{
    const QMutexLocker lock(&m_answerMutex);
    m_answer = answer;
}

void UploadTestSession::closeGate()
{
    m_gate->tryAcquire(m_gate->available());
    m_gateClosed = true;
}

void UploadTestSession::openGate()
{
    m_gateClosed = false;
    m_gate->release(1000);
}
