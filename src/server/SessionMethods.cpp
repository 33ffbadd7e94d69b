// CheckVersion, Login and Logout: the methods that open and close a session.
#include "ClientVersion.h"
#include "ServerContext.h"
#include "SoapMethods.h"
#include "SoapReply.h"

namespace {

const char *const ServiceVersion = "1";

} // namespace

SoapOutcome checkVersion(ServerContext &context, const SoapCall &call, const SoapCaller &caller)
{
    const ServerOptions &options = context.options;
    const ClientVersion client = ClientVersion::fromReported(call.param("strVersion"));
    const ClientVersion minimum = ClientVersion::fromPlain(options.minVersion);
    const ClientVersion latest = ClientVersion::fromPlain(options.latestVersion);
    // A client whose version cannot be read is let in only when no minimum is set.
    const bool compatible = minimum.isEmpty() || (!client.isEmpty() && client.compare(minimum) >= 0);
    const bool runningLatest = latest.isEmpty() || (!client.isEmpty() && client.compare(latest) >= 0);

    SoapReply reply;
    reply.beginStruct("objVersionDetails", "VersionDetails")
        .boolean("m_bFileChunkingSupported", false)
        .boolean("m_bRunningLatestVersion", runningLatest)
        .boolean("m_bVersionIsCompatible", compatible)
        .longInteger("m_nMaxFileSize", int64_t(options.maxTransferSize))
        .longInteger("m_nMaxTransferSize", int64_t(options.maxTransferSize))
        .string("m_strLatestVersion", latest.isEmpty() ? client.toString() : latest.toString())
        .string("m_strServiceVersion", ServiceVersion)
        .string("m_strURLForLatestVersion",
                options.upgradeUrl.empty() ? caller.baseUrl + "/" : options.upgradeUrl)
        .endStruct("objVersionDetails");
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome login(ServerContext &context, const SoapCall &call, const SoapCaller &)
{
    const auto user = context.users.authenticate(call.param("strUsername"), call.param("strPassword"));
    // Unknown name and wrong password get the same answer, so names cannot be probed.
    if (!user)
        return SoapOutcome::refused("USER_NOT_FOUND");

    SoapReply reply;
    reply.beginStruct("objUserDetails", "UserDetails")
        .integer("m_nUserID", user->id)
        .string("m_strUsername", user->name)
        .string("m_strDescription", user->description)
        .string("m_strEmail", user->email)
        .endStruct("objUserDetails");
    reply.beginStruct("objUserPermissions", "UserPermissions");
    for (const auto &entry : Rights::all())
        reply.boolean(std::string("m_b") + entry.name, user->rights.has(entry.right));
    reply.endStruct("objUserPermissions");

    SoapOutcome outcome;
    outcome.members = reply.xml();
    outcome.signInUser = user->id;
    return outcome;
}

SoapOutcome logout(ServerContext &, const SoapCall &, const SoapCaller &)
{
    SoapOutcome outcome;
    outcome.signOut = true;
    return outcome;
}
