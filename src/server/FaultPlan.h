#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Failures the server is told to stage, so that tests can drive the client's error paths.
// Each comes from one --fault option; see the help text for their syntax.
struct FaultPlan
{
    std::map<std::string, std::string> soapApiResponse;    // method -> APIResponse text
    std::map<std::string, std::string> soapActionResponse; // method -> ActionResponse text
    int delayMs = 0;
    int uploadDelayMs = 0;
    std::optional<int> uploadHttpStatus;
    std::optional<std::string> uploadActionResult;
    std::optional<uint64_t> uploadResetAfterBytes;
    // How a kept upload is misreported: "wrong-size", "wrong-album", "html" or "empty".
    std::optional<std::string> uploadReply;
    unsigned uploadResetFirstEvery = 0; // 0: off
    bool omitCookie = false;
    // A storage step ("delete-album.moved") at which the process kills itself, as kill -9 would.
    std::string crashAt;

    // Adds one --fault option; false when it is not understood.
    bool add(const std::string &spec);

    static std::string helpText();
    // Every step crash-at takes: each storage operation after its move is recorded ("intent"),
    // after the files moved ("moved") and after the database changed ("committed").
    static std::vector<std::string> crashSteps();
    // Kills the process when step is the one crash-at names.
    void crashPoint(const char *operation, const char *point) const;
};
