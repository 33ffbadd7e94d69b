#include "FaultPlan.h"

#include <algorithm>
#include <charconv>
#include <csignal>

namespace {

template <typename Number> bool parseNumber(const std::string &text, Number &value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool splitMethodAndText(const std::string &value, std::string &method, std::string &text)
{
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
        return false;
    method = value.substr(0, colon);
    text = value.substr(colon + 1);
    return true;
}

} // namespace

bool FaultPlan::add(const std::string &spec)
{
    if (spec == "no-cookie") {
        omitCookie = true;
        return true;
    }
    const size_t equals = spec.find('=');
    if (equals == std::string::npos)
        return false;
    const std::string kind = spec.substr(0, equals);
    const std::string value = spec.substr(equals + 1);
    std::string method, text;
    if (kind == "soap-api" && splitMethodAndText(value, method, text)) {
        soapApiResponse[method] = text;
        return true;
    }
    if (kind == "soap-action" && splitMethodAndText(value, method, text)) {
        soapActionResponse[method] = text;
        return true;
    }
    if (kind == "crash-at") {
        const auto steps = crashSteps();
        crashAt = value;
        return std::find(steps.begin(), steps.end(), value) != steps.end();
    }
    if (kind == "delay")
        return parseNumber(value, delayMs) && delayMs >= 0;
    if (kind == "upload-delay")
        return parseNumber(value, uploadDelayMs) && uploadDelayMs >= 0;
    if (kind == "upload-status") {
        int status = 0;
        if (!parseNumber(value, status) || status < 100 || status > 599)
            return false;
        uploadHttpStatus = status;
        return true;
    }
    if (kind == "upload-action" && !value.empty()) {
        uploadActionResult = value;
        return true;
    }
    if (kind == "upload-reply" &&
        (value == "wrong-size" || value == "wrong-album" || value == "html" || value == "empty")) {
        uploadReply = value;
        return true;
    }
    if (kind == "upload-reset-first")
        return parseNumber(value, uploadResetFirstEvery) && uploadResetFirstEvery > 0;
    if (kind == "upload-reset") {
        uint64_t bytes = 0;
        if (!parseNumber(value, bytes))
            return false;
        uploadResetAfterBytes = bytes;
        return true;
    }
    return false;
}

std::vector<std::string> FaultPlan::crashSteps()
{
    std::vector<std::string> steps;
    for (const char *operation :
         {"upload", "create-album", "rename-album", "delete-album", "rename-asset", "delete-asset"})
        for (const char *point : {"intent", "moved", "committed"})
            steps.push_back(std::string(operation) + "." + point);
    return steps;
}

void FaultPlan::crashPoint(const char *operation, const char *point) const
{
    if (!crashAt.empty() && crashAt == std::string(operation) + "." + point)
        std::raise(SIGKILL);
}

std::string FaultPlan::helpText()
{
    return R"(Faults (repeatable --fault SPEC, for testing clients):
  soap-api=METHOD:TEXT     answer the SOAP method METHOD with APIResponse TEXT
  soap-action=METHOD:TEXT  answer METHOD with APIResponse OK and ActionResponse TEXT
  delay=MS                 hold every reply back for MS milliseconds
  upload-delay=MS          wait MS milliseconds before reading each upload's body
  upload-status=CODE       answer every upload with HTTP status CODE (the upload is not kept)
  upload-action=TEXT       answer every upload with actionresult TEXT (the upload is not kept)
  upload-reset=BYTES       reset the connection once an upload has sent BYTES body bytes
  upload-reply=KIND        keep uploads but misreport them: wrong-size, wrong-album (off by one),
                           html (a web page instead of the result) or empty (no reply body)
  upload-reset-first=N     reset the first try of every Nth file uploaded (later tries go through)
  no-cookie                set no session cookie on any reply
  crash-at=STEP            kill the server (SIGKILL) when a storage operation reaches STEP:
                           OPERATION.intent (its file move recorded), OPERATION.moved (the files
                           moved) or OPERATION.committed (the database changed, not yet answered),
                           for the operations upload, create-album, rename-album, delete-album,
                           rename-asset, delete-asset (e.g. delete-album.moved)
)";
}
