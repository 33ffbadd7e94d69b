// Listing, renaming and deleting assets.
#include "ServerContext.h"
#include "SoapMethods.h"
#include "SoapRecords.h"

SoapOutcome getAssetsByAlbumID(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto albumId = call.idParam("nAlbumID");
    if (!albumId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    if (*albumId != 0 && !context.albums.album(caller.user->id, *albumId))
        return SoapOutcome::refused("ALBUM_NOT_FOUND");
    SoapReply reply;
    SoapRecords::writeAssetList(reply, "arrAssets", *caller.user,
                                context.albums.assets(caller.user->id, *albumId));
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome renameAsset(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto assetId = call.idParam("nAssetID");
    if (!assetId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    if (!context.albums.asset(caller.user->id, *assetId))
        return SoapOutcome::refused("ASSET_NOT_FOUND");
    if (!caller.user->rights.has(Right::RenameAsset))
        return SoapOutcome::refused("ACCESS_DENIED");
    Asset renamed;
    const StoreStatus status =
        context.albums.renameAsset(caller.user->id, *assetId, call.param("strNewName"), renamed);
    if (status != StoreStatus::Ok)
        return SoapOutcome::refused(SoapRecords::actionResponseFor(status, "ASSET"));
    SoapReply reply;
    SoapRecords::writeAsset(reply, "objAssetSummary", *caller.user, renamed);
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome deleteAsset(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const auto assetId = call.idParam("nAssetID");
    if (!assetId)
        return SoapOutcome::refused("INVALID_PARAMETER");
    if (!context.albums.asset(caller.user->id, *assetId))
        return SoapOutcome::refused("ASSET_NOT_FOUND");
    if (!caller.user->rights.has(Right::DeleteAsset))
        return SoapOutcome::refused("ACCESS_DENIED");
    const StoreStatus status = context.albums.deleteAsset(caller.user->id, *assetId);
    if (status != StoreStatus::Ok)
        return SoapOutcome::refused(SoapRecords::actionResponseFor(status, "ASSET"));
    return SoapOutcome();
}
