#include "settings/Preferences.h"

#include <algorithm>

#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/TrustedCertificates.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

namespace {

// The one format marker value that asks for a fresh view of the database.
const qint64 ResetFormatVersion = 2;
const qint64 DefaultPort = 443;

std::unique_ptr<Preferences> &singleton()
{
    // The store posts through the centre, so the centre must outlive it.
    NotificationCenter::defaultCenter();
    static std::unique_ptr<Preferences> preferences;
    return preferences;
}

} // namespace

QVariantMap Preferences::registeredDefaults()
{
    return {
        {KeyVersionNumber, qint64(0)},
        {KeyServer, QStringLiteral("")},
        {KeyPort, DefaultPort},
        {KeyUseHttps, true},
        {KeyUser, QStringLiteral("")},
        {KeyProxy, QStringLiteral("")},
        {KeyPassword, QStringLiteral("")},
        {KeySavePassword, true},
        {KeyAutoLogin, false},
        {KeyReExpandFoldersOnRefresh, false},
        {KeyNumberSimultaneousUploads, qint64(4)},
        {KeySkipExistingUploads, true},
        {KeyRetryFailedUploads, true},
        {KeyUploadSpeedLimit, qint64(0)},
        {KeyRemoteViewAutoExpandsOnDrags, false},
        {KeyDisableFinder, false},
        {KeyAutoSyncPlacesWithFinder, true},
        {KeyAutoExpandFinderFolders, false},
    };
}

Preferences::Preferences() : m_settings(UserDefaults::open())
{
    if (versionNumber() == ResetFormatVersion) {
        m_settings = UserDefaults::open();
        setValue(KeyVersionNumber, ResetFormatVersion);
    }
    QHash<QString, QString> fingerprints;
    m_settings->beginGroup(KeyTrustedCertificates);
    for (const QString &serverKey : m_settings->childKeys())
        fingerprints.insert(serverKey, m_settings->value(serverKey).toString());
    m_settings->endGroup();
    TrustedCertificates::setServerFingerprints(fingerprints);
}

Preferences::~Preferences() = default;

Preferences *Preferences::init()
{
    auto &preferences = singleton();
    if (!preferences)
        preferences.reset(new Preferences);
    return preferences.get();
}

Preferences *Preferences::instance()
{
    return singleton().get();
}

void Preferences::close()
{
    singleton().reset();
}

QVariant Preferences::value(const QString &key) const
{
    // QSettings has no registered defaults, so they are applied here, on every read.
    static const QVariantMap defaults = registeredDefaults();
    return m_settings->value(key, defaults.value(key));
}

QString Preferences::stringValue(const QString &key) const
{
    // Never null: the keyring tells a null (missing) account from an empty one.
    const QString text = value(key).toString();
    return text.isNull() ? QStringLiteral("") : text;
}

void Preferences::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
}

qint64 Preferences::versionNumber() const
{
    return value(KeyVersionNumber).toLongLong();
}

QString Preferences::server() const
{
    return stringValue(KeyServer);
}

void Preferences::setServer(const QString &server)
{
    setValue(KeyServer, server);
}

qint64 Preferences::port() const
{
    if (server().isEmpty())
        return DefaultPort;
    return value(KeyPort).toLongLong();
}

void Preferences::setPort(qint64 port)
{
    setValue(KeyPort, port);
}

QString Preferences::proxy() const
{
    return value(KeyProxy).toString();
}

void Preferences::setProxy(const QString &proxy)
{
    setValue(KeyProxy, proxy.trimmed());
}

QString Preferences::caCertificateFile() const
{
    return m_settings->value(KeyCaCertificateFile).toString();
}

void Preferences::setCaCertificateFile(const QString &path)
{
    if (path.isEmpty())
        m_settings->remove(KeyCaCertificateFile);
    else
        setValue(KeyCaCertificateFile, path);
}

QString Preferences::trustedCertificate(const QString &serverKey) const
{
    if (serverKey.isEmpty())
        return {};
    return m_settings->value(KeyTrustedCertificates + u'/' + serverKey).toString();
}

void Preferences::setTrustedCertificate(const QString &serverKey, const QString &fingerprint)
{
    if (serverKey.isEmpty())
        return;
    const QString key = KeyTrustedCertificates + u'/' + serverKey;
    if (fingerprint.isEmpty())
        m_settings->remove(key);
    else
        setValue(key, fingerprint);
    TrustedCertificates::setServerFingerprint(serverKey, fingerprint);
}

bool Preferences::useHttps() const
{
    if (server().isEmpty())
        return true;
    return value(KeyUseHttps).toBool();
}

void Preferences::setUseHttps(bool useHttps)
{
    setValue(KeyUseHttps, useHttps);
}

QString Preferences::user() const
{
    return stringValue(KeyUser);
}

void Preferences::setUser(const QString &user)
{
    setValue(KeyUser, user);
}

QString Preferences::password() const
{
    const QString password = QXKeychain::passwordForService(server(), user());
    return password.isNull() ? QStringLiteral("") : password;
}

