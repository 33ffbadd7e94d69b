#include "UploadEndpoint.h"

#include "ConnectionReset.h"
#include "FirstTryResets.h"
#include "MultipartParser.h"
#include "NameRules.h"
#include "PasswordHash.h"
#include "RequestCaller.h"
#include "ServerContext.h"
#include "SoapRecords.h"
#include "UploadReply.h"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

const char *const XmlContentType = "text/xml; charset=utf-8";
// Room for the part header and the boundaries around the file, whose own size is what is limited.
constexpr uint64_t MultipartAllowance = 64 * 1024;

// The file being received, written through a buffer and removed unless it was handed on.
class ReceivedFile
{
public:
    explicit ReceivedFile(const std::filesystem::path &folder)
        : m_path(folder / (randomHexToken(16) + ".part"))
    {
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        m_buffer.reserve(BufferSize);
    }
    ~ReceivedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    ReceivedFile(const ReceivedFile &) = delete;
    ReceivedFile &operator=(const ReceivedFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    const std::filesystem::path &path() const { return m_path; }
    uint64_t size() const { return m_size; }

    bool write(const char *data, size_t size)
    {
        m_size += size;
        if (m_buffer.size() + size > BufferSize && !flush())
            return false;
        if (size >= BufferSize)
            return writeAll(data, size);
        m_buffer.append(data, size);
        return true;
    }
    bool flush()
    {
        const bool ok = writeAll(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return ok;
    }

private:
    static constexpr size_t BufferSize = 256 * 1024;

    bool writeAll(const char *data, size_t size)
    {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= size_t(written);
        }
        return true;
    }

    std::filesystem::path m_path;
    int m_fd = -1;
    std::string m_buffer;
    uint64_t m_size = 0;
};

std::optional<int64_t> parseAlbumId(const std::string &text)
{
    int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id <= 0)
        return std::nullopt;
    return id;
}

} // namespace

UploadEndpoint::UploadEndpoint(ServerContext &context) : m_context(context)
{
    if (const unsigned every = context.options.faults.uploadResetFirstEvery)
        m_firstTryResets = std::make_unique<FirstTryResets>(every);
}

UploadEndpoint::~UploadEndpoint() = default;

// The fault that resets a file's first try, decided once its name is known.
bool UploadEndpoint::resetsFirstTry(const httplib::Request &request, int64_t albumId,
                                    const std::string &fileName)
{
    return m_firstTryResets && m_firstTryResets->shouldReset(albumId, fileName) && resetConnection(request);
}

