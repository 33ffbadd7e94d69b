#pragma once

#include "common/Error.h"

#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

// The user's persistent settings. Uncached: every getter reads the defaults database when called
// and every setter writes it at once. The password never goes into the database; it lives in the
// keyring under the stored server and user name. One instance per process, used on the main thread.
class Preferences : public QObject
{
    Q_OBJECT

public:
    // Keys of the defaults database.
    static inline const QString KeyVersionNumber = QStringLiteral("OSXVersionNo");
    static inline const QString KeyServer = QStringLiteral("server");
    static inline const QString KeyPort = QStringLiteral("portno");
    static inline const QString KeyUseHttps = QStringLiteral("busehttps");
    static inline const QString KeyUser = QStringLiteral("user");
    // The proxy for every connection; empty for the environment's (http_proxy and the like).
    static inline const QString KeyProxy = QStringLiteral("proxy");
    // A file of certificate authorities trusted in addition to the system's; empty for none.
    static inline const QString KeyCaCertificateFile = QStringLiteral("caCertificateFile");
    // The group of certificates trusted for one server each: "host:port" to SHA-256 fingerprint.
    static inline const QString KeyTrustedCertificates = QStringLiteral("trustedCertificates");
    // The retired plain-text slot: only ever removed.
    static inline const QString KeyPassword = QStringLiteral("password");
    static inline const QString KeySavePassword = QStringLiteral("savepassword");
    static inline const QString KeyAutoLogin = QStringLiteral("dontshow");
    static inline const QString KeyReExpandFoldersOnRefresh = QStringLiteral("reexpandfoldersonrefresh");
    static inline const QString KeyNumberSimultaneousUploads = QStringLiteral("numberSimultaneousUploads");
    static inline const QString KeySkipExistingUploads = QStringLiteral("skipFilesAlreadyOnServer");
    static inline const QString KeyRetryFailedUploads = QStringLiteral("retryFailedUploadsAutomatically");
    // Bytes per second that all uploads together may send; 0 for no cap.
    static inline const QString KeyUploadSpeedLimit = QStringLiteral("uploadSpeedLimit");
    static inline const QString KeyRemoteViewAutoExpandsOnDrags =
        QStringLiteral("autoExpandRemoteFoldersOnDragDrop");
    static inline const QString KeyDisableFinder = QStringLiteral("disableFinderKey");
    static inline const QString KeyAutoSyncPlacesWithFinder = QStringLiteral("autoSyncPlacesWithFinder");
    static inline const QString KeyAutoExpandFinderFolders = QStringLiteral("autoExpandFinderFolders");

    // Keys the local pane keeps without registered defaults.
    // The places in display order, as absolute paths; absent until the places were first made.
    static inline const QString KeyLocalFileSystemPlaces = QStringLiteral("LocalFileSystemPlaces");
    // The hashes of the folders left open under the places and under the devices.
    static inline const QString KeyPlacesSave = QStringLiteral("PlacesSaveKey");
    static inline const QString KeyMountsSave = QStringLiteral("MountsSaveKey");
    // The folder last chosen when adding a place.
    static inline const QString KeyAddPlaceURL = QStringLiteral("addPlaceURL");

    // The values every key without a stored value reads as.
    static QVariantMap registeredDefaults();

    // Creates the process-wide store (registering the defaults), or returns the one that exists.
    static Preferences *init();
    // The process-wide store, or nullptr before init and after close. Windows outlive close() at
    // shut-down: they ask here at each use, keep no pointer, and do not init() it again.
    static Preferences *instance();
    static void close();

    ~Preferences() override;

    qint64 versionNumber() const;

    QString server() const;
    void setServer(const QString &server);
    // 443 while no server is stored.
    qint64 port() const;
    void setPort(qint64 port);
    // True while no server is stored.
    bool useHttps() const;
    void setUseHttps(bool useHttps);
    QString user() const;
    void setUser(const QString &user);
    QString proxy() const;
    void setProxy(const QString &proxy);
    QString caCertificateFile() const;
    void setCaCertificateFile(const QString &path);
    // The fingerprint of the certificate trusted for a server (TrustedCertificates::serverKey), empty
    // for none. Setting it also trusts it at once for the connections of this process, as the store
    // does for all servers when it is created; an empty fingerprint forgets it.
    QString trustedCertificate(const QString &serverKey) const;
    void setTrustedCertificate(const QString &serverKey, const QString &fingerprint);

    // The keyring's password for the stored server and user; empty when there is none.
    QString password() const;
    // Stores the flag, then saves the password in the keyring (flag on) or deletes it there (flag off),
    // keyed by the stored server and user name, so store those first. Removes the retired key last.
    // False when the password was to be saved and could not be (error tells why).
    bool setPassword(const QString &password, bool savePassword, Error &error);
    bool setPassword(const QString &password, bool savePassword)
    {
        Error ignored;
        return setPassword(password, savePassword, ignored);
    }
    // What the user is told where the password was asked for, when setPassword() failed to save it.
    static QString passwordNotSavedText(const Error &error);
    bool savePassword() const;
    // The flag only; the keyring is not touched.
    void setSavePassword(bool savePassword);

    bool autoLogin() const;
    void setAutoLogin(bool autoLogin);
    bool reExpandFoldersOnRefresh() const;
    void setReExpandFoldersOnRefresh(bool reExpand);
    // Stored as given; the upload queue treats anything below 1 as 1.
    qint64 numberSimultaneousUploads() const;
    void setNumberSimultaneousUploads(qint64 count);
    // A file whose name and size already stand in its album is not sent again.
    bool skipExistingUploads() const;
    void setSkipExistingUploads(bool skip);
    // Uploads that failed for a transient reason are tried again, up to three tries in all.
    bool retryFailedUploads() const;
    void setRetryFailedUploads(bool retry);
    qint64 uploadSpeedLimit() const;
    void setUploadSpeedLimit(qint64 bytesPerSecond);
    bool remoteViewAutoExpandsOnDrags() const;
    void setRemoteViewAutoExpandsOnDrags(bool autoExpand);
    bool disableFinder() const;
    void setDisableFinder(bool disable);
    bool autoSyncPlacesWithFinder() const;
    void setAutoSyncPlacesWithFinder(bool autoSync);
    bool autoExpandFinderFolders() const;
    void setAutoExpandFinderFolders(bool autoExpand);

    // Lists read back as lists, whatever the file made of them (INI gives one element back as a plain
    // string). A missing key reads as nullopt, so an emptied list stays told apart from a first run.
    std::optional<QStringList> stringList(const QString &key) const;
    void setStringList(const QString &key, const QStringList &list);
    QList<quint64> hashList(const QString &key) const;
    void setHashList(const QString &key, const QList<quint64> &list);
    QString addPlaceURL() const;
    void setAddPlaceURL(const QString &path);

    // Writes the database to disk now; false when the file could not be written.
    bool synchronize();
    // Flushes the database to disk, then posts EventPreferencesChanged on the main thread.
    void sendEventPrefrencesChanged();

private:
    Preferences();

    QVariant value(const QString &key) const;
    QString stringValue(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    std::unique_ptr<QSettings> m_settings;
};
