#pragma once

#include "albums/RemoteAlbumRegistry.h"

#include <QMutex>
#include <QString>
#include <QVariant>

#include <memory>

class UploadQueue;
class remoteFileBrowserHelper;
class soapResults;
class wsExpandHelper;
class wsCoreComms;
class wsLoginSequence;
class wsSoapAsyncOp;

// The one process-wide session object: connection settings, the shared communication objects and
// the album registry. Reached everywhere through commsGlobal, which it sets while it exists.
class commsGlobals
{
public:
    // Sets commsGlobal first, so the shared objects it creates next can already reach it.
    commsGlobals();
    // Stops the shared objects, then clears commsGlobal.
    ~commsGlobals();

    commsGlobals(const commsGlobals &) = delete;
    commsGlobals &operator=(const commsGlobals &) = delete;

    // Settings are written on the main thread and read from workers; each access is atomic.
    QString server() const;
    void setServer(const QString &server);
    QString userName() const;
    void setUserName(const QString &userName);
    // Held in memory only.
    QString password() const;
    void setPassword(const QString &password);
    bool bUseHTTPS() const;
    void setBUseHTTPS(bool useHTTPS);
    qint64 portNo() const;
    void setPortNo(qint64 port);
    bool bDontShowLoginWindow() const;
    void setBDontShowLoginWindow(bool dontShow);
    bool bSavePassword() const;
    void setBSavePassword(bool save);

    // The port as decimal text.
    QString portNoStr() const;

    // Forwarded from the version record.
    bool bRunningLatestVersion() const;
    QString strLatestVersion() const;
    QString strURLForLatestVersion() const;
    QVariant maxTransferSize() const;

    // The server address without its scheme prefix and trailing slashes.
    QString getRemotePath() const;
    static QString remotePathOf(const QString &server);
    static QString convertBytesToString(quint64 bytes);

    // The shared objects (the fields remoteFileBrowserHelper, soapResults, wsCoreComms, soapAsyncOp,
    // wsLoginSequence, the upload queue and expandHelper).
    remoteFileBrowserHelper &remoteBrowserHelper() const { return *m_remoteFileBrowserHelper; }
    soapResults &results() const { return *m_soapResults; }
    wsCoreComms &coreComms() const { return *m_wsCoreComms; }
    wsSoapAsyncOp &soapAsyncOp() const { return *m_soapAsyncOp; }
    wsLoginSequence &loginSequence() const { return *m_wsLoginSequence; }
    UploadQueue &uploadQueue() const { return *m_uploadQueue; }
    wsExpandHelper &expandHelper() const { return *m_expandHelper; }

    // The album registry (remoteAlbumByName, remoteAlbumByID and their operations).
    RemoteAlbumRegistry &registry() { return m_registry; }
    // Cancels the queued album operations, empties the registry and registers the root again.
    void clearRemoteFolderDictionaries();

private:
    static QString removePrefix(const QString &text, const QString &prefix);

    mutable QMutex m_settingsMutex;
    QString m_server;
    QString m_userName;
    QString m_password;
    bool m_bUseHTTPS = true;
    qint64 m_portNo = 443;
    bool m_bDontShowLoginWindow = false;
    bool m_bSavePassword = true;

    RemoteAlbumRegistry m_registry;

    // Created in this order.
    std::unique_ptr<remoteFileBrowserHelper> m_remoteFileBrowserHelper;
    std::unique_ptr<soapResults> m_soapResults;
    std::unique_ptr<wsCoreComms> m_wsCoreComms;
    std::unique_ptr<wsSoapAsyncOp> m_soapAsyncOp;
    std::unique_ptr<wsLoginSequence> m_wsLoginSequence;
    std::unique_ptr<UploadQueue> m_uploadQueue;
    std::unique_ptr<wsExpandHelper> m_expandHelper;
};

extern commsGlobals *commsGlobal;
