#include "FileMoveJournal.h"

#include "Database.h"
#include "RequestLog.h"

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string FileMoveJournal::relative(const fs::path &path) const
{
    return path.empty() ? std::string() : path.lexically_relative(m_dataDir).string();
}

int64_t FileMoveJournal::record(const fs::path &from, const fs::path &to)
{
    Transaction transaction(m_db);
    auto insert = m_db.prepare("INSERT INTO file_moves (source, target) VALUES (?, ?)");
    insert.bind(1, relative(from)).bind(2, relative(to));
    insert.run();
    const int64_t id = m_db.lastInsertId();
    transaction.commit();
    return id;
}

void FileMoveJournal::forget(int64_t id)
{
    auto remove = m_db.prepare("DELETE FROM file_moves WHERE id = ?");
    remove.bind(1, id);
    remove.run();
}

bool FileMoveJournal::undo(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(to, error)))
        return true; // the move was never made (or its target is gone already)
    if (from.empty()) {
        // A new album folder: nothing can have been put into it before its row was committed.
        fs::remove(to, error);
        return !error;
    }
    if (fs::exists(fs::symlink_status(from, error)))
        return true; // the move was never made; what is at the target is not ours
    return renameat2(AT_FDCWD, to.c_str(), AT_FDCWD, from.c_str(), RENAME_NOREPLACE) == 0;
}

void FileMoveJournal::undoUnfinished()
{
    auto lock = m_db.lock();
    auto query = m_db.prepare("SELECT id, source, target FROM file_moves ORDER BY id DESC");
    while (query.step()) {
        const std::string source = query.text(1);
        const fs::path from = source.empty() ? fs::path() : m_dataDir / source;
        const fs::path to = m_dataDir / query.text(2);
        const std::string what =
            "recovery: " + (source.empty() ? "new folder " : source + " -> ") + query.text(2);
        logLine((what + (undo(from, to) ? ": undone" : ": cannot be undone")).c_str());
    }
    m_db.exec("DELETE FROM file_moves");
}
