#include "SoapRecords.h"

namespace SoapRecords {

bool mayCreateUnder(const User &user, const Album &album)
{
    return album.canCreateUnder && user.rights.has(Right::CreateSubAlbum);
}

bool mayRename(const User &user, const Album &album)
{
    return album.canRename &&
           user.rights.has(album.parentId == 0 ? Right::RenameTopLevelAlbum : Right::RenameSubAlbum);
}

bool mayDelete(const User &user, const Album &album)
{
    return album.canDelete &&
           user.rights.has(album.parentId == 0 ? Right::DeleteTopLevelAlbum : Right::DeleteSubAlbum);
}

void writeAlbum(SoapReply &reply, const std::string &name, const User &user, const Album &album)
{
    reply.beginStruct(name, "Album")
        .boolean("m_bCanCreateUnder", mayCreateUnder(user, album))
        .boolean("m_bCanDelete", mayDelete(user, album))
        .boolean("m_bCanRename", mayRename(user, album))
        .boolean("m_bHasChildren", album.hasChildren)
        .boolean("m_bPending", album.pending)
        .integer("m_nAlbumID", album.id)
        .integer("m_nParentID", album.parentId)
        .string("m_strDescription", album.description)
        .string("m_strName", album.name)
        .endStruct(name);
}

void writeAsset(SoapReply &reply, const std::string &name, const User &user, const Asset &asset)
{
    reply.beginStruct(name, "Asset")
        .boolean("m_bCanDelete", user.rights.has(Right::DeleteAsset))
        .boolean("m_bCanRename", user.rights.has(Right::RenameAsset))
        .boolean("m_bPending", asset.pending)
        .integer("m_nAlbumID", asset.albumId)
        .integer("m_nAssetID", asset.id)
        .integer("m_nAssetType", asset.type)
        .longInteger("m_nFilesize", int64_t(asset.size))
        .string("m_strFilename", asset.name)
        .endStruct(name);
}

void writeAlbumList(SoapReply &reply, const std::string &name, const User &user,
                    const std::vector<Album> &albums)
{
    reply.beginArray(name, "Album", albums.size());
    for (const Album &album : albums)
        writeAlbum(reply, "item", user, album);
    reply.endArray(name);
}

void writeAssetList(SoapReply &reply, const std::string &name, const User &user,
                    const std::vector<Asset> &assets)
{
    reply.beginArray(name, "Asset", assets.size());
    for (const Asset &asset : assets)
        writeAsset(reply, "item", user, asset);
    reply.endArray(name);
}

std::string actionResponseFor(StoreStatus status, const std::string &thing)
{
    switch (status) {
    case StoreStatus::Ok:
        return "OK";
    case StoreStatus::NotFound:
        return thing + "_NOT_FOUND";
    case StoreStatus::InvalidName:
        return "INVALID_NAME";
    case StoreStatus::NameTaken:
        return "NAME_EXISTS";
    case StoreStatus::QuotaExceeded:
        return "QUOTA_EXCEEDED";
    case StoreStatus::TooDeep:
        return "ALBUM_TOO_DEEP";
    case StoreStatus::StorageError:
        return "STORAGE_ERROR";
    }
    return "STORAGE_ERROR";
}

} // namespace SoapRecords
