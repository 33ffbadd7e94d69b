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
    globals.results().checkVersion().deserialise(
        {{QStringLiteral("objVersionDetails"),
          QVariantMap{{QStringLiteral("m_bVersionIsCompatible"), true}}}});
    // Decoding registers the album with the session.
    std::make_shared<soapRemoteFolderItem>()->deserialise(
        {{QStringLiteral("m_nAlbumID"), 7},
         {QStringLiteral("m_nParentID"), 0},
         {QStringLiteral("m_strName"), QStringLiteral("Photos")}});
    server.setResponder([this](const CaptureHttpServer::Capture &capture, httplib::Response &response) {
        ++m_arrived;
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
