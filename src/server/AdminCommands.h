#pragma once

#include <string>
#include <vector>

struct ServerContext;

// The administration subcommands ("user add", "user list", "album flags", ...). Returns the exit
// status; output goes to standard output, problems to standard error.
int runAdminCommand(ServerContext &context, const std::vector<std::string> &command);
