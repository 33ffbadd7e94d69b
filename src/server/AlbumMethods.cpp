// Listing, creating, renaming and deleting albums.
#include "ServerContext.h"
#include "SoapMethods.h"
#include "SoapRecords.h"

namespace {

SoapOutcome withMembers(const SoapReply &reply)
{
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome createAlbum(ServerContext &context, const User &user, int64_t parentId, const SoapCall &call)
{
    Album created;
    const StoreStatus status = context.albums.createAlbum(user.id, parentId, call.param("strName"),
                                                          call.param("strDescription"), created);
    if (status != StoreStatus::Ok)
        return SoapOutcome::refused(SoapRecords::actionResponseFor(status, "ALBUM"));
    SoapReply reply;
    SoapRecords::writeAlbum(reply, "objAlbumSummary", user, created);
    return withMembers(reply);
}

} // namespace

SoapOutcome getTopLevelAlbums(ServerContext &context, const SoapCall &, const SoapCaller &caller)
{
    SoapReply reply;
    SoapRecords::writeAlbumList(reply, "arrTopAlbums", *caller.user,
                                context.albums.albums(caller.user->id, 0));
    return withMembers(reply);
}

SoapOutcome getAlbumsByParentAlbumID(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto parentId = call.idParam("nAlbumID");
    if (!parentId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    if (*parentId != 0 && !context.albums.album(caller.user->id, *parentId))
        return SoapOutcome::refused("ALBUM_NOT_FOUND");
    SoapReply reply;
    SoapRecords::writeAlbumList(reply, "arrAlbums", *caller.user,
                                context.albums.albums(caller.user->id, *parentId));
    return withMembers(reply);
}

SoapOutcome createNewTopLevelAlbum(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    if (!caller.user->rights.has(Right::CreateTopLevelAlbum))
        return SoapOutcome::refused("ACCESS_DENIED");
    return createAlbum(context, *caller.user, 0, call);
}

SoapOutcome createNewSubAlbum(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto parentId = call.idParam("nParentID");
    if (!parentId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    if (*parentId == 0)
        return createNewTopLevelAlbum(context, call, caller);
    const auto parent = context.albums.album(caller.user->id, *parentId);
    if (!parent)
        return SoapOutcome::refused("ALBUM_NOT_FOUND");
    if (!SoapRecords::mayCreateUnder(*caller.user, *parent))
        return SoapOutcome::refused("ACCESS_DENIED");
    return createAlbum(context, *caller.user, *parentId, call);
}

SoapOutcome renameAlbum(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto albumId = call.idParam("nAlbumID");
    if (!albumId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    const auto album = context.albums.album(caller.user->id, *albumId);
    if (!album)
        return SoapOutcome::refused("ALBUM_NOT_FOUND");
    if (!SoapRecords::mayRename(*caller.user, *album))
        return SoapOutcome::refused("ACCESS_DENIED");
    Album renamed;
    const StoreStatus status =
        context.albums.renameAlbum(caller.user->id, *albumId, call.param("strNewName"), renamed);
    if (status != StoreStatus::Ok)
        return SoapOutcome::refused(SoapRecords::actionResponseFor(status, "ALBUM"));
    SoapReply reply;
    SoapRecords::writeAlbum(reply, "objAlbumSummary", *caller.user, renamed);
    return withMembers(reply);
}

SoapOutcome deleteAlbum(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto albumId = call.idParam("nAlbumID");
    if (!albumId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    const auto album = context.albums.album(caller.user->id, *albumId);
    if (!album)
        return SoapOutcome::refused("ALBUM_NOT_FOUND");
    // Deleting an album takes its sub-albums along, so each of them must be deletable too.
    if (!SoapRecords::mayDelete(*caller.user, *album) ||
        !context.albums.subtreeDeletable(caller.user->id, *albumId))
        return SoapOutcome::refused("ACCESS_DENIED");
    const StoreStatus status = context.albums.deleteAlbum(caller.user->id, *albumId);
    if (status != StoreStatus::Ok)
        return SoapOutcome::refused(SoapRecords::actionResponseFor(status, "ALBUM"));
    return SoapOutcome();
}
