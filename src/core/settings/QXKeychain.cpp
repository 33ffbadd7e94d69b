#include "settings/QXKeychain.h"

#include "diagnostics/DiagnosticLine.h"

#include <QDateTime>
#include <QFileInfo>

// The per-path calls let a listing skip an item deleted while it runs; they have kept their
// signatures since libsecret 0.7 but are still marked unstable.
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>

#include <memory>

namespace {

const char *const SecretServiceBusName = "org.freedesktop.secrets";
const int BusProbeTimeoutMs = 3000;

const SecretSchema &passwordSchema()
{
    static const SecretSchema schema = {"org.vendra.Uploader.GenericPassword",
                                        SECRET_SCHEMA_NONE,
                                        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return schema;
}

struct GErrorDeleter
{
    void operator()(GError *e) const { g_error_free(e); }
};
struct GObjectDeleter
{
    void operator()(gpointer o) const { g_object_unref(o); }
};
struct SecretValueDeleter
{
    void operator()(SecretValue *v) const { secret_value_unref(v); }
};
struct GHashTableDeleter
{
    void operator()(GHashTable *t) const { g_hash_table_unref(t); }
};
struct GStrvDeleter
{
    void operator()(gchar **v) const { g_strfreev(v); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;
using SecretServicePtr = std::unique_ptr<SecretService, GObjectDeleter>;
using SecretValuePtr = std::unique_ptr<SecretValue, SecretValueDeleter>;
using GHashTablePtr = std::unique_ptr<GHashTable, GHashTableDeleter>;
using GStrvPtr = std::unique_ptr<gchar *, GStrvDeleter>;
using SecretItemPtr = std::unique_ptr<SecretItem, GObjectDeleter>;

Error keychainError(QXKeychain::Code code)
{
    const char *key = "Text_KeychainFailed";
    switch (code) {
    case QXKeychain::MissingArgument:
        key = "Text_KeychainMissingArgument";
        break;
    case QXKeychain::NotAvailable:
        key = "Text_KeychainNotAvailable";
        break;
    case QXKeychain::ItemNotFound:
        key = "Text_KeychainItemNotFound";
        break;
    case QXKeychain::InteractionNotAllowed:
        key = "Text_KeychainLocked";
        break;
    case QXKeychain::DuplicateItem:
        key = "Text_KeychainDuplicateItem";
        break;
    case QXKeychain::UserCanceled:
        key = "Text_KeychainCanceled";
        break;
    case QXKeychain::InternalComponent:
        break;
    }
    return Error::fromMessageKey(QXKeychain::ErrorDomain, code, QString::fromLatin1(key));
}

QXKeychain::Code codeForGError(const GError *gerror)
{
    if (gerror->domain == SECRET_ERROR) {
        switch (gerror->code) {
        case SECRET_ERROR_NO_SUCH_OBJECT:
            return QXKeychain::ItemNotFound;
        case SECRET_ERROR_IS_LOCKED:
            return QXKeychain::InteractionNotAllowed;
        case SECRET_ERROR_ALREADY_EXISTS:
            return QXKeychain::DuplicateItem;
        default:
            return QXKeychain::InternalComponent;
        }
    }
    if (gerror->domain == G_DBUS_ERROR) {
        switch (gerror->code) {
        case G_DBUS_ERROR_SERVICE_UNKNOWN:
        case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
        case G_DBUS_ERROR_NO_REPLY:
        case G_DBUS_ERROR_TIMEOUT:
        case G_DBUS_ERROR_TIMED_OUT:
        case G_DBUS_ERROR_NO_SERVER:
        case G_DBUS_ERROR_DISCONNECTED:
        case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
        case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
        case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
        // No collection to keep the item in: a keyring never set up that cannot prompt to be.
        case G_DBUS_ERROR_UNKNOWN_METHOD:
        case G_DBUS_ERROR_UNKNOWN_OBJECT:
            return QXKeychain::NotAvailable;
        default:
            return QXKeychain::InternalComponent;
        }
    }
    if (gerror->domain == G_IO_ERROR) {
        if (gerror->code == G_IO_ERROR_CANCELLED)
            return QXKeychain::UserCanceled;
        return QXKeychain::NotAvailable;
    }
    return QXKeychain::InternalComponent;
}

// Another program may delete an item between the search that found it and reading it.
bool itemVanished(const GError *gerror)
{
    if (gerror->domain == SECRET_ERROR)
        return gerror->code == SECRET_ERROR_NO_SUCH_OBJECT;
    return gerror->domain == G_DBUS_ERROR &&
           (gerror->code == G_DBUS_ERROR_UNKNOWN_METHOD || gerror->code == G_DBUS_ERROR_UNKNOWN_OBJECT);
}

// Takes ownership of the GError. Its message names D-Bus objects, never a secret.
Error errorFromGError(GError *raw)
{
    const GErrorPtr gerror(raw);
    const QXKeychain::Code code = codeForGError(gerror.get());
    if (code != QXKeychain::ItemNotFound)
        VENDRA_DIAG(
            QStringLiteral("Secret Service: %1 (%2 %3)")
                .arg(QString::fromUtf8(gerror->message), QString::fromUtf8(g_quark_to_string(gerror->domain)))
                .arg(gerror->code));
    return keychainError(code);
}

// GLib resolves a missing session bus address by autolaunching a bus (it runs dbus-launch, which can
// block or need a display), so only go near GLib when a session bus is actually configured.
bool sessionBusConfigured()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return !address.startsWith("autolaunch:");
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(QString::fromLocal8Bit(runtimeDir + "/bus"));
}

bool busAnswersTrue(GDBusConnection *bus, const char *method, GVariant *parameters, const char *replyType)
{
    GError *raw = nullptr;
    GVariant *reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, parameters,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, BusProbeTimeoutMs, nullptr, &raw);
    if (!reply) {
        g_error_free(raw);
        return false;
    }
    bool found = false;
    if (g_str_equal(replyType, "(b)")) {
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        found = owned;
    } else {
        GVariantIter *names = nullptr;
        g_variant_get(reply, "(as)", &names);
        const gchar *name = nullptr;
        while (!found && g_variant_iter_next(names, "&s", &name))
            found = g_str_equal(name, SecretServiceBusName);
        g_variant_iter_free(names);
    }
    g_variant_unref(reply);
    return found;
}

// The Secret Service, or null with NotAvailable when none is running or can be started.
// Checked on every call, so a keyring that starts later is found.
SecretServicePtr secretService(Error &error)
{
    if (!sessionBusConfigured()) {
        VENDRA_DIAG(QStringLiteral("Secret Service: no D-Bus session bus"));
        error = keychainError(QXKeychain::NotAvailable);
        return nullptr;
    }
    GError *raw = nullptr;
    GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
    if (!bus) {
        error = errorFromGError(raw);
        return nullptr;
    }
    // The shared connection would otherwise end the whole process when the bus goes away.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    const bool present =
        busAnswersTrue(bus, "NameHasOwner", g_variant_new("(s)", SecretServiceBusName), "(b)") ||
        busAnswersTrue(bus, "ListActivatableNames", nullptr, "(as)");
    g_object_unref(bus);
    if (!present) {
        VENDRA_DIAG(QStringLiteral("Secret Service: no secret store runs on the session bus"));
        error = keychainError(QXKeychain::NotAvailable);
        return nullptr;
    }
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &raw);
    if (!service)
        error = errorFromGError(raw);
    return SecretServicePtr(service);
}

// The attribute table of a query; the strings it points at live as long as the object.
class Query
{
public:
    Query(const QString &service, const QString &account)
        : m_service(service.toUtf8()), m_account(account.toUtf8()),
          m_table(g_hash_table_new(g_str_hash, g_str_equal))
    {
        if (!service.isNull())
            g_hash_table_insert(m_table.get(), const_cast<char *>("service"), m_service.data());
        if (!account.isNull())
            g_hash_table_insert(m_table.get(), const_cast<char *>("account"), m_account.data());
    }
    GHashTable *table() const { return m_table.get(); }

private:
    QByteArray m_service;
    QByteArray m_account;
    GHashTablePtr m_table;
};

bool storeSecret(const QByteArray &secret, const char *contentType, const QString &service,
                 const QString &account, Error &error)
{
    if (secret.isNull() || service.isNull() || account.isNull()) {
        error = keychainError(QXKeychain::MissingArgument);
        return false;
    }
    const SecretServicePtr secrets = secretService(error);
    if (!secrets)
        return false;
    const Query query(service, account);
    GError *raw = nullptr;
    // The store replaces an item of the same identity anyway; clearing first also removes duplicates
    // that another program may have added.
    secret_service_clear_sync(secrets.get(), &passwordSchema(), query.table(), nullptr, &raw);
    if (raw)
        g_error_free(raw);
    raw = nullptr;

    const SecretValuePtr value(secret_value_new(secret.constData(), secret.size(), contentType));
    const QByteArray label = QStringLiteral("Vendra Uploader: %1 on %2").arg(account, service).toUtf8();
    if (!secret_service_store_sync(secrets.get(), &passwordSchema(), query.table(), SECRET_COLLECTION_DEFAULT,
                                   label.constData(), value.get(), nullptr, &raw)) {
        error = raw ? errorFromGError(raw) : keychainError(QXKeychain::InternalComponent);
        return false;
    }
    return true;
}

QVariantMap attributesOfItem(SecretItem *item)
{
    QVariantMap attributes;
    GHashTablePtr table(secret_item_get_attributes(item));
    if (auto service = static_cast<const char *>(g_hash_table_lookup(table.get(), "service")))
        attributes.insert(QXKeychain::AttributeService, QString::fromUtf8(service));
    if (auto account = static_cast<const char *>(g_hash_table_lookup(table.get(), "account")))
        attributes.insert(QXKeychain::AttributeAccount, QString::fromUtf8(account));
    gchar *label = secret_item_get_label(item);
    attributes.insert(QXKeychain::AttributeLabel, QString::fromUtf8(label));
    g_free(label);
    attributes.insert(QXKeychain::AttributeCreationDate,
                      QDateTime::fromSecsSinceEpoch(qint64(secret_item_get_created(item)), Qt::UTC));
    attributes.insert(QXKeychain::AttributeModificationDate,
                      QDateTime::fromSecsSinceEpoch(qint64(secret_item_get_modified(item)), Qt::UTC));
    return attributes;
}

} // namespace

