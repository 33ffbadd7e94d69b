#include "session/wsCoreComms.h"

#include "common/MainThread.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "http/TrustedCertificates.h"
#include "session/ClientVersion.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "soap/wsNSSoapComms.h"

namespace {

// The maker's web host: the namespace names the service, not the server one talks to.
const QString namespaceHost = QStringLiteral("www.vendrauploader.com");

QString scheme(bool useHttps)
{
    return useHttps ? QStringLiteral("https") : QStringLiteral("http");
}

QString scheme()
{
    return scheme(commsGlobal->bUseHTTPS());
}

// The port goes right after the host, before any path typed with the address: put after the path
// it would be read as part of the path.
QString addressWithPort(const QString &server, const QString &portPart)
{
    const QString address = commsGlobals::remotePathOf(server);
    const qsizetype slash = address.indexOf(u'/');
    if (slash < 0)
        return address + portPart;
    return address.left(slash) + portPart + address.mid(slash);
}

} // namespace

wsCoreComms::wsCoreComms() = default;

wsCoreComms::~wsCoreComms()
{
    m_pendingStatusThreads.waitForDone();
}

QUrl wsCoreComms::getSoapURL() const
{
    return soapUrlFor(commsGlobal->server(), commsGlobal->portNo(), commsGlobal->bUseHTTPS());
}

QUrl wsCoreComms::soapUrlFor(const QString &server, qint64 port, bool useHttps)
{
    const QString portPart = ((!useHttps && port == 80) || (useHttps && port == 443))
                                 ? QString()
                                 : QStringLiteral(":%1").arg(port);
    return QUrl(QStringLiteral("%1://%2/soap/soap_server_uploadtool.hvxr?client=%3")
                    .arg(scheme(useHttps), addressWithPort(server, portPart), ClientVersion::numberText()));
}

QString wsCoreComms::serverKeyFor(const QString &server, qint64 port, bool useHttps)
{
    if (server.isEmpty() || !useHttps)
        return {};
    return TrustedCertificates::serverKey(soapUrlFor(server, port, useHttps));
}

QString wsCoreComms::getNamespaceURLStr() const
{
    const QString serviceVersion = commsGlobal->results().checkVersion().strServiceVersion();
    if (serviceVersion.isEmpty())
        return QStringLiteral("%1://%2/zrmsoap/zrmuploadtoolservice/").arg(scheme(), namespaceHost);
    return QStringLiteral("%1://%2/zrmsoap/zrmuploadtoolservice-%3/")
        .arg(scheme(), namespaceHost, serviceVersion);
}

QString wsCoreComms::getUploadURLStr() const
{
    return QStringLiteral("%1://%2/soapfileupload.hvxr?album=")
        .arg(scheme(),
             addressWithPort(commsGlobal->server(), QStringLiteral(":%1").arg(commsGlobal->portNo())));
}

QVariantMap wsCoreComms::invoke(const QString &method, const QStringList &paramOrder,
                                const QVariantMap &params, const QStringList &resultKeys, Error &error) const
{
    const QMap<QString, QString> httpHeaders{{QStringLiteral("SOAPAction"), method}};
    QVariantMap result = wsNSSoapComms::methodInvocationWith(
        getSoapURL(), method, getNamespaceURLStr(), httpHeaders, paramOrder, params, resultKeys, error);
    return error ? QVariantMap() : result;
}

QVariantMap wsCoreComms::doCheckVersion(Error &error)
{
    return invoke(QStringLiteral("CheckVersion"), {QStringLiteral("strVersion")},
                  {{QStringLiteral("strVersion"), ClientVersion::checkVersionText()}},
                  {QStringLiteral("objVersionDetails")}, error);
}

QVariantMap wsCoreComms::doLogin(Error &error)
{
    // Spaces and tabs around a typed user name are never part of it; the password goes as typed.
    QString userName = commsGlobal->userName();
    while (!userName.isEmpty() && (userName.front() == u' ' || userName.front() == u'\t'))
        userName.remove(0, 1);
    while (!userName.isEmpty() && (userName.back() == u' ' || userName.back() == u'\t'))
        userName.chop(1);
    return invoke(
        QStringLiteral("Login"), {QStringLiteral("strUsername"), QStringLiteral("strPassword")},
        {{QStringLiteral("strUsername"), userName}, {QStringLiteral("strPassword"), commsGlobal->password()}},
        {QStringLiteral("objUserDetails"), QStringLiteral("objUserPermissions")}, error);
}

void wsCoreComms::doLogout(Error &error)
{
    invoke(QStringLiteral("Logout"), {}, {}, {}, error);
    if (error) {
        // The server may still hold the session; at least this client forgets it.
        SharedCookieJar::instance().deleteCookiesForUrl(getSoapURL());
        commsGlobal->results().setBLoggedIn(false);
    }
}

QVariantMap wsCoreComms::doGetMyPicturesButtonDetails(Error &error)
{
    return invoke(QStringLiteral("GetMyPicturesButtonDetails"), {}, {},
                  {QStringLiteral("objMyPicturesButtonDetails")}, error);
}

QVariantMap wsCoreComms::doGetPendingFilesButtonDetails(Error &error)
{
    return invoke(QStringLiteral("GetPendingFilesButtonDetails"), {}, {},
                  {QStringLiteral("objPendingFilesButtonDetails")}, error);
}

QVariantMap wsCoreComms::doGetTopLevelAlbums(Error &error)
{
    return invoke(QStringLiteral("GetTopLevelAlbums"), {}, {}, {QStringLiteral("arrTopAlbums")}, error);
}

QVariantMap wsCoreComms::doGetQuotaDetails(Error &error)
{
    return invoke(QStringLiteral("GetQuotaDetails"), {}, {}, {QStringLiteral("objQuotaDetails")}, error);
}

