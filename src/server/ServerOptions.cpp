#include "ServerOptions.h"

#include <charconv>

std::optional<uint64_t> parseByteSize(const std::string &text)
{
    uint64_t value = 0;
    const char *begin = text.data();
    const char *end = begin + text.size();
    const auto [rest, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || rest == begin)
        return std::nullopt;
    int shift = 0;
    if (rest != end) {
        if (rest + 1 != end)
            return std::nullopt;
        switch (*rest) {
        case 'K':
        case 'k':
            shift = 10;
            break;
        case 'M':
        case 'm':
            shift = 20;
            break;
        case 'G':
        case 'g':
            shift = 30;
            break;
        case 'T':
        case 't':
            shift = 40;
            break;
        default:
            return std::nullopt;
        }
    }
    if (shift && value > (UINT64_MAX >> shift))
        return std::nullopt;
    return value << shift;
}

namespace {

bool parseHostPort(const std::string &text, std::string &host, int &port)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string portText = text.substr(colon + 1);
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    return error == std::errc() && end == portText.data() + portText.size() && port >= 0 && port <= 65535;
}

} // namespace

std::optional<ServerOptions> ServerOptions::parse(const std::vector<std::string> &arguments,
                                                  std::string &error)
{
    ServerOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string &arg = arguments[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= arguments.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--data") {
            if (!value(options.dataDir))
                return std::nullopt;
        } else if (arg == "--listen") {
            if (!value(text))
                return std::nullopt;
            if (!parseHostPort(text, options.listenHost, options.listenPort)) {
                error = "--listen expects HOST:PORT, got " + text;
                return std::nullopt;
            }
        } else if (arg == "--tls") {
            options.tls = true;
        } else if (arg == "--cert") {
            if (!value(options.certFile))
                return std::nullopt;
        } else if (arg == "--key") {
            if (!value(options.keyFile))
                return std::nullopt;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--min-version") {
            if (!value(options.minVersion))
                return std::nullopt;
        } else if (arg == "--latest-version") {
            if (!value(options.latestVersion))
                return std::nullopt;
        } else if (arg == "--upgrade-url") {
            if (!value(options.upgradeUrl))
                return std::nullopt;
        } else if (arg == "--max-transfer-size") {
            if (!value(text))
                return std::nullopt;
            const auto size = parseByteSize(text);
            if (!size || *size == 0) {
                error = "--max-transfer-size expects a size in bytes (K, M, G suffixes allowed), got " + text;
                return std::nullopt;
            }
            options.maxTransferSize = *size;
        } else if (arg == "--session-timeout") {
            if (!value(text))
                return std::nullopt;
            const auto [end, failure] =
                std::from_chars(text.data(), text.data() + text.size(), options.sessionTimeoutSeconds);
            if (failure != std::errc() || end != text.data() + text.size() ||
                options.sessionTimeoutSeconds <= 0) {
                error = "--session-timeout expects a number of seconds, got " + text;
                return std::nullopt;
            }
        } else if (arg == "--auto-approve") {
            options.autoApprove = true;
        } else if (arg == "--fault") {
            if (!value(text))
                return std::nullopt;
            if (!options.faults.add(text)) {
                error = "unknown --fault " + text + " (see --help)";
                return std::nullopt;
            }
        } else if (!arg.empty() && arg[0] == '-' && options.command.empty()) {
            error = "unknown option " + arg + " (see --help)";
            return std::nullopt;
        } else {
            options.command.push_back(arg);
        }
    }
    if (options.help || options.version)
        return options;
    if (options.dataDir.empty()) {
        error = "--data DIR is required";
        return std::nullopt;
    }
    if (options.certFile.empty() != options.keyFile.empty()) {
        error = "--cert and --key go together";
        return std::nullopt;
    }
    if (!options.certFile.empty())
        options.tls = true;
    return options;
}

std::string ServerOptions::helpText()
{
    return std::string(R"(Usage: vendra-server --data DIR [options]
       vendra-server --data DIR user add NAME [--rights LIST] [--quota SIZE] [--description TEXT] [--email TEXT]
       vendra-server --data DIR user set NAME [--rights LIST] [--quota SIZE] [--password]
       vendra-server --data DIR user list
       vendra-server --data DIR user remove NAME
       vendra-server --data DIR album flags USER ALBUM/PATH [create-under=0|1] [delete=0|1] [rename=0|1]

The reference media server: SOAP service at /soap/soap_server_uploadtool.hvxr, uploads at
/soapfileupload.hvxr?album=ID, web pages for pending files and pictures. Users, sessions, albums
and assets live in DIR/vendra.sqlite, files under DIR/albums/USER/ALBUM/...

Server options:
  --data DIR               data folder (created when missing)
  --listen HOST:PORT       address to listen on (default 127.0.0.1:8080; port 0 picks a free one).
                           The first line on standard output is "listening on URL".
  --tls                    serve HTTPS; without --cert/--key a self-signed certificate for localhost
                           and 127.0.0.1 is made at DIR/tls/cert.pem and DIR/tls/key.pem and reused
  --cert FILE --key FILE   serve HTTPS with this certificate and private key (PEM)
  --demo                   on a data folder without users, create user "demo" (password "demo",
                           every right, quota 10 GiB) with the albums Holidays, Holidays/2019, Family
  --min-version V          oldest client version that is compatible (e.g. 1.0.0)
  --latest-version V       newest client version
  --upgrade-url URL        where clients get the newest version (default: this server's start page)
  --max-transfer-size N    largest upload body accepted and announced (default 2G)
  --session-timeout S      sessions end after S seconds without use (default 3600)
  --auto-approve           keep new uploads as approved instead of pending
  --fault SPEC             stage a failure (repeatable, see below)
  --help                   this text
  --version                print the version

User administration: "user add" and "user set --password" read the password from the first line
of standard input. Rights are "all", "none" or a comma-separated list of CreateTopLevelAlbum,
CreateSubAlbum, RenameTopLevelAlbum, RenameSubAlbum, DeleteTopLevelAlbum, DeleteSubAlbum,
DeleteAsset, RenameAsset, Upload, SeeQuota, CanUseMyPicturesButton, HavePendingFilesButton;
a leading "-" takes one away ("all,-DeleteAsset"). The default is all. Sizes take K, M, G, T
suffixes; the default quota is 10G. "user remove" deletes the user's albums and files too.

)") + FaultPlan::helpText();
}
