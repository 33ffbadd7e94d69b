#pragma once

#include <filesystem>

// Keeps a second server from serving the same data folder: both would clean up and number
// files behind each other's back. Administration commands do not take it; they only go through
// the database, which is safe to share.
class DataFolderLock
{
public:
    explicit DataFolderLock(const std::filesystem::path &dataDir);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
