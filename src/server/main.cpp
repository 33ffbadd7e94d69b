// vendra-server: the reference media server. This file only wires the pieces together.
#include "AdminCommands.h"
#include "DataFolderLock.h"
#include "DemoSetup.h"
#include "HttpServer.h"
#include "ServerContext.h"
#include "ServerOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>

int main(int argc, char *argv[])
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const auto options = ServerOptions::parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "vendra-server: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(ServerOptions::helpText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::puts("vendra-server " VENDRA_VERSION);
        return 0;
    }
    try {
        ServerContext context(*options);
        if (!options->command.empty())
            return runAdminCommand(context, options->command);
        const DataFolderLock lock(options->dataDir);
        if (!lock.isHeld()) {
            std::fprintf(stderr, "vendra-server: another server is using %s\n", options->dataDir.c_str());
            return 1;
        }
        context.albums.recoverFromCrash();
        if (options->demo)
            setUpDemo(context);
        return HttpServer(context).run();
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "vendra-server: %s\n", failure.what());
        return 1;
    }
}
