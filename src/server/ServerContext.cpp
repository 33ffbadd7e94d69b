#include "ServerContext.h"

namespace {

std::filesystem::path preparedDataDir(const std::string &dir)
{
    std::filesystem::create_directories(dir);
    return std::filesystem::path(dir);
}

} // namespace

ServerContext::ServerContext(const ServerOptions &serverOptions)
    : options(serverOptions), db((preparedDataDir(serverOptions.dataDir) / "vendra.sqlite").string()),
      users(db), sessions(db, serverOptions.sessionTimeoutSeconds), albums(db, serverOptions.dataDir, options.faults)
{}
