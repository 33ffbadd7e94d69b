#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace httplib {
class ContentReader;
struct Request;
struct Response;
} // namespace httplib
struct ServerContext;
class FirstTryResets;

// The upload script: one multipart/form-data POST per file into the album named in the query.
// The part named "file" is streamed to disk as it arrives; memory use does not grow with the file.
class UploadEndpoint
{
public:
    static constexpr const char *Path = "/soapfileupload.hvxr";
    // Where the Content-Type of a POST is kept away from the HTTP library's multipart parser.
    static constexpr const char *ContentTypeHeader = "X-Vendra-Upload-Content-Type";

    explicit UploadEndpoint(ServerContext &context);
    ~UploadEndpoint();
    void handle(const httplib::Request &request, httplib::Response &response,
                const httplib::ContentReader &reader);

private:
    bool resetsFirstTry(const httplib::Request &request, int64_t albumId, const std::string &fileName);

    ServerContext &m_context;
    std::unique_ptr<FirstTryResets> m_firstTryResets;
};