void UploadEndpoint::handle(const httplib::Request &request, httplib::Response &response,
                            const httplib::ContentReader &reader)
{
    const ServerOptions &options = m_context.options;
    const FaultPlan &faults = options.faults;
    std::map<std::string, std::string> reply{{"apiresult", "ok"}};
    const auto answer = [&](int status) {
        response.status = status;
        response.set_content(uploadReplyDocument(reply), XmlContentType);
    };
    const auto refuse = [&](const std::string &actionResult, const std::string &message) {
        reply["actionresult"] = actionResult;
        reply["message"] = message;
    };
    const auto answerRefusal = [&](int status, const std::string &actionResult, const std::string &message) {
        refuse(actionResult, message);
        answer(status);
    };

    const std::string albumText = request.get_param_value("album");
    reply["albumid"] = albumText;
    // The limit is the file's; the body around it adds its part header and boundaries.
    const uint64_t maxBody = options.maxTransferSize + MultipartAllowance;
    if (request.has_header("Content-Length") &&
        request.get_header_value<uint64_t>("Content-Length") > maxBody) {
        response.set_header("Connection", "close");
        return answerRefusal(413, "FILE_TOO_LARGE", "the upload is larger than the server accepts");
    }

    // Everything that can be decided before the body is read is decided here. A refusal is
    // answered at once and closes the connection: the body of a caller without the session,
    // the right or the album is never read (nor decompressed).
    const RequestCaller caller = RequestCaller::lookUp(m_context, request);
    std::optional<int64_t> albumId;
    bool refused = true;
    if (!caller.user) {
        reply["apiresult"] = caller.refusal();
    } else if (faults.uploadActionResult) {
        refuse(*faults.uploadActionResult, "staged failure");
    } else if (!caller.user->rights.has(Right::Upload)) {
        refuse("ACCESS_DENIED", "this user may not upload");
    } else if (albumId = parseAlbumId(albumText); !albumId) {
        refuse("ALBUM_NOT_FOUND", "no album given");
    } else if (!m_context.albums.album(caller.user->id, *albumId)) {
        refuse("ALBUM_NOT_FOUND", "no such album");
    } else {
        refused = false;
    }
    const std::string boundary = MultipartParser::boundaryFrom(request.get_header_value(ContentTypeHeader));
    if (!refused && boundary.empty()) {
        refuse("BAD_REQUEST", "not a multipart/form-data body");
        refused = true;
    }

    if (refused && !faults.uploadHttpStatus) {
        response.set_header("Connection", "close");
        return answer(200);
    }

    const uint64_t used = caller.user ? m_context.albums.usage(caller.user->id).bytes : 0;
    const uint64_t quota = caller.user ? caller.user->quota : 0;
    ReceivedFile file(m_context.albums.incomingFolder());
    if (!refused && !file.isOpen()) {
        refuse("STORAGE_ERROR", "cannot store the file");
        refused = true;
    }

    std::string fileName;
    bool tooLarge = false;
    bool sawFile = false;
    bool receiving = false;
    bool writeFailed = false;
    std::string nameProblem;
    MultipartParser parser(
        boundary.empty() ? std::string("-") : boundary,
        [&](const MultipartParser::Part &part) {
            receiving = !refused && !sawFile && part.name == "file" && part.hasFileName;
            if (receiving) {
                sawFile = true;
                fileName = NameRules::uploadedFileName(part.fileName);
                const auto verdict = NameRules::check(fileName);
                if (verdict != NameRules::Verdict::Ok) {
                    nameProblem = NameRules::describe(verdict);
                    receiving = false;
                }
            }
            return true;
        },
        [&](const char *data, size_t size) {
            if (!receiving)
                return true;
            if (file.size() + size > options.maxTransferSize) {
                tooLarge = true;
                return false;
            }
            if (used + file.size() + size > quota) {
                receiving = false; // the rest is read but not kept
                refuse("QUOTA_EXCEEDED", "the file does not fit into the quota");
                refused = true;
                return true;
            }
            if (!file.write(data, size)) {
                receiving = false;
                writeFailed = true;
            }
            return true;
        },
        [&] {
            receiving = false;
            return true;
        });

    // A client that gives up meanwhile leaves a body that ends early, which is not kept.
    if (faults.uploadDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(faults.uploadDelayMs));
    uint64_t received = 0;
    bool reset = false;
    bool firstTryChecked = false;
    const bool complete = reader([&](const char *data, size_t size) {
        received += size;
        if (received > maxBody) {
            tooLarge = true;
            return false;
        }
        if (faults.uploadResetAfterBytes && received >= *faults.uploadResetAfterBytes) {
            reset = resetConnection(request);
            return false;
        }
        const bool more = boundary.empty() || parser.feed(data, size) || refused;
        if (sawFile && !firstTryChecked && albumId) {
            firstTryChecked = true;
            reset = resetsFirstTry(request, *albumId, fileName);
            return !reset && more;
        }
        return more;
    });

    if (reset)
        return;
    if (tooLarge) {
        response.set_header("Connection", "close");
        return answerRefusal(413, "FILE_TOO_LARGE", "the upload is larger than the server accepts");
    }
    if (faults.uploadHttpStatus)
        return answer(*faults.uploadHttpStatus);
    if (refused)
        return answer(200);
    if (!complete || !parser.isComplete()) {
        response.set_header("Connection", "close");
        return answerRefusal(400, "BAD_REQUEST",
                             parser.error().empty() ? "the upload body ended early" : parser.error());
    }
    if (!sawFile)
        return answerRefusal(200, "NO_FILE", "no part named \"file\" with a file name");
    if (!nameProblem.empty())
        return answerRefusal(200, "INVALID_NAME", nameProblem);
    if (writeFailed || !file.flush())
        return answerRefusal(200, "STORAGE_ERROR", "cannot store the file");

    Asset added;
    const StoreStatus status = m_context.albums.addFile(caller.user->id, quota, *albumId, file.path(),
                                                        fileName, !options.autoApprove, added);
    if (status != StoreStatus::Ok)
        return answerRefusal(200, SoapRecords::actionResponseFor(status, "ALBUM"), "the file was not stored");
    reply["actionresult"] = "ok";
    reply["pending"] = added.pending ? "true" : "false";
    reply["albumid"] = std::to_string(added.albumId);
    reply["assetid"] = std::to_string(added.id);
    reply["assettype"] = std::to_string(added.type);
    reply["filesize"] = std::to_string(added.size);
    reply["filename"] = added.name;
    if (faults.uploadReply == "wrong-size")
        reply["filesize"] = std::to_string(added.size + 1);
    else if (faults.uploadReply == "wrong-album")
        reply["albumid"] = std::to_string(added.albumId + 1);
    if (faults.uploadReply == "html") {
        response.status = 200;
        return response.set_content("<!DOCTYPE html><html><body><p>Thank you!</p></body></html>",
                                    "text/html");
    }
    if (faults.uploadReply == "empty") {
        response.status = 200;
        return response.set_content("", XmlContentType);
    }
    answer(200);
}
