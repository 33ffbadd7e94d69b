#pragma once

#include "FaultPlan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line: where the data lives, how to serve it, and an optional administration
// command (everything after the options, such as "user add alice").
struct ServerOptions
{
    std::string dataDir;
    std::string listenHost = "127.0.0.1";
    int listenPort = 8080;
    bool tls = false;
    std::string certFile;
    std::string keyFile;
    bool demo = false;
    std::string minVersion;
    std::string latestVersion;
    std::string upgradeUrl;
    uint64_t maxTransferSize = uint64_t(2) << 30;
    int sessionTimeoutSeconds = 3600;
    bool autoApprove = false;
    FaultPlan faults;
    bool help = false;
    bool version = false;
    std::vector<std::string> command;

    // Parses argv; on failure returns nothing and sets error to a one-line explanation.
    static std::optional<ServerOptions> parse(const std::vector<std::string> &arguments, std::string &error);
    static std::string helpText();
};

// "1234", "10K", "5M", "10G", "1T" (binary multiples); nothing when it is not a size.
std::optional<uint64_t> parseByteSize(const std::string &text);
