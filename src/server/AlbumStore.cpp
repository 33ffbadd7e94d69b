#include "AlbumStore.h"

#include "AssetType.h"
#include "Database.h"
#include "FaultPlan.h"
#include "NameRules.h"
#include "PasswordHash.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char *const AlbumColumns =
    "a.id, a.user_id, a.parent_id, a.name, a.description, a.can_create_under, a.can_delete, a.can_rename, "
    "EXISTS (SELECT 1 FROM albums c WHERE c.parent_id = a.id) OR EXISTS (SELECT 1 FROM assets f WHERE "
    "f.album_id = a.id), "
    "EXISTS (SELECT 1 FROM assets f WHERE f.album_id = a.id AND f.pending)";

const char *const AssetColumns = "f.id, f.album_id, f.name, f.size, f.type, f.pending";

Album readAlbum(const Statement &row)
{
    Album album;
    album.id = row.integer(0);
    album.userId = row.integer(1);
    album.parentId = row.integer(2);
    album.name = row.text(3);
    album.description = row.text(4);
    album.canCreateUnder = row.integer(5);
    album.canDelete = row.integer(6);
    album.canRename = row.integer(7);
    album.hasChildren = row.integer(8);
    album.pending = row.integer(9);
    return album;
}

Asset readAsset(const Statement &row)
{
    Asset asset;
    asset.id = row.integer(0);
    asset.albumId = row.integer(1);
    asset.name = row.text(2);
    asset.size = uint64_t(row.integer(3));
    asset.type = int(row.integer(4));
    asset.pending = row.integer(5);
    return asset;
}

// rename(2) that refuses to replace an existing entry, so a folder or file that is on disk but
// unknown to the database is never overwritten.
bool renameNoReplace(const fs::path &from, const fs::path &to)
{
    return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

} // namespace

AlbumStore::AlbumStore(Database &db, const fs::path &dataDir, const FaultPlan &faults)
    : m_db(db), m_dataDir(dataDir), m_faults(faults), m_moves(db, dataDir)
{
    fs::create_directories(m_dataDir / "albums");
    fs::create_directories(incomingFolder());
    fs::create_directories(m_dataDir / "trash");
}

void AlbumStore::recoverFromCrash()
{
    m_moves.undoUnfinished();
    for (const auto &folder : {incomingFolder(), m_dataDir / "trash"})
        for (const auto &entry : fs::directory_iterator(folder))
            fs::remove_all(entry.path());
}

fs::path AlbumStore::incomingFolder() const
{
    return m_dataDir / "incoming";
}

fs::path AlbumStore::trashPath() const
{
    return m_dataDir / "trash" / randomHexToken(16);
}

// The order is: record the move (committed), make it, change the rows and drop the record in one
// transaction, answer. The rows' commit is the point of no return: a crash before it leaves the
// record, and the next start undoes the move (undoUnfinished); a crash after it leaves only a
// trash or incoming entry, which the next start removes. A move that fails is undone here.
StoreStatus AlbumStore::moveWithRows(const char *operation, const fs::path &from, const fs::path &to,
                                     const std::function<void()> &changeRows)
{
    auto lock = m_db.lock();
    const int64_t intent = m_moves.record(from, to);
    m_faults.crashPoint(operation, "intent");
    const bool moved = from.empty() ? ::mkdir(to.c_str(), 0755) == 0 : renameNoReplace(from, to);
    if (!moved) {
        const int failure = errno;
        m_moves.forget(intent);
        return failure == EEXIST ? StoreStatus::NameTaken : StoreStatus::StorageError;
    }
    m_faults.crashPoint(operation, "moved");
    try {
        Transaction transaction(m_db);
        changeRows();
        m_moves.forget(intent);
        transaction.commit();
    } catch (const DatabaseError &) {
        if (FileMoveJournal::undo(from, to))
            m_moves.forget(intent);
        throw;
    }
    m_faults.crashPoint(operation, "committed");
    return StoreStatus::Ok;
}

StoreStatus AlbumStore::changeRowsOnly(const char *operation, const std::function<void()> &changeRows)
{
    Transaction transaction(m_db);
    changeRows();
    transaction.commit();
    m_faults.crashPoint(operation, "committed");
    return StoreStatus::Ok;
}

fs::path AlbumStore::userFolder(int64_t userId)
{
    auto query = m_db.prepare("SELECT name FROM users WHERE id = ?");
    query.bind(1, userId);
    if (!query.step())
        throw DatabaseError("no such user");
    return m_dataDir / "albums" / query.text(0);
}

