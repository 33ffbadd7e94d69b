#include "UploadTestSession.h"

#include "TestFiles.h"

#include "session/soapResults.h"

#include <httplib.h>

#include <QFile>

UploadTestSession::UploadTestSession(qint64 maxTransferSize)
{
    globals.setServer(QStringLiteral("127.0.0.1"));
    globals.setPortNo(server.url().port());
    globals.setBUseHTTPS(false);
    const QVariantMap details{{QStringLiteral("m_nMaxTransferSize"), maxTransferSize},
                              {QStringLiteral("m_nMaxFileSize"), maxTransferSize},
                              {QStringLiteral("m_bFileChunkingSupported"), false},
                              {QStringLiteral("m_bRunningLatestVersion"), true},
                              {QStringLiteral("m_bVersionIsCompatible"), true},
                              {QStringLiteral("m_strLatestVersion"), QStringLiteral("1.0.0")},
                              {QStringLiteral("m_strServiceVersion"), QStringLiteral("1")},
                              {QStringLiteral("m_strURLForLatestVersion"), QString()}};
    globals.results().checkVersion().deserialise({{QStringLiteral("objVersionDetails"), details}});
    server.setResponder([this](const CaptureHttpServer::Capture &, httplib::Response &response) {
        ++m_arrived;
        if (m_gateClosed)
            m_gate->acquire();
        Answer answer;
        {
            const QMutexLocker lock(&m_answerMutex);
            answer = m_answer;
        }
        response.status = answer.status;
        response.set_content(answer.body.empty() && answer.status == 200 ? okReply() : answer.body,
                             "text/xml");
    });
}

soapRemoteFolderItemPtr UploadTestSession::addAlbum(qint64 id, qint64 parentId, const QString &name,
                                                    bool hasChildren)
{
    auto album = std::make_shared<soapRemoteFolderItem>();
    album->deserialise({{QStringLiteral("m_nAlbumID"), id},
                        {QStringLiteral("m_nParentID"), parentId},
                        {QStringLiteral("m_strName"), name},
                        {QStringLiteral("m_bHasChildren"), hasChildren},
                        {QStringLiteral("m_bCanCreateUnder"), true},
                        {QStringLiteral("m_bCanDelete"), true},
                        {QStringLiteral("m_bCanRename"), true},
                        {QStringLiteral("m_bPending"), false},
                        {QStringLiteral("m_strDescription"), QString()}});
    return album;
}

QString UploadTestSession::writeFile(const QString &name, const QByteArray &content)
{
    return TestFiles::write(dir.filePath(name), content);
}

void UploadTestSession::setAnswer(const Answer &answer)
{
    const QMutexLocker lock(&m_answerMutex);
    m_answer = answer;
}

UploadTestSession::~UploadTestSession()
{
    openGate();
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

std::string UploadTestSession::okReply(const std::string &pending)
{
    return "<?xml version=\"1.0\"?><halvane><upload-result actionresult=\"ok\" apiresult=\"ok\" "
           "albumid=\"7\" "
           "assetid=\"42\" assettype=\"1\" filesize=\"3\" filename=\"x\" pending=\"" +
           pending + "\"/></halvane>";
}