bool Preferences::setPassword(const QString &password, bool savePassword, Error &error)
{
    setSavePassword(savePassword);
    bool saved = true;
    if (savePassword) {
        saved = QXKeychain::setPassword(password.isNull() ? QStringLiteral("") : password, server(), user(),
                                        error);
        if (!saved)
            VENDRA_DIAG(QStringLiteral("The password was not saved in the keyring: ") + error.toString());
    } else if (!QXKeychain::deletePasswordForService(server(), user(), error) &&
               error.code() != QXKeychain::ItemNotFound) {
        VENDRA_DIAG(QStringLiteral("The saved password was not removed from the keyring: ") +
                    error.toString());
        // Nothing was to be saved: a failure to delete is no failure to report here.
        error.clear();
    }
    m_settings->remove(KeyPassword);
    return saved;
}

QString Preferences::passwordNotSavedText(const Error &error)
{
    return messageText(error.code() == QXKeychain::NotAvailable ? QStringLiteral("Text_KeyringMissing")
                                                                : QStringLiteral("Text_KeyringRefused"));
}

bool Preferences::savePassword() const
{
    return value(KeySavePassword).toBool();
}

void Preferences::setSavePassword(bool savePassword)
{
    setValue(KeySavePassword, savePassword);
}

bool Preferences::autoLogin() const
{
    return value(KeyAutoLogin).toBool();
}

void Preferences::setAutoLogin(bool autoLogin)
{
    setValue(KeyAutoLogin, autoLogin);
}

bool Preferences::reExpandFoldersOnRefresh() const
{
    return value(KeyReExpandFoldersOnRefresh).toBool();
}

void Preferences::setReExpandFoldersOnRefresh(bool reExpand)
{
    setValue(KeyReExpandFoldersOnRefresh, reExpand);
}

qint64 Preferences::numberSimultaneousUploads() const
{
    return value(KeyNumberSimultaneousUploads).toLongLong();
}

void Preferences::setNumberSimultaneousUploads(qint64 count)
{
    setValue(KeyNumberSimultaneousUploads, count);
}

bool Preferences::skipExistingUploads() const
{
    return value(KeySkipExistingUploads).toBool();
}

void Preferences::setSkipExistingUploads(bool skip)
{
    setValue(KeySkipExistingUploads, skip);
}

bool Preferences::retryFailedUploads() const
{
    return value(KeyRetryFailedUploads).toBool();
}

void Preferences::setRetryFailedUploads(bool retry)
{
    setValue(KeyRetryFailedUploads, retry);
}

qint64 Preferences::uploadSpeedLimit() const
{
    return std::max<qint64>(0, value(KeyUploadSpeedLimit).toLongLong());
}

void Preferences::setUploadSpeedLimit(qint64 bytesPerSecond)
{
    setValue(KeyUploadSpeedLimit, std::max<qint64>(0, bytesPerSecond));
}

bool Preferences::remoteViewAutoExpandsOnDrags() const
{
    return value(KeyRemoteViewAutoExpandsOnDrags).toBool();
}

void Preferences::setRemoteViewAutoExpandsOnDrags(bool autoExpand)
{
    setValue(KeyRemoteViewAutoExpandsOnDrags, autoExpand);
}

bool Preferences::disableFinder() const
{
    return value(KeyDisableFinder).toBool();
}

void Preferences::setDisableFinder(bool disable)
{
    setValue(KeyDisableFinder, disable);
}

bool Preferences::autoSyncPlacesWithFinder() const
{
    return value(KeyAutoSyncPlacesWithFinder).toBool();
}

void Preferences::setAutoSyncPlacesWithFinder(bool autoSync)
{
    setValue(KeyAutoSyncPlacesWithFinder, autoSync);
}

bool Preferences::autoExpandFinderFolders() const
{
    return value(KeyAutoExpandFinderFolders).toBool();
}

void Preferences::setAutoExpandFinderFolders(bool autoExpand)
{
    setValue(KeyAutoExpandFinderFolders, autoExpand);
}

std::optional<QStringList> Preferences::stringList(const QString &key) const
{
    if (!m_settings->contains(key))
        return std::nullopt;
    const QVariant stored = m_settings->value(key);
    // An empty list is written as an invalid value or an empty text; one element as its text alone.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList();
    const QString text = stored.toString();
    if (text.isEmpty())
        return QStringList();
    return QStringList{text};
}

void Preferences::setStringList(const QString &key, const QStringList &list)
{
    // QSettings writes an empty list as "@Invalid()", which other readers of the file take for a
    // broken value: an empty text reads back as the empty list all the same.
    if (list.isEmpty())
        setValue(key, QString());
    else
        setValue(key, list);
}

QList<quint64> Preferences::hashList(const QString &key) const
{
    QList<quint64> hashes;
    for (const QString &text : stringList(key).value_or(QStringList())) {
        bool ok = false;
        const quint64 hash = text.trimmed().toULongLong(&ok);
        if (ok)
            hashes.append(hash);
    }
    return hashes;
}

void Preferences::setHashList(const QString &key, const QList<quint64> &list)
{
    // Written as decimal texts: QSettings would store a list of numbers as typed variants.
    QStringList texts;
    texts.reserve(list.size());
    for (const quint64 hash : list)
        texts.append(QString::number(hash));
    setStringList(key, texts);
}

QString Preferences::addPlaceURL() const
{
    return m_settings->value(KeyAddPlaceURL).toString();
}

void Preferences::setAddPlaceURL(const QString &path)
{
    setValue(KeyAddPlaceURL, path);
}

bool Preferences::synchronize()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    VENDRA_DIAG(QStringLiteral("The settings could not be written to ") + m_settings->fileName());
    return false;
}

void Preferences::sendEventPrefrencesChanged()
{
    synchronize();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::EventPreferencesChanged, QVariant::fromValue(this));
}
