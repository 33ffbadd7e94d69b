#pragma once

#include "AlbumStore.h"
#include "Database.h"
#include "ServerOptions.h"
#include "SessionStore.h"
#include "UserStore.h"

#include <filesystem>

// Everything a request handler works with, made once at start-up.
struct ServerContext
{
    explicit ServerContext(const ServerOptions &serverOptions);

    ServerOptions options;
    Database db;
    UserStore users;
    SessionStore sessions;
    AlbumStore albums;
};
