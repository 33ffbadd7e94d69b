#include "WebPages.h"

#include "AssetType.h"
#include "HttpRequestHelpers.h"
#include "ServerContext.h"
#include "XmlText.h"

#include <httplib.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

std::string escape(const std::string &text)
{
    return xmlEscape(text);
}

void sendPage(httplib::Response &response, int status, const std::string &title, const std::string &body)
{
    response.status = status;
    // The page token is in the address: it must not leak to other sites through the referrer.
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header(
        "Content-Security-Policy",
        "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'");
    response.set_content(
        "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + escape(title) +
            "</title><style>body{font-family:sans-serif;margin:2em;max-width:60em}"
            "li{margin:.2em 0}.size{color:#666}form{display:inline}</style></head><body><h1>" +
            escape(title) + "</h1>" + body + "</body></html>",
        "text/html; charset=utf-8");
}

std::string sizeText(uint64_t bytes)
{
    const char *units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    return text;
}

// The signed-in user behind the page token of the request, with the right the page needs.
std::optional<User> pageUser(ServerContext &context, const std::string &token, Right right,
                             httplib::Response &response)
{
    const auto session = context.sessions.findByPageToken(token);
    const auto user = session ? context.users.findById(session->userId) : std::nullopt;
    if (!user) {
        sendPage(response, 403, "Link expired",
                 "<p>This link is no longer valid. Open the page again from the uploader.</p>");
        return std::nullopt;
    }
    if (!user->rights.has(right)) {
        sendPage(response, 403, "Not available", "<p>This page is not available to your account.</p>");
        return std::nullopt;
    }
    return user;
}

std::string albumPath(AlbumStore &albums, int64_t userId, int64_t albumId)
{
    std::string path;
    for (int depth = 0; albumId != 0 && depth <= AlbumStore::MaxDepth; ++depth) {
        const auto album = albums.album(userId, albumId);
        if (!album)
            break;
        path = path.empty() ? album->name : album->name + "/" + path;
        albumId = album->parentId;
    }
    return path;
}

void listAlbums(AlbumStore &albums, int64_t userId, int64_t parentId, const std::string &token,
                std::string &out, int depth)
{
    const auto children = albums.albums(userId, parentId);
    if (children.empty() || depth > AlbumStore::MaxDepth)
        return;
    out += "<ul>";
    for (const Album &album : children) {
        out += "<li><strong>" + escape(album.name) + "</strong>";
        if (!album.description.empty())
            out += " &mdash; " + escape(album.description);
        listAlbums(albums, userId, album.id, token, out, depth + 1);
        const auto assets = albums.assets(userId, album.id);
        if (!assets.empty()) {
            out += "<ul>";
            for (const Asset &asset : assets)
                out += "<li><a href=\"/pictures/file?token=" + escape(token) +
                       "&amp;asset=" + std::to_string(asset.id) + "\">" + escape(asset.name) +
                       "</a> <span class=\"size\">" + sizeText(asset.size) +
                       (asset.pending ? ", pending" : "") + "</span></li>";
            out += "</ul>";
        }
        out += "</li>";
    }
    out += "</ul>";
}

} // namespace

void WebPages::startPage(const httplib::Request &, httplib::Response &response)
{
    sendPage(response, 200, "vendra-server",
             "<p>This is a media server. Sign in with the uploader to add pictures; its links open your "
             "pending files and your pictures here.</p>");
}