QString QXKeychain::passwordForService(const QString &service, const QString &account, Error &error)
{
    const QByteArray data = passwordDataForService(service, account, error);
    if (data.isEmpty())
        return QString();
    return QString::fromUtf8(data);
}

QByteArray QXKeychain::passwordDataForService(const QString &service, const QString &account, Error &error)
{
    if (service.isNull() || account.isNull()) {
        error = keychainError(MissingArgument);
        return QByteArray();
    }
    const SecretServicePtr secrets = secretService(error);
    if (!secrets)
        return QByteArray();
    const Query query(service, account);
    GError *raw = nullptr;
    const SecretValuePtr value(
        secret_service_lookup_sync(secrets.get(), &passwordSchema(), query.table(), nullptr, &raw));
    if (raw) {
        error = errorFromGError(raw);
        return QByteArray();
    }
    if (!value) {
        error = keychainError(ItemNotFound);
        return QByteArray();
    }
    gsize length = 0;
    const gchar *bytes = secret_value_get(value.get(), &length);
    // Never a null array for a stored item, even an empty one.
    return length ? QByteArray(bytes, qsizetype(length)) : QByteArray("", 0);
}

bool QXKeychain::setPassword(const QString &password, const QString &service, const QString &account,
                             Error &error)
{
    QByteArray secret;
    if (!password.isNull()) {
        secret = password.toUtf8();
        if (secret.isNull()) // an empty password is a value, not a missing argument
            secret = QByteArray("", 0);
    }
    return storeSecret(secret, "text/plain", service, account, error);
}

