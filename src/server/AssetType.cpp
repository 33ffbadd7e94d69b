#include "AssetType.h"

#include <algorithm>
#include <map>

namespace {

struct Kind
{
    int type;
    const char *mime;
};

const std::map<std::string, Kind> &kinds()
{
    static const std::map<std::string, Kind> table{
        {"jpg", {1, "image/jpeg"}},        {"jpeg", {1, "image/jpeg"}},
        {"png", {1, "image/png"}},         {"gif", {1, "image/gif"}},
        {"webp", {1, "image/webp"}},       {"heic", {1, "image/heic"}},
        {"tif", {1, "image/tiff"}},        {"tiff", {1, "image/tiff"}},
        {"bmp", {1, "image/bmp"}},         {"dng", {1, "image/x-adobe-dng"}},
        {"cr2", {1, "image/x-canon-cr2"}}, {"nef", {1, "image/x-nikon-nef"}},
        {"mp4", {2, "video/mp4"}},         {"m4v", {2, "video/mp4"}},
        {"mov", {2, "video/quicktime"}},   {"avi", {2, "video/x-msvideo"}},
        {"mkv", {2, "video/x-matroska"}},  {"mpg", {2, "video/mpeg"}},
        {"mpeg", {2, "video/mpeg"}},       {"wmv", {2, "video/x-ms-wmv"}},
        {"3gp", {2, "video/3gpp"}},        {"mp3", {3, "audio/mpeg"}},
        {"wav", {3, "audio/wav"}},         {"m4a", {3, "audio/mp4"}},
        {"aac", {3, "audio/aac"}},         {"flac", {3, "audio/flac"}},
        {"ogg", {3, "audio/ogg"}},
    };
    return table;
}

const Kind *kindFor(const std::string &name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return nullptr;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    const auto found = kinds().find(extension);
    return found == kinds().end() ? nullptr : &found->second;
}

} // namespace

int assetTypeForName(const std::string &name)
{
    const Kind *kind = kindFor(name);
    return kind ? kind->type : 0;
}

const char *mimeTypeForName(const std::string &name)
{
    const Kind *kind = kindFor(name);
    return kind ? kind->mime : "application/octet-stream";
}