void WebPages::pendingPage(const httplib::Request &request, httplib::Response &response)
{
    const std::string token = request.get_param_value("token");
    const auto user = pageUser(m_context, token, Right::HavePendingFilesButton, response);
    if (!user)
        return;
    const auto pending = m_context.albums.pendingAssets(user->id);
    const std::string tokenField = "<input type=\"hidden\" name=\"token\" value=\"" + escape(token) + "\">";
    std::string body;
    if (pending.empty()) {
        body = "<p>No files wait for approval.</p>";
    } else {
        body = "<p>" + std::to_string(pending.size()) + " file(s) wait for approval.</p><ul>";
        for (const Asset &asset : pending) {
            body += "<li>" + escape(albumPath(m_context.albums, user->id, asset.albumId)) + "/<strong>" +
                    escape(asset.name) + "</strong> <span class=\"size\">" + sizeText(asset.size) +
                    "</span> <form method=\"post\" action=\"/pending/approve\">" + tokenField +
                    "<input type=\"hidden\" name=\"asset\" value=\"" + std::to_string(asset.id) +
                    "\"><button>Approve</button></form></li>";
        }
        body += "</ul><form method=\"post\" action=\"/pending/approve\">" + tokenField +
                "<input type=\"hidden\" name=\"asset\" value=\"all\"><button>Approve all</button></form>";
    }
    sendPage(response, 200, "Pending files of " + user->name, body);
}

void WebPages::approve(const httplib::Request &, httplib::Response &response,
                       const httplib::ContentReader &reader)
{
    std::string body;
    if (HttpRequestHelpers::readBody(reader, 64 * 1024, body) != HttpRequestHelpers::BodyResult::Ok) {
        sendPage(response, 400, "Bad request", "<p>The form could not be read.</p>");
        return;
    }
    // The token travels in the form, never in a cookie, so another site cannot post this form
    // on the user's behalf.
    const auto fields = HttpRequestHelpers::parseForm(body);
    const std::string token = fields.count("token") ? fields.at("token") : std::string();
    const auto user = pageUser(m_context, token, Right::HavePendingFilesButton, response);
    if (!user)
        return;
    const std::string which = fields.count("asset") ? fields.at("asset") : std::string();
    if (which == "all") {
        for (const Asset &asset : m_context.albums.pendingAssets(user->id))
            m_context.albums.approve(user->id, asset.id);
    } else {
        char *end = nullptr;
        const long long id = std::strtoll(which.c_str(), &end, 10);
        if (which.empty() || *end || !m_context.albums.approve(user->id, id)) {
            sendPage(response, 404, "Not found", "<p>There is no such file.</p>");
            return;
        }
    }
    response.status = 303;
    response.set_header("Location", "/pending?token=" + HttpRequestHelpers::urlEncode(token));
    response.set_header("Referrer-Policy", "no-referrer");
}

void WebPages::picturesPage(const httplib::Request &request, httplib::Response &response)
{
    const std::string token = request.get_param_value("token");
    const auto user = pageUser(m_context, token, Right::CanUseMyPicturesButton, response);
    if (!user)
        return;
    std::string body;
    listAlbums(m_context.albums, user->id, 0, token, body, 0);
    if (body.empty())
        body = "<p>No albums yet.</p>";
    sendPage(response, 200, "Pictures of " + user->name, body);
}

void WebPages::download(const httplib::Request &request, httplib::Response &response)
{
    const auto user =
        pageUser(m_context, request.get_param_value("token"), Right::CanUseMyPicturesButton, response);
    if (!user)
        return;
    char *end = nullptr;
    const std::string idText = request.get_param_value("asset");
    const long long id = std::strtoll(idText.c_str(), &end, 10);
    const auto asset = idText.empty() || *end ? std::nullopt : m_context.albums.asset(user->id, id);
    const auto path = asset ? m_context.albums.assetFile(user->id, *asset) : std::nullopt;
    const int fd = path ? ::open(path->c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        sendPage(response, 404, "Not found", "<p>There is no such file.</p>");
        return;
    }
    const auto owner = std::make_shared<int>(fd);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    response.set_header("Content-Disposition",
                        "attachment; filename*=UTF-8''" + HttpRequestHelpers::urlEncode(asset->name));
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content_provider(
        size_t(size), mimeTypeForName(asset->name),
        [owner](size_t offset, size_t length, httplib::DataSink &sink) {
            char buffer[64 * 1024];
            const ssize_t got = ::pread(*owner, buffer, std::min(length, sizeof buffer), off_t(offset));
            return got > 0 && sink.write(buffer, size_t(got));
        },
        [owner](bool) { ::close(*owner); });
}
