#pragma once

#include "common/Error.h"
#include "session/pendingFilesStatusRequest.h"

#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QVariantMap>

// One operation per method of the server's SOAP service. Each blocks its thread for the whole
// exchange and returns the decoded result, or an empty map with the error set. The endpoints are
// rebuilt from the session settings on every call. Safe to use from several threads at once.
class wsCoreComms
{
public:
    wsCoreComms();
    ~wsCoreComms();

    // Endpoints, from the settings of commsGlobal.
    QUrl getSoapURL() const;
    // The same for other settings, e.g. stored ones not yet in the session.
    static QUrl soapUrlFor(const QString &server, qint64 port, bool useHttps);
    // Where a certificate trusted for that server is kept (TrustedCertificates::serverKey); empty
    // without a server or HTTPS.
    static QString serverKeyFor(const QString &server, qint64 port, bool useHttps);
    QString getNamespaceURLStr() const;
    QString getUploadURLStr() const;

    QVariantMap doCheckVersion(Error &error);
    QVariantMap doLogin(Error &error);
    // On failure the cookies of the SOAP endpoint go and the logged-in flag is cleared; callers use
    // only the error.
    void doLogout(Error &error);
    QVariantMap doGetMyPicturesButtonDetails(Error &error);
    QVariantMap doGetPendingFilesButtonDetails(Error &error);
    QVariantMap doGetTopLevelAlbums(Error &error);
    QVariantMap doGetQuotaDetails(Error &error);
    QVariantMap doGetAlbumsByParentID(qint64 albumID, Error &error);
    QVariantMap doGetAssetsByAlbumID(qint64 albumID, Error &error);
    QVariantMap doRenameAlbumID(qint64 albumID, const QString &newName, Error &error);
    QVariantMap doRenameAsset(qint64 assetID, const QString &newName, Error &error);
    void doDeleteAlbum(qint64 albumID, Error &error);
    void doDeleteAsset(qint64 assetID, Error &error);
    QVariantMap doCreateTopLevelAlbum(const QString &name, const QString &description, Error &error);
    QVariantMap doCreateSubLevelAlbum(qint64 parentID, const QString &name, const QString &description,
                                      Error &error);

    // A rename is confirmed only when the reply names the same ID and exactly the requested name.
    static bool checkRenameFolderAsset(qint64 albumID, const QVariantMap &result, const QString &newName);
    static bool checkRenameFileAsset(qint64 assetID, const QVariantMap &result, const QString &newName);

    // Starts a check of the pending-files button; on the main thread it runs on a thread of its own.
    // Always true.
    bool doGetPendingFilesStatus(const pendingFilesStatusRequestPtr &request);
    // The check itself, off the main thread: decodes the button and posts "PendingStatusUpdate" on
    // this thread. True when the reply was decoded; a failure posts nothing.
    bool doInternalGetPendingFilesStatus(const pendingFilesStatusRequestPtr &request);

private:
    QVariantMap invoke(const QString &method, const QStringList &paramOrder, const QVariantMap &params,
                       const QStringList &resultKeys, Error &error) const;
    static bool checkRename(const QString &summaryKey, const QString &idKey, const QString &nameKey,
                            qint64 id, const QVariantMap &result, const QString &newName);

    // Pending-files checks started on the main thread; waited for when the session ends.
    QThreadPool m_pendingStatusThreads;
};
