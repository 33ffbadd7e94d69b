// The quota and the two web-page buttons of the signed-in user.
#include "ServerContext.h"
#include "SoapMethods.h"
#include "SoapReply.h"

SoapOutcome getQuotaDetails(ServerContext &context, const SoapCall &, const SoapCaller &caller)
{
    const User &user = *caller.user;
    if (!user.rights.has(Right::SeeQuota))
        return SoapOutcome::refused("ACCESS_DENIED");
    const StorageUsage usage = context.albums.usage(user.id);
    SoapReply reply;
    reply.beginStruct("objQuotaDetails", "QuotaDetails")
        .longInteger("m_nNumberOfFiles", int64_t(usage.files))
        .longInteger("m_nTotal", int64_t(user.quota))
        .longInteger("m_nUsed", int64_t(usage.bytes))
        .endStruct("objQuotaDetails");
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome getMyPicturesButtonDetails(ServerContext &, const SoapCall &, const SoapCaller &caller)
{
    // Without the right the button is reported hidden (and the page refuses), rather than
    // failing the call: every client asks for it while signing in.
    const bool displayed = caller.user->rights.has(Right::CanUseMyPicturesButton);
    SoapReply reply;
    reply.beginStruct("objMyPicturesButtonDetails", "ButtonDetails")
        .boolean("m_bDisplayed", displayed)
        .string("m_strDescription", "My pictures")
        .string("m_strLink",
                displayed ? caller.baseUrl + "/pictures?token=" + caller.pageToken : std::string())
        .endStruct("objMyPicturesButtonDetails");
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}

SoapOutcome getPendingFilesButtonDetails(ServerContext &context, const SoapCall &, const SoapCaller &caller)
{
    const bool allowed = caller.user->rights.has(Right::HavePendingFilesButton);
    const size_t pending = allowed ? context.albums.pendingAssets(caller.user->id).size() : 0;
    const std::string description =
        pending == 1 ? "1 file waits for approval" : std::to_string(pending) + " files wait for approval";
    SoapReply reply;
    // Shown while files wait; an integer, because clients read this flag as a number.
    reply.beginStruct("objPendingFilesButtonDetails", "ButtonDetails")
        .integer("m_bDisplayed", pending > 0 ? 1 : 0)
        .string("m_strDescription", description)
        .string("m_strLink", allowed ? caller.baseUrl + "/pending?token=" + caller.pageToken : std::string())
        .endStruct("objPendingFilesButtonDetails");
    SoapOutcome outcome;
    outcome.members = reply.xml();
    return outcome;
}