bool QXKeychain::deletePasswordForService(const QString &service, const QString &account, Error &error)
{
    if (service.isNull() || account.isNull()) {
        error = keychainError(MissingArgument);
        return false;
    }
    const SecretServicePtr secrets = secretService(error);
    if (!secrets)
        return false;
    const Query query(service, account);
    GError *raw = nullptr;
    if (secret_service_clear_sync(secrets.get(), &passwordSchema(), query.table(), nullptr, &raw))
        return true;
    error = raw ? errorFromGError(raw) : keychainError(ItemNotFound);
    return false;
}

bool QXKeychain::isAvailable()
{
    // A search for a service nobody uses: cheap, and it fails only when nothing answers.
    Error error;
    accountsForService(QStringLiteral("org.vendra.keyring-probe"), error);
    return error.code() != NotAvailable;
}

QList<QVariantMap> QXKeychain::accountsForService(const QString &service, Error &error)
{
    const SecretServicePtr secrets = secretService(error);
    if (!secrets)
        return {};
    const Query query(service, QString());
    gchar **unlockedPaths = nullptr;
    gchar **lockedPaths = nullptr;
    GError *raw = nullptr;
    if (!secret_service_search_for_dbus_paths_sync(secrets.get(), &passwordSchema(), query.table(), nullptr,
                                                   &unlockedPaths, &lockedPaths, &raw)) {
        error = errorFromGError(raw);
        return {};
    }
    const GStrvPtr unlocked(unlockedPaths);
    const GStrvPtr locked(lockedPaths);
    // Items are read one by one (attributes are readable even when locked), so one that is
    // deleted meanwhile drops out of the list instead of failing all of it.
    QList<QVariantMap> accounts;
    for (gchar **paths : {unlocked.get(), locked.get()}) {
        for (gchar **path = paths; path && *path; ++path) {
            const SecretItemPtr item(
                secret_item_new_for_dbus_path_sync(secrets.get(), *path, SECRET_ITEM_NONE, nullptr, &raw));
            if (item) {
                accounts.append(attributesOfItem(item.get()));
                continue;
            }
            if (!itemVanished(raw)) {
                error = errorFromGError(raw);
                return {};
            }
            g_error_free(raw);
            raw = nullptr;
        }
    }
    if (accounts.isEmpty())
        error = keychainError(ItemNotFound);
    return accounts;
}
