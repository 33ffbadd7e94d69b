#include "UploadTestSession.h"

#include "TestFiles.h"

#include "albums/soapRemoteFolderItem.h"
#include "session/soapResults.h"
#include "upload/UploadQueue.h"

#include <httplib.h>

UploadTestSession::UploadTestSession(int status, const std::string &body) : m_status(status), m_body(body)
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
    server.setResponder([this](const CaptureHttpServer::Capture &, httplib::Response &response) {
        ++m_arrived;
        response.status = m_status;
        response.set_content(m_body, "text/xml");
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