std::optional<fs::path> AlbumStore::albumFolder(int64_t userId, int64_t albumId)
{
    auto lock = m_db.lock();
    std::vector<std::string> names;
    int64_t id = albumId;
    while (id != 0) {
        if (names.size() > size_t(MaxDepth))
            return std::nullopt;
        auto query = m_db.prepare("SELECT parent_id, name FROM albums WHERE id = ? AND user_id = ?");
        query.bind(1, id).bind(2, userId);
        if (!query.step())
            return std::nullopt;
        names.push_back(query.text(1));
        id = query.integer(0);
    }
    fs::path folder = userFolder(userId);
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        folder /= *name;
    return folder;
}

int AlbumStore::depthOf(int64_t userId, int64_t albumId)
{
    int depth = 0;
    for (int64_t id = albumId; id != 0 && depth <= MaxDepth; ++depth) {
        const auto found = album(userId, id);
        if (!found)
            break;
        id = found->parentId;
    }
    return depth;
}

std::vector<Album> AlbumStore::albums(int64_t userId, int64_t parentId)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + AlbumColumns +
                              " FROM albums a WHERE a.user_id = ? AND a.parent_id = ? ORDER BY a.id");
    query.bind(1, userId).bind(2, parentId);
    std::vector<Album> result;
    while (query.step())
        result.push_back(readAlbum(query));
    return result;
}

std::optional<Album> AlbumStore::album(int64_t userId, int64_t albumId)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + AlbumColumns +
                              " FROM albums a WHERE a.user_id = ? AND a.id = ?");
    query.bind(1, userId).bind(2, albumId);
    if (!query.step())
        return std::nullopt;
    return readAlbum(query);
}

std::optional<Album> AlbumStore::albumByPath(int64_t userId, const std::string &path)
{
    auto lock = m_db.lock();
    std::optional<Album> current;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        auto query = m_db.prepare("SELECT id FROM albums WHERE user_id = ? AND parent_id = ? AND name = ?");
        query.bind(1, userId).bind(2, current ? current->id : 0).bind(3, name);
        if (!query.step())
            return std::nullopt;
        current = album(userId, query.integer(0));
    }
    return current;
}

std::vector<Asset> AlbumStore::assets(int64_t userId, int64_t albumId)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + AssetColumns +
                              " FROM assets f JOIN albums a ON a.id = f.album_id"
                              " WHERE a.user_id = ? AND f.album_id = ? ORDER BY f.id");
    query.bind(1, userId).bind(2, albumId);
    std::vector<Asset> result;
    while (query.step())
        result.push_back(readAsset(query));
    return result;
}

std::optional<Asset> AlbumStore::asset(int64_t userId, int64_t assetId)
{
    auto lock = m_db.lock();
    auto query =
        m_db.prepare(std::string("SELECT ") + AssetColumns +
                     " FROM assets f JOIN albums a ON a.id = f.album_id WHERE a.user_id = ? AND f.id = ?");
    query.bind(1, userId).bind(2, assetId);
    if (!query.step())
        return std::nullopt;
    return readAsset(query);
}

std::vector<Asset> AlbumStore::pendingAssets(int64_t userId)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare(std::string("SELECT ") + AssetColumns +
                              " FROM assets f JOIN albums a ON a.id = f.album_id"
                              " WHERE a.user_id = ? AND f.pending ORDER BY f.id");
    query.bind(1, userId);
    std::vector<Asset> result;
    while (query.step())
        result.push_back(readAsset(query));
    return result;
}

StorageUsage AlbumStore::usage(int64_t userId)
{
    auto lock = m_db.lock();
    auto query = m_db.prepare("SELECT COUNT(f.id), COALESCE(SUM(f.size), 0) FROM assets f"
                              " JOIN albums a ON a.id = f.album_id WHERE a.user_id = ?");
    query.bind(1, userId);
    query.step();
    return {uint64_t(query.integer(0)), uint64_t(query.integer(1))};
}

bool AlbumStore::albumNameTaken(int64_t userId, int64_t parentId, const std::string &name)
{
    auto query = m_db.prepare("SELECT 1 FROM albums WHERE user_id = ? AND parent_id = ? AND name = ?");
    query.bind(1, userId).bind(2, parentId).bind(3, name);
    return query.step();
}