QVariantMap wsCoreComms::doGetAlbumsByParentID(qint64 albumID, Error &error)
{
    return invoke(QStringLiteral("GetAlbumsByParentAlbumID"), {QStringLiteral("nAlbumID")},
                  {{QStringLiteral("nAlbumID"), QString::number(albumID)}}, {QStringLiteral("arrAlbums")},
                  error);
}

QVariantMap wsCoreComms::doGetAssetsByAlbumID(qint64 albumID, Error &error)
{
    return invoke(QStringLiteral("GetAssetsByAlbumID"), {QStringLiteral("nAlbumID")},
                  {{QStringLiteral("nAlbumID"), QString::number(albumID)}}, {QStringLiteral("arrAssets")},
                  error);
}

QVariantMap wsCoreComms::doRenameAlbumID(qint64 albumID, const QString &newName, Error &error)
{
    return invoke(
        QStringLiteral("RenameAlbum"), {QStringLiteral("nAlbumID"), QStringLiteral("strNewName")},
        {{QStringLiteral("nAlbumID"), QString::number(albumID)}, {QStringLiteral("strNewName"), newName}},
        {QStringLiteral("objAlbumSummary")}, error);
}

QVariantMap wsCoreComms::doRenameAsset(qint64 assetID, const QString &newName, Error &error)
{
    return invoke(
        QStringLiteral("RenameAsset"), {QStringLiteral("nAssetID"), QStringLiteral("strNewName")},
        {{QStringLiteral("nAssetID"), QString::number(assetID)}, {QStringLiteral("strNewName"), newName}},
        {QStringLiteral("objAssetSummary")}, error);
}

void wsCoreComms::doDeleteAlbum(qint64 albumID, Error &error)
{
    invoke(QStringLiteral("DeleteAlbum"), {QStringLiteral("nAlbumID")},
           {{QStringLiteral("nAlbumID"), QString::number(albumID)}}, {}, error);
}

void wsCoreComms::doDeleteAsset(qint64 assetID, Error &error)
{
    invoke(QStringLiteral("DeleteAsset"), {QStringLiteral("nAssetID")},
           {{QStringLiteral("nAssetID"), QString::number(assetID)}}, {}, error);
}

QVariantMap wsCoreComms::doCreateTopLevelAlbum(const QString &name, const QString &description, Error &error)
{
    return invoke(QStringLiteral("CreateNewTopLevelAlbum"),
                  {QStringLiteral("strName"), QStringLiteral("strDescription")},
                  {{QStringLiteral("strName"), name}, {QStringLiteral("strDescription"), description}},
                  {QStringLiteral("objAlbumSummary")}, error);
}

QVariantMap wsCoreComms::doCreateSubLevelAlbum(qint64 parentID, const QString &name,
                                               const QString &description, Error &error)
{
    return invoke(QStringLiteral("CreateNewSubAlbum"),
                  {QStringLiteral("strName"), QStringLiteral("strDescription"), QStringLiteral("nParentID")},
                  {{QStringLiteral("strName"), name},
                   {QStringLiteral("strDescription"), description},
                   {QStringLiteral("nParentID"), QString::number(parentID)}},
                  {QStringLiteral("objAlbumSummary")}, error);
}

bool wsCoreComms::checkRename(const QString &summaryKey, const QString &idKey, const QString &nameKey,
                              qint64 id, const QVariantMap &result, const QString &newName)
{
    const auto summary = result.constFind(summaryKey);
    if (summary == result.constEnd())
        return false;
    const QVariantMap fields = summary->toMap();
    const QVariant echoedID = soapResultsBase::getNumber(idKey, fields);
    return echoedID.isValid() && echoedID.toDouble() == double(id) &&
           soapResultsBase::getString(nameKey, fields) == newName;
}

bool wsCoreComms::checkRenameFolderAsset(qint64 albumID, const QVariantMap &result, const QString &newName)
{
    return checkRename(QStringLiteral("objAlbumSummary"), QStringLiteral("m_nAlbumID"),
                       QStringLiteral("m_strName"), albumID, result, newName);
}

bool wsCoreComms::checkRenameFileAsset(qint64 assetID, const QVariantMap &result, const QString &newName)
{
    return checkRename(QStringLiteral("objAssetSummary"), QStringLiteral("m_nAssetID"),
                       QStringLiteral("m_strFilename"), assetID, result, newName);
}

bool wsCoreComms::doGetPendingFilesStatus(const pendingFilesStatusRequestPtr &request)
{
    if (isMainThread())
        m_pendingStatusThreads.start([this, request] { doInternalGetPendingFilesStatus(request); });
    else
        doInternalGetPendingFilesStatus(request);
    return true;
}

bool wsCoreComms::doInternalGetPendingFilesStatus(const pendingFilesStatusRequestPtr &request)
{
    VENDRA_DIAG(QStringLiteral("doInternalGetPendingFilesStatus"));
    if (isMainThread()) {
        // The request would block the windows for up to a minute.
        VENDRA_DIAG(QStringLiteral("doInternalGetPendingFilesStatus : called on main thread...bad!"));
        return false;
    }
    Error error;
    const QVariantMap result = doGetPendingFilesButtonDetails(error);
    if (error) {
        VENDRA_DIAG(QStringLiteral("was NOT ok"));
        return false;
    }
    VENDRA_DIAG(QStringLiteral("was ok"));
    soapGetPendingFilesButton &button = commsGlobal->results().pendingFilesButton();
    const bool decoded = button.deserialise(result);
    request->setBReturnedPendingFilesStatus(button.bDisplayed() != 0);
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::PendingStatusUpdate,
                                                             QVariant::fromValue(request));
    return decoded;
}
