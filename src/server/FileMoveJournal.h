#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class Database;

// The write-ahead record of the one file move a storage operation makes (a rename, a move into
// the trash, an upload put into place, a new album folder). A move is recorded, in a transaction
// of its own, before it is made; the record is removed in the same transaction that changes the
// rows. A record found at start-up therefore means the rows were never changed, and the move
// (made or not) is undone, so that disk and database agree again after a crash at any point.
class FileMoveJournal
{
public:
    FileMoveJournal(Database &db, const std::filesystem::path &dataDir) : m_db(db), m_dataDir(dataDir) {}

    // Records a move of from to to (an empty from: to is a folder to be made); returns its id.
    int64_t record(const std::filesystem::path &from, const std::filesystem::path &to);
    // Removes the record; inside the transaction that changes the rows, or alone after a move failed.
    void forget(int64_t id);
    // Undoes every recorded move, newest first, and forgets it. At start-up, before anything else.
    void undoUnfinished();

    // Puts to back where it came from, when the move was made; true when nothing is left to undo.
    static bool undo(const std::filesystem::path &from, const std::filesystem::path &to);

private:
    std::string relative(const std::filesystem::path &path) const;

    Database &m_db;
    std::filesystem::path m_dataDir;
};