StoreStatus AlbumStore::createAlbum(int64_t userId, int64_t parentId, const std::string &name,
                                    const std::string &description, Album &created)
{
    if (NameRules::check(name) != NameRules::Verdict::Ok)
        return StoreStatus::InvalidName;
    auto lock = m_db.lock();
    if (parentId != 0 && !album(userId, parentId))
        return StoreStatus::NotFound;
    if (parentId != 0 && depthOf(userId, parentId) >= MaxDepth)
        return StoreStatus::TooDeep;
    if (albumNameTaken(userId, parentId, name))
        return StoreStatus::NameTaken;
    const auto parentFolder =
        parentId == 0 ? std::optional(userFolder(userId)) : albumFolder(userId, parentId);
    if (!parentFolder)
        return StoreStatus::NotFound;

    std::error_code error;
    fs::create_directories(*parentFolder, error); // a parent whose folder went missing still takes albums
    const fs::path folder = *parentFolder / name;
    // A folder of that name that the database does not know (left by hand) is taken over as it is.
    const fs::path made = fs::is_directory(folder, error) ? fs::path() : folder;
    int64_t id = 0;
    const auto insert = [&] {
        auto row =
            m_db.prepare("INSERT INTO albums (user_id, parent_id, name, description) VALUES (?, ?, ?, ?)");
        row.bind(1, userId).bind(2, parentId).bind(3, name).bind(4, description);
        row.run();
        id = m_db.lastInsertId();
    };
    const StoreStatus status = made.empty() ? changeRowsOnly("create-album", insert)
                                            : moveWithRows("create-album", {}, made, insert);
    if (status != StoreStatus::Ok)
        return status == StoreStatus::NameTaken ? StoreStatus::StorageError : status;
    created = *album(userId, id);
    return StoreStatus::Ok;
}

StoreStatus AlbumStore::renameAlbum(int64_t userId, int64_t albumId, const std::string &name, Album &renamed)
{
    if (NameRules::check(name) != NameRules::Verdict::Ok)
        return StoreStatus::InvalidName;
    auto lock = m_db.lock();
    const auto existing = album(userId, albumId);
    if (!existing)
        return StoreStatus::NotFound;
    if (existing->name == name) {
        renamed = *existing;
        return StoreStatus::Ok;
    }
    if (albumNameTaken(userId, existing->parentId, name))
        return StoreStatus::NameTaken;
    const auto folder = albumFolder(userId, albumId);
    if (!folder)
        return StoreStatus::NotFound;

    std::error_code error;
    fs::create_directories(*folder, error); // an album whose folder went missing can still be renamed
    const StoreStatus status = moveWithRows("rename-album", *folder, folder->parent_path() / name, [&] {
        auto update = m_db.prepare("UPDATE albums SET name = ? WHERE id = ?");
        update.bind(1, name).bind(2, albumId);
        update.run();
    });
    if (status != StoreStatus::Ok)
        return status;
    renamed = *album(userId, albumId);
    return StoreStatus::Ok;
}

void AlbumStore::collectSubtree(int64_t userId, int64_t albumId, std::vector<int64_t> &ids)
{
    ids.push_back(albumId);
    for (const Album &child : albums(userId, albumId))
        collectSubtree(userId, child.id, ids);
}

bool AlbumStore::subtreeDeletable(int64_t userId, int64_t albumId)
{
    auto lock = m_db.lock();
    std::vector<int64_t> ids;
    collectSubtree(userId, albumId, ids);
    for (const int64_t id : ids) {
        const auto found = album(userId, id);
        if (!found || !found->canDelete)
            return false;
    }
    return true;
}

StoreStatus AlbumStore::deleteAlbum(int64_t userId, int64_t albumId)
{
    auto lock = m_db.lock();
    const auto folder = albumFolder(userId, albumId);
    if (!folder)
        return StoreStatus::NotFound;
    std::vector<int64_t> ids;
    collectSubtree(userId, albumId, ids);

    const auto removeRows = [&] {
        for (const int64_t id : ids) {
            auto remove = m_db.prepare("DELETE FROM albums WHERE id = ?");
            remove.bind(1, id);
            remove.run();
        }
    };
    // Moving the folder into the trash makes the disk side a single step that either happens or
    // not; the actual removal can then fail half-way without leaving the album half there.
    std::error_code error;
    if (!fs::exists(*folder, error))
        return changeRowsOnly("delete-album", removeRows);
    const fs::path trash = trashPath();
    const StoreStatus status = moveWithRows("delete-album", *folder, trash, removeRows);
    if (status == StoreStatus::Ok)
        fs::remove_all(trash, error);
    return status == StoreStatus::NameTaken ? StoreStatus::StorageError : status;
}

void AlbumStore::setAlbumFlags(int64_t albumId, bool canCreateUnder, bool canDelete, bool canRename)
{
    auto lock = m_db.lock();
    auto update =
        m_db.prepare("UPDATE albums SET can_create_under = ?, can_delete = ?, can_rename = ? WHERE id = ?");
    update.bind(1, int64_t(canCreateUnder))
        .bind(2, int64_t(canDelete))
        .bind(3, int64_t(canRename))
        .bind(4, albumId);
    update.run();
}

