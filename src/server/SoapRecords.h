#pragma once

#include "AlbumStore.h"
#include "SoapReply.h"
#include "UserStore.h"

#include <vector>

// The album and asset records of the replies. The flags are what this user may really do with
// the album or asset: its own flags combined with the user's rights, as the server enforces them.
namespace SoapRecords {

bool mayCreateUnder(const User &user, const Album &album);
bool mayRename(const User &user, const Album &album);
bool mayDelete(const User &user, const Album &album);

void writeAlbum(SoapReply &reply, const std::string &name, const User &user, const Album &album);
void writeAsset(SoapReply &reply, const std::string &name, const User &user, const Asset &asset);
void writeAlbumList(SoapReply &reply, const std::string &name, const User &user,
                    const std::vector<Album> &albums);
void writeAssetList(SoapReply &reply, const std::string &name, const User &user,
                    const std::vector<Asset> &assets);

// The ActionResponse text for a storage outcome; what is not found is named by `thing`
// ("ALBUM" or "ASSET").
std::string actionResponseFor(StoreStatus status, const std::string &thing);

} // namespace SoapRecords
