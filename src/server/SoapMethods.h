#pragma once

#include "SoapCall.h"
#include "UserStore.h"

#include <optional>
#include <string>

struct ServerContext;

// Who is calling: the signed-in user, if any, and what the links of the reply are built from.
struct SoapCaller
{
    std::optional<User> user;
    std::string pageToken;
    std::string baseUrl; // "http://host:port", as the client addressed us
};

// What a method answers: the two status texts, the result members, and any change of session.
struct SoapOutcome
{
    std::string apiResponse = "OK";
    std::string actionResponse = "OK";
    std::string members;
    std::optional<int64_t> signInUser; // Login: start a session for this user
    bool signOut = false;              // Logout: end the caller's session

    static SoapOutcome refused(const std::string &actionResponse);
};

using SoapMethod = SoapOutcome (*)(ServerContext &, const SoapCall &, const SoapCaller &);

struct SoapMethodEntry
{
    const char *name;
    SoapMethod method;
    bool needsSession;
};

// The entry for a method name, or nothing for a method the service does not have.
const SoapMethodEntry *findSoapMethod(const std::string &name);

SoapOutcome checkVersion(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome login(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome logout(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getMyPicturesButtonDetails(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getPendingFilesButtonDetails(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getQuotaDetails(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getTopLevelAlbums(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getAlbumsByParentAlbumID(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome createNewTopLevelAlbum(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome createNewSubAlbum(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome renameAlbum(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome deleteAlbum(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome getAssetsByAlbumID(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome renameAsset(ServerContext &, const SoapCall &, const SoapCaller &);
SoapOutcome deleteAsset(ServerContext &, const SoapCall &, const SoapCaller &);
