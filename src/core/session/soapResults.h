#pragma once

#include "albums/soapRemoteFolderBrowser.h"
#include "session/soapCheckVersion.h"
#include "session/soapGetPendingFilesButton.h"
#include "session/soapGetPictureButtonDetails.h"
#include "session/soapGetQuotaDetails.h"
#include "session/soapLogin.h"

#include <atomic>

// The records decoded at sign-in and the root of the album tree. Created once with the session
// object and decoded into again at every sign-in; nothing resets them at sign-out.
class soapResults
{
public:
    soapResults();

    // Whether the Login reply decoded; cleared by a failed logout.
    bool bLoggedIn() const { return m_bLoggedIn; }
    void setBLoggedIn(bool loggedIn) { m_bLoggedIn = loggedIn; }

    soapCheckVersion &checkVersion() { return m_soapCheckVersion; }
    soapLogin &login() { return m_soapLogin; }
    soapGetQuotaDetails &quotaDetails() { return m_soapGetQuotaDetails; }
    soapGetPendingFilesButton &pendingFilesButton() { return m_soapGetPendingFilesButton; }
    soapGetPictureButtonDetails &pictureButtonDetails() { return m_soapGetPictureButtonDetails; }
    const soapRemoteFolderBrowserPtr &remoteFolderBrowser() const { return m_soapRemoteFolderBrowser; }

private:
    std::atomic<bool> m_bLoggedIn = false;
    soapCheckVersion m_soapCheckVersion;
    soapLogin m_soapLogin;
    soapGetQuotaDetails m_soapGetQuotaDetails;
    soapGetPendingFilesButton m_soapGetPendingFilesButton;
    soapGetPictureButtonDetails m_soapGetPictureButtonDetails;
    soapRemoteFolderBrowserPtr m_soapRemoteFolderBrowser;
};
