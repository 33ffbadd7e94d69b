#include "SoapMethods.h"

#include <array>

SoapOutcome SoapOutcome::refused(const std::string &actionResponse)
{
    SoapOutcome outcome;
    outcome.actionResponse = actionResponse;
    return outcome;
}

const SoapMethodEntry *findSoapMethod(const std::string &name)
{
    static const std::array<SoapMethodEntry, 15> methods{{
        {"CheckVersion", checkVersion, false},
        {"Login", login, false},
        {"Logout", logout, true},
        {"GetMyPicturesButtonDetails", getMyPicturesButtonDetails, true},
        {"GetPendingFilesButtonDetails", getPendingFilesButtonDetails, true},
        {"GetQuotaDetails", getQuotaDetails, true},
        {"GetTopLevelAlbums", getTopLevelAlbums, true},
        {"GetAlbumsByParentAlbumID", getAlbumsByParentAlbumID, true},
        {"CreateNewTopLevelAlbum", createNewTopLevelAlbum, true},
        {"CreateNewSubAlbum", createNewSubAlbum, true},
        {"RenameAlbum", renameAlbum, true},
        {"DeleteAlbum", deleteAlbum, true},
        {"GetAssetsByAlbumID", getAssetsByAlbumID, true},
        {"RenameAsset", renameAsset, true},
        {"DeleteAsset", deleteAsset, true},
    }};
    for (const auto &entry : methods)
        if (name == entry.name)
            return &entry;
    return nullptr;
}
