#pragma once

#include "FileMoveJournal.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Database;
struct FaultPlan;

struct Album
{
    int64_t id = 0;
    int64_t userId = 0;
    int64_t parentId = 0; // 0 for a top-level album
    std::string name;
    std::string description;
    bool canCreateUnder = true;
    bool canDelete = true;
    bool canRename = true;
    bool hasChildren = false;
    bool pending = false; // holds files that wait for approval
};

struct Asset
{
    int64_t id = 0;
    int64_t albumId = 0;
    std::string name;
    uint64_t size = 0;
    int type = 0;
    bool pending = false;
};

struct StorageUsage
{
    uint64_t files = 0;
    uint64_t bytes = 0;
};

enum class StoreStatus { Ok, NotFound, InvalidName, NameTaken, QuotaExceeded, TooDeep, StorageError };

// Albums and assets of every user, in the database and on disk. Files live under
// DATA/albums/USER/ in folders that mirror the album tree. Every change to the tree makes at most
// one move on disk, recorded in a FileMoveJournal first, so that a crash anywhere in it leaves
// the database and the disk agreeing once the server has started again.
class AlbumStore
{
public:
    static constexpr int MaxDepth = 32;

    AlbumStore(Database &db, const std::filesystem::path &dataDir, const FaultPlan &faults);

    // Undoes the file move of an operation a crash cut short, then removes what unfinished
    // uploads and deletions left behind. Only for the one server that owns the data folder:
    // other processes may be using these folders meanwhile.
    void recoverFromCrash();

    std::vector<Album> albums(int64_t userId, int64_t parentId);
    std::optional<Album> album(int64_t userId, int64_t albumId);
    // An album by its names from the top joined with "/".
    std::optional<Album> albumByPath(int64_t userId, const std::string &path);
    std::vector<Asset> assets(int64_t userId, int64_t albumId);
    std::optional<Asset> asset(int64_t userId, int64_t assetId);
    std::vector<Asset> pendingAssets(int64_t userId);
    StorageUsage usage(int64_t userId);

    StoreStatus createAlbum(int64_t userId, int64_t parentId, const std::string &name,
                            const std::string &description, Album &created);
    StoreStatus renameAlbum(int64_t userId, int64_t albumId, const std::string &name, Album &renamed);
    // True when the album and every album below it may be deleted.
    bool subtreeDeletable(int64_t userId, int64_t albumId);
    StoreStatus deleteAlbum(int64_t userId, int64_t albumId);
    void setAlbumFlags(int64_t albumId, bool canCreateUnder, bool canDelete, bool canRename);

    StoreStatus renameAsset(int64_t userId, int64_t assetId, const std::string &name, Asset &renamed);
    StoreStatus deleteAsset(int64_t userId, int64_t assetId);
    bool approve(int64_t userId, int64_t assetId);

    // Where uploads are written while they arrive; on the same file system as the albums.
    std::filesystem::path incomingFolder() const;
    // Moves a received file into the album under the first free variant of the name, within the
    // quota; the file is removed whatever the outcome.
    StoreStatus addFile(int64_t userId, uint64_t quota, int64_t albumId,
                        const std::filesystem::path &receivedFile, const std::string &name, bool pending,
                        Asset &added);

    std::optional<std::filesystem::path> assetFile(int64_t userId, const Asset &asset);
    void removeUserFiles(const std::string &userName);

private:
    std::optional<std::filesystem::path> albumFolder(int64_t userId, int64_t albumId);
    std::filesystem::path userFolder(int64_t userId);
    int depthOf(int64_t userId, int64_t albumId);
    bool albumNameTaken(int64_t userId, int64_t parentId, const std::string &name);
    void collectSubtree(int64_t userId, int64_t albumId, std::vector<int64_t> &ids);
    std::filesystem::path trashPath() const;
    // Makes one move (or, with an empty from, one new folder) and the row change that goes with
    // it, journalled so that a crash leaves either both done or neither. Holds the database lock.
    StoreStatus moveWithRows(const char *operation, const std::filesystem::path &from,
                             const std::filesystem::path &to, const std::function<void()> &changeRows);
    // Changes rows that have no file on disk (a deleted album or asset whose file is missing).
    StoreStatus changeRowsOnly(const char *operation, const std::function<void()> &changeRows);

    Database &m_db;
    std::filesystem::path m_dataDir;
    const FaultPlan &m_faults;
    FileMoveJournal m_moves;
};
