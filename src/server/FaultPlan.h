#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

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
    unsigned uploadResetFirstEvery = 0; // 0: off
    bool omitCookie = false;
    bool secureCookie = false;

    // Adds one --fault option; false when it is not understood.
    bool add(const std::string &spec);

    static const char *helpText();
};