StoreStatus AlbumStore::renameAsset(int64_t userId, int64_t assetId, const std::string &name, Asset &renamed)
{
    if (NameRules::check(name) != NameRules::Verdict::Ok)
        return StoreStatus::InvalidName;
    auto lock = m_db.lock();
    const auto existing = asset(userId, assetId);
    if (!existing)
        return StoreStatus::NotFound;
    if (existing->name == name) {
        renamed = *existing;
        return StoreStatus::Ok;
    }
    auto taken = m_db.prepare("SELECT 1 FROM assets WHERE album_id = ? AND name = ?");
    taken.bind(1, existing->albumId).bind(2, name);
    if (taken.step())
        return StoreStatus::NameTaken;
    const auto folder = albumFolder(userId, existing->albumId);
    if (!folder)
        return StoreStatus::NotFound;

    const StoreStatus status = moveWithRows("rename-asset", *folder / existing->name, *folder / name, [&] {
        auto update = m_db.prepare("UPDATE assets SET name = ?, type = ? WHERE id = ?");
        update.bind(1, name).bind(2, int64_t(assetTypeForName(name))).bind(3, assetId);
        update.run();
    });
    if (status != StoreStatus::Ok)
        return status;
    renamed = *asset(userId, assetId);
    return StoreStatus::Ok;
}

StoreStatus AlbumStore::deleteAsset(int64_t userId, int64_t assetId)
{
    auto lock = m_db.lock();
    const auto existing = asset(userId, assetId);
    if (!existing)
        return StoreStatus::NotFound;
    const auto file = assetFile(userId, *existing);
    const auto removeRow = [&] {
        auto remove = m_db.prepare("DELETE FROM assets WHERE id = ?");
        remove.bind(1, assetId);
        remove.run();
    };
    std::error_code error;
    if (!file || !fs::exists(fs::symlink_status(*file, error)))
        return changeRowsOnly("delete-asset", removeRow);
    const fs::path trash = trashPath();
    const StoreStatus status = moveWithRows("delete-asset", *file, trash, removeRow);
    if (status == StoreStatus::Ok)
        fs::remove(trash, error);
    return status == StoreStatus::NameTaken ? StoreStatus::StorageError : status;
}

bool AlbumStore::approve(int64_t userId, int64_t assetId)
{
    auto lock = m_db.lock();
    if (!asset(userId, assetId))
        return false;
    auto update = m_db.prepare("UPDATE assets SET pending = 0 WHERE id = ?");
    update.bind(1, assetId);
    update.run();
    return true;
}

StoreStatus AlbumStore::addFile(int64_t userId, uint64_t quota, int64_t albumId, const fs::path &receivedFile,
                                const std::string &name, bool pending, Asset &added)
{
    struct RemoveReceived
    {
        const fs::path &path;
        ~RemoveReceived() { ::unlink(path.c_str()); }
    } removeReceived{receivedFile};

    if (NameRules::check(name) != NameRules::Verdict::Ok)
        return StoreStatus::InvalidName;
    std::error_code error;
    const uint64_t size = fs::file_size(receivedFile, error);
    if (error)
        return StoreStatus::StorageError;

    auto lock = m_db.lock();
    const auto folder = albumFolder(userId, albumId);
    if (!folder)
        return StoreStatus::NotFound;
    // Checked again here, under the lock, because parallel uploads may each have fitted alone.
    if (usage(userId).bytes + size > quota)
        return StoreStatus::QuotaExceeded;
    fs::create_directories(*folder, error);

    for (int n = 1; n <= 10000; ++n) {
        const std::string candidate = NameRules::variant(name, n);
        auto taken = m_db.prepare("SELECT 1 FROM assets WHERE album_id = ? AND name = ?");
        taken.bind(1, albumId).bind(2, candidate);
        if (taken.step())
            continue;
        int64_t id = 0;
        // The move refuses to replace an existing name, so even a stray file on disk is kept.
        const StoreStatus status = moveWithRows("upload", receivedFile, *folder / candidate, [&] {
            auto insert = m_db.prepare(
                "INSERT INTO assets (album_id, name, size, type, pending) VALUES (?, ?, ?, ?, ?)");
            insert.bind(1, albumId).bind(2, candidate).bind(3, int64_t(size));
            insert.bind(4, int64_t(assetTypeForName(candidate))).bind(5, int64_t(pending));
            insert.run();
            id = m_db.lastInsertId();
        });
        if (status == StoreStatus::NameTaken)
            continue;
        if (status != StoreStatus::Ok)
            return status;
        added = *asset(userId, id);
        return StoreStatus::Ok;
    }
    return StoreStatus::NameTaken;
}

std::optional<fs::path> AlbumStore::assetFile(int64_t userId, const Asset &asset)
{
    const auto folder = albumFolder(userId, asset.albumId);
    if (!folder)
        return std::nullopt;
    return *folder / asset.name;
}

void AlbumStore::removeUserFiles(const std::string &userName)
{
    const fs::path folder = m_dataDir / "albums" / userName;
    if (userName.empty() || !fs::exists(folder))
        return;
    const fs::path trash = trashPath();
    if (renameNoReplace(folder, trash))
        fs::remove_all(trash);
}
