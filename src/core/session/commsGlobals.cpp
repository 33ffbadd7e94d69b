#include "session/commsGlobals.h"

#include "albums/remoteFileBrowserHelper.h"
#include "albums/wsExpandHelper.h"
#include "albums/wsSoapAsyncOp.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "session/wsLoginSequence.h"
#include "upload/UploadQueue.h"

commsGlobals *commsGlobal = nullptr;

commsGlobals::commsGlobals()
{
    Q_ASSERT(!commsGlobal);
    commsGlobal = this;
    m_remoteFileBrowserHelper = std::make_unique<remoteFileBrowserHelper>();
    m_soapResults = std::make_unique<soapResults>();
    m_wsCoreComms = std::make_unique<wsCoreComms>();
    m_soapAsyncOp = std::make_unique<wsSoapAsyncOp>();
    m_wsLoginSequence = std::make_unique<wsLoginSequence>();
    m_uploadQueue = std::make_unique<UploadQueue>();
    m_expandHelper = std::make_unique<wsExpandHelper>();
    // Registered from the start, so top-level albums always find their parent.
    clearRemoteFolderDictionaries();
}

commsGlobals::~commsGlobals()
{
    // The upload queue stops first; its uploads in flight are abandoned with it. It goes only after
    // the album queue, whose workers still report to the queue's album steps until they end.
    m_uploadQueue->quit();
    // Workers still running reach the records and the registry through commsGlobal: let them end
    // before anything goes away.
    m_expandHelper.reset();
    m_wsLoginSequence.reset();
    m_soapAsyncOp.reset();
    m_uploadQueue.reset();
    // The model lets go of the nodes it shows before the tree goes.
    m_remoteFileBrowserHelper.reset();
    m_wsCoreComms.reset();
    m_registry.clear();
    m_soapResults.reset();
    commsGlobal = nullptr;
}

QString commsGlobals::server() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_server;
}

void commsGlobals::setServer(const QString &server)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_server = server;
}

QString commsGlobals::userName() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_userName;
}

void commsGlobals::setUserName(const QString &userName)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_userName = userName;
}

QString commsGlobals::password() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_password;
}

void commsGlobals::setPassword(const QString &password)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_password = password;
}

bool commsGlobals::bUseHTTPS() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_bUseHTTPS;
}

void commsGlobals::setBUseHTTPS(bool useHTTPS)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_bUseHTTPS = useHTTPS;
}

qint64 commsGlobals::portNo() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_portNo;
}

void commsGlobals::setPortNo(qint64 port)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_portNo = port;
}

bool commsGlobals::bDontShowLoginWindow() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_bDontShowLoginWindow;
}

void commsGlobals::setBDontShowLoginWindow(bool dontShow)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_bDontShowLoginWindow = dontShow;
}

bool commsGlobals::bSavePassword() const
{
    const QMutexLocker lock(&m_settingsMutex);
    return m_bSavePassword;
}

void commsGlobals::setBSavePassword(bool save)
{
    const QMutexLocker lock(&m_settingsMutex);
    m_bSavePassword = save;
}

QString commsGlobals::portNoStr() const
{
    return QString::number(portNo());
}

bool commsGlobals::bRunningLatestVersion() const
{
    return m_soapResults->checkVersion().bRunningLatestVersion();
}

QString commsGlobals::strLatestVersion() const
{
    return m_soapResults->checkVersion().strLatestVersion();
}

QString commsGlobals::strURLForLatestVersion() const
{
    return m_soapResults->checkVersion().strURLForLatestVersion();
}

QVariant commsGlobals::maxTransferSize() const
{
    return m_soapResults->checkVersion().nMaxTransferSize();
}

QString commsGlobals::removePrefix(const QString &text, const QString &prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive) ? text.mid(prefix.size()) : text;
}

QString commsGlobals::getRemotePath() const
{
    return remotePathOf(server());
}

QString commsGlobals::remotePathOf(const QString &typed)
{
    QString path = removePrefix(typed, QStringLiteral("http://"));
    if (typed.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        path = path.mid(8);
    while (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString commsGlobals::convertBytesToString(quint64 bytes)
{
    // Single precision, and a "GB" of 1000 MB: the display has always worked this way.
    if (bytes <= 10239)
        return QStringLiteral("%1 Bytes").arg(bytes);
    if (bytes <= 1048575)
        return QStringLiteral("%1 KB").arg(double(float(bytes) / 1024.0f), 0, 'f', 2);
    if (bytes <= 1073741823)
        return QStringLiteral("%1 MB").arg(double(float(bytes) / 1048576.0f), 0, 'f', 2);
    return QStringLiteral("%1 GB").arg(double(float(bytes) / 1048576000.0f), 0, 'f', 2);
}

void commsGlobals::clearRemoteFolderDictionaries()
{
    m_soapAsyncOp->cancelAllOperations();
    m_registry.clear();
    const soapRemoteFolderBrowserPtr &root = m_soapResults->remoteFolderBrowser();
    m_registry.addRemoteAlbumNamed(root->fullRemotePath(), 0, root);
}
