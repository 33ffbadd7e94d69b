#include "Rights.h"

#include <algorithm>
#include <strings.h>

const std::array<Rights::Entry, 12> &Rights::all()
{
    static const std::array<Entry, 12> entries{{
        {Right::CreateTopLevelAlbum, "CreateTopLevelAlbum"},
        {Right::CreateSubAlbum, "CreateSubAlbum"},
        {Right::RenameTopLevelAlbum, "RenameTopLevelAlbum"},
        {Right::RenameSubAlbum, "RenameSubAlbum"},
        {Right::DeleteTopLevelAlbum, "DeleteTopLevelAlbum"},
        {Right::DeleteSubAlbum, "DeleteSubAlbum"},
        {Right::DeleteAsset, "DeleteAsset"},
        {Right::RenameAsset, "RenameAsset"},
        {Right::Upload, "Upload"},
        {Right::SeeQuota, "SeeQuota"},
        {Right::CanUseMyPicturesButton, "CanUseMyPicturesButton"},
        {Right::HavePendingFilesButton, "HavePendingFilesButton"},
    }};
    return entries;
}

Rights Rights::everything()
{
    Rights rights;
    for (const auto &entry : all())
        rights.set(entry.right, true);
    return rights;
}

void Rights::set(Right right, bool on)
{
    if (on)
        m_bits |= uint32_t(right);
    else
        m_bits &= ~uint32_t(right);
}

std::optional<Rights> Rights::parse(const std::string &text)
{
    Rights rights;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(start, end - start);
        start = end + 1;
        word.erase(0, word.find_first_not_of(" \t"));
        word.erase(word.find_last_not_of(" \t") + 1);
        if (word.empty())
            continue;
        const bool remove = word.front() == '-';
        if (remove)
            word.erase(0, 1);
        if (strcasecmp(word.c_str(), "all") == 0) {
            rights = remove ? Rights() : everything();
            continue;
        }
        if (strcasecmp(word.c_str(), "none") == 0) {
            rights = Rights();
            continue;
        }
        const auto &entries = all();
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry &entry) {
            return strcasecmp(entry.name, word.c_str()) == 0;
        });
        if (found == entries.end())
            return std::nullopt;
        rights.set(found->right, !remove);
    }
    return rights;
}

std::string Rights::toString() const
{
    std::string text;
    for (const auto &entry : all()) {
        if (!has(entry.right))
            continue;
        if (!text.empty())
            text += ',';
        text += entry.name;
    }
    return text.empty() ? "none" : text;
}
