#pragma once

#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteBase.h"
#include "common/Error.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class soapRemoteFolderItem;
class wsSoapAsyncOpDelegate;

// The request and the outcome of one background album operation. Written by the worker that runs
// it; the delegate reads it in its callbacks on that worker.
class asyncRequestInfo
{
public:
    enum RequestType : qint32 {
        GetFolderContents = 0,
        RenameItem = 1,
        DeleteItem = 2,
        CreateFolder = 3,
        CreateFolderByRenameTemp = 4,
        Logout = 5,
    };

    asyncRequestInfo(qint32 requestType, const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate,
                     const QVariant &context);

    static std::shared_ptr<asyncRequestInfo>
    initGetFolderContentsFor(const soapRemoteBasePtr &item,
                             const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context);
    static std::shared_ptr<asyncRequestInfo>
    initRenameItemFor(const soapRemoteBasePtr &item, const QString &oldName, const QString &newName,
                      const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context);
    static std::shared_ptr<asyncRequestInfo>
    initDeleteItems(const QList<soapRemoteBasePtr> &items,
                    const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context);
    static std::shared_ptr<asyncRequestInfo>
    initCreateFolderFor(const soapRemoteBasePtr &parent, const QString &name, const QString &description,
                        const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context);
    static std::shared_ptr<asyncRequestInfo>
    initCreateFolderFor(const soapRemoteBasePtr &parent, const QString &name,
                        const std::shared_ptr<createFolderTempItem> &tempFolder, const QString &description,
                        const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context);
    static std::shared_ptr<asyncRequestInfo>
    initLogoutForDelegate(const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate);

    qint32 requestType() const { return m_requestType; }
    QString requestTypeAsString() const;

    soapRemoteBasePtr item() const { return m_item; }
    void setItem(const soapRemoteBasePtr &item) { m_item = item; }
    QList<soapRemoteBasePtr> items() const { return m_items; }
    std::shared_ptr<createFolderTempItem> tempFolder() const { return m_tempFolder; }
    std::shared_ptr<soapRemoteFolderItem> createdAlbum() const { return m_createdAlbum; }
    void setCreatedAlbum(const std::shared_ptr<soapRemoteFolderItem> &album) { m_createdAlbum = album; }
    QString oldName() const { return m_oldName; }
    QString theNewName() const { return m_theNewName; }
    QString description() const { return m_description; }
    std::shared_ptr<wsSoapAsyncOpDelegate> delegate() const { return m_delegate; }
    QVariant context() const { return m_context; }
    QVariantMap soapBody() const { return m_soapBody; }
    void setSoapBody(const QVariantMap &body) { m_soapBody = body; }
    QVariantMap soapBodyFolders() const { return m_soapBodyFolders; }
    void setSoapBodyFolders(const QVariantMap &body) { m_soapBodyFolders = body; }
    QVariantMap soapBodyFiles() const { return m_soapBodyFiles; }
    void setSoapBodyFiles(const QVariantMap &body) { m_soapBodyFiles = body; }
    bool bSucceeded() const { return m_bSucceeded; }
    void setBSucceeded(bool succeeded) { m_bSucceeded = succeeded; }
    qint64 commsErrorCode() const { return m_commsErrorCode; }
    Error error() const { return m_error; }
    void setError(const Error &error) { m_error = error; }

private:
    qint32 m_requestType;
    soapRemoteBasePtr m_item;
    QList<soapRemoteBasePtr> m_items;
    std::shared_ptr<createFolderTempItem> m_tempFolder;
    std::shared_ptr<soapRemoteFolderItem> m_createdAlbum;
    QString m_oldName;
    QString m_theNewName;
    QString m_description;
    std::shared_ptr<wsSoapAsyncOpDelegate> m_delegate;
    QVariant m_context;
    QVariantMap m_soapBody;
    QVariantMap m_soapBodyFolders;
    QVariantMap m_soapBodyFiles;
    bool m_bSucceeded = false;
    qint64 m_commsErrorCode = 0;
    Error m_error;
};

using asyncRequestInfoPtr = std::shared_ptr<asyncRequestInfo>;

Q_DECLARE_METATYPE(asyncRequestInfoPtr)
