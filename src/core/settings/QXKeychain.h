#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

// Generic passwords kept by service and account in the desktop's secret store (the Secret Service
// over D-Bus). Nothing here ever writes a secret anywhere else: without a reachable Secret Service,
// reads find nothing and saves fail.
//
// A null QString or QByteArray is a missing argument; an empty one is a valid value.
// Each operation without an Error calls its twin and drops the error.
class QXKeychain
{
public:
    static inline const QString ErrorDomain = QStringLiteral("com.halvane.qxkeychain");

    // Error codes. The Secret Service reports failures as GErrors, not status codes; they are mapped
    // onto the status codes keychain callers conventionally test for, so that "not found" keeps the
    // value every caller expects:
    //   - required argument missing (no call is made)                         -> MissingArgument
    //   - no session bus, no Secret Service running or activatable, the bus
    //     or the service not answering, or no collection to keep items in
    //     (G_DBUS_ERROR_SERVICE_UNKNOWN, _NAME_HAS_NO_OWNER, _NO_REPLY,
    //     _TIMEOUT, _UNKNOWN_OBJECT, _UNKNOWN_METHOD, G_IO_ERROR connection
    //     failures)                                                           -> NotAvailable
    //   - nothing matches a read, delete or list (SECRET_ERROR_NO_SUCH_OBJECT,
    //     or a call that succeeds but finds no item)                          -> ItemNotFound
    //   - the collection is locked and stays locked (SECRET_ERROR_IS_LOCKED)   -> InteractionNotAllowed
    //   - an item of that identity already exists (SECRET_ERROR_ALREADY_EXISTS) -> DuplicateItem
    //   - the user dismissed an unlock prompt (G_IO_ERROR_CANCELLED)           -> UserCanceled
    //   - anything else (protocol errors, unexpected replies)                  -> InternalComponent
    enum Code {
        MissingArgument = -1001,
        UserCanceled = -128,
        NotAvailable = -25291,
        DuplicateItem = -25299,
        ItemNotFound = -25300,
        InteractionNotAllowed = -25308,
        InternalComponent = -26276,
    };

    // Keys of the attribute maps that accountsForService returns.
    static inline const QString AttributeAccount = QStringLiteral("acct");
    static inline const QString AttributeService = QStringLiteral("svce");
    static inline const QString AttributeLabel = QStringLiteral("labl");
    static inline const QString AttributeDescription = QStringLiteral("desc");
    static inline const QString AttributeCreationDate = QStringLiteral("cdat");
    static inline const QString AttributeModificationDate = QStringLiteral("mdat");

    // The stored secret as UTF-8 text; null when nothing is stored or the secret is empty.
    static QString passwordForService(const QString &service, const QString &account, Error &error);
    static QString passwordForService(const QString &service, const QString &account)
    {
        Error ignored;
        return passwordForService(service, account, ignored);
    }

    // The stored secret bytes; null when nothing is stored.
    static QByteArray passwordDataForService(const QString &service, const QString &account, Error &error);

    // Replaces whatever is stored for the service and account.
    static bool setPassword(const QString &password, const QString &service, const QString &account,
                            Error &error);
    static bool setPassword(const QString &password, const QString &service, const QString &account)
    {
        Error ignored;
        return setPassword(password, service, account, ignored);
    }

    // False with ItemNotFound when nothing was stored.
    static bool deletePasswordForService(const QString &service, const QString &account, Error &error);
    static bool deletePasswordForService(const QString &service, const QString &account)
    {
        Error ignored;
        return deletePasswordForService(service, account, ignored);
    }

    // The attributes of every password of the service (of every service when it is null);
    // empty with ItemNotFound when there is none.
    static QList<QVariantMap> accountsForService(const QString &service, Error &error);
    static QList<QVariantMap> accountsForService(const QString &service)
    {
        Error ignored;
        return accountsForService(service, ignored);
    }

    // Whether a Secret Service answers, to warn before a save that would fail.
    static bool isAvailable();

    static QList<QVariantMap> allAccounts(Error &error) { return accountsForService(QString(), error); }
    static QList<QVariantMap> allAccounts() { return accountsForService(QString()); }
};
