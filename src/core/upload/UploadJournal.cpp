#include "upload/UploadJournal.h"

#include "diagnostics/DiagnosticLine.h"
#include "diagnostics/LogFile.h"
#include "session/commsGlobals.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

const QString OpKey = QStringLiteral("op");
const QString IdKey = QStringLiteral("id");
const QString TypeKey = QStringLiteral("type");
const QString AccountKey = QStringLiteral("account");
const QString FileKey = QStringLiteral("file");
const QString AlbumKey = QStringLiteral("album");
const QString NameKey = QStringLiteral("name");
const QString AddOp = QStringLiteral("add");
const QString EndOp = QStringLiteral("end");
// Below this size the finished records are left in the journal: reading past them costs nothing,
// while replacing the file costs a wait for the disk at every start.
constexpr qint64 CompactAboveBytes = 256 * 1024;

QByteArray lineFor(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject addObject(const UploadJournal::Entry &entry)
{
    QJsonObject object{
        {OpKey, AddOp}, {IdKey, entry.id}, {TypeKey, int(entry.type)}, {AccountKey, entry.account}};
    if (!entry.localFile.isEmpty())
        object.insert(FileKey, entry.localFile);
    object.insert(AlbumKey, entry.album);
    if (!entry.albumName.isEmpty())
        object.insert(NameKey, entry.albumName);
    return object;
}

} // namespace

UploadJournal::UploadJournal(const QString &path) : m_file(path), m_lock(path + QStringLiteral(".lock"))
{
    // Ids of this run are told apart from those of earlier and of simultaneous runs.
    m_runPrefix = QString::number(QRandomGenerator::global()->generate64(), 36) + u'-';
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent))
        m_error = QStringLiteral("Cannot create the folder %1").arg(parent);
    // A lock left by a killed run is stale and taken over.
    m_holdsJournal = m_lock.tryLock(0);
    load();
    // A torn last line is always cut off: a line appended to it would be lost with it.
    const bool compact = m_holdsJournal && (m_tornTail || QFileInfo(path).size() > CompactAboveBytes);
    if ((compact && !rewrite()) || !m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = QStringLiteral("Cannot write the upload journal %1: %2").arg(path, m_file.errorString());
        VENDRA_DIAG(m_error);
    }
}

UploadJournal::~UploadJournal() = default;

QString UploadJournal::folder()
{
    return LogFile::logFolder();
}

QString UploadJournal::desktopPath()
{
    return folder() + QStringLiteral("/upload-queue.journal");
}

QString UploadJournal::commandLinePath()
{
    return folder() + QStringLiteral("/cli-upload-queue.journal");
}

QString UploadJournal::currentAccount()
{
    if (!commsGlobal)
        return {};
    return QStringLiteral("%1://%2@%3:%4")
        .arg(commsGlobal->bUseHTTPS() ? QStringLiteral("https") : QStringLiteral("http"),
             commsGlobal->userName(), commsGlobal->getRemotePath(), commsGlobal->portNoStr());
}

// Lines that do not read as a whole record (the torn last line of a killed run) are skipped.
void UploadJournal::load()
{
    QFile file(m_file.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.endsWith('\n')) {
            m_tornTail = true;
            break;
        }
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const QString id = object.value(IdKey).toString();
        if (id.isEmpty())
            continue;
        const QString op = object.value(OpKey).toString();
        if (op == EndOp) {
            forget(id);
            continue;
        }
        if (op != AddOp)
            continue;
        const int type = object.value(TypeKey).toInt(-1);
        if (type != UploadCommandFile && type != UploadCommandCreateFolder)
            continue;
        Entry entry;
        entry.id = id;
        entry.type = UploadCommandType(type);
        entry.account = object.value(AccountKey).toString();
        entry.localFile = object.value(FileKey).toString();
        entry.album = object.value(AlbumKey).toString();
        entry.albumName = object.value(NameKey).toString();
        keepOpen(entry);
    }
}

void UploadJournal::keepOpen(const Entry &entry)
{
    m_orderOf.insert(entry.id, m_nextOrder);
    m_open.insert(m_nextOrder++, entry);
}

void UploadJournal::forget(const QString &id)
{
    const auto order = m_orderOf.constFind(id);
    if (order == m_orderOf.cend())
        return;
    m_open.remove(*order);
    m_orderOf.erase(order);
}

// Writes what is still open to a new file that replaces the old one whole, so that a crash while
// rewriting leaves either the old journal or the new one.
bool UploadJournal::rewrite()
{
    QSaveFile file(m_file.fileName());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const Entry &entry : std::as_const(m_open))
        file.write(lineFor(addObject(entry)));
    return file.commit();
}

bool UploadJournal::append(const QByteArray &line)
{
    if (!m_file.isOpen())
        return false;
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        VENDRA_DIAG(QStringLiteral("Cannot write the upload journal: %1").arg(m_file.errorString()));
        return false;
    }
    return true;
}

bool UploadJournal::commandAdded(const UploadStatus &record)
{
    // The contents fetches are made again from the albums of what is resumed.
    if (record.eUploadType() == UploadCommandGetFolderContents)
        return true;
    const QMutexLocker lock(&m_mutex);
    Entry entry;
    entry.id = m_runPrefix + QString::number(m_nextNumber++);
    entry.type = record.eUploadType();
    entry.account = currentAccount();
    if (entry.type == UploadCommandFile) {
        entry.localFile = record.localFilePath().toLocalFile();
    } else {
        entry.albumName = record.remoteFolderCreateName();
    }
    entry.album = record.remoteFolderParentName();
    m_idOf.insert(&record, entry.id);
    keepOpen(entry);
    return append(lineFor(addObject(entry)));
}

void UploadJournal::commandEnded(const UploadStatus &record)
{
    const QMutexLocker lock(&m_mutex);
    const QString id = m_idOf.take(&record);
    if (id.isEmpty())
        return;
    forget(id);
    append(lineFor({{OpKey, EndOp}, {IdKey, id}}));
}

QList<UploadJournal::Entry> UploadJournal::unfinished(const QString &account) const
{
    const QMutexLocker lock(&m_mutex);
    QList<Entry> entries;
    for (const Entry &entry : m_open) {
        if (entry.account == account)
            entries.append(entry);
    }
    return entries;
}

QList<UploadJournal::Entry> UploadJournal::leftByEarlierRuns(const QString &account) const
{
    if (!m_holdsJournal)
        return {};
    QList<Entry> entries = unfinished(account);
    entries.removeIf([this](const Entry &entry) { return entry.id.startsWith(m_runPrefix); });
    return entries;
}

void UploadJournal::markEnded(const QList<Entry> &entries)
{
    const QMutexLocker lock(&m_mutex);
    QByteArray lines;
    for (const Entry &entry : entries) {
        if (!m_orderOf.contains(entry.id))
            continue;
        forget(entry.id);
        lines += lineFor({{OpKey, EndOp}, {IdKey, entry.id}});
    }
    if (!lines.isEmpty())
        append(lines);
}
