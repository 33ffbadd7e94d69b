#include "CliSession.h"

#include "CliOutput.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/wsSoapAsyncOp.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsLoginSequence.h"

#include <QEventLoop>

CliSession::CliSession() : m_globals(std::make_unique<commsGlobals>()), m_comms(std::make_shared<Comms>())
{}

CliSession::~CliSession()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

bool CliSession::signIn(bool printStatusLines, Error &error)
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    QEventLoop loop;
    bool succeeded = false;
    if (printStatusLines) {
        center.addObserver(this, NotificationNames::CommsEventsLoginStateChange,
                           [](const Notification &n) { CliOutput::printLine(n.object().toString()); });
    }
    center.addObserver(this, NotificationNames::CommsEventsLoginSuccess, [&](const Notification &n) {
        succeeded = true;
        if (printStatusLines)
            CliOutput::printLine(n.object().toString());
        loop.quit();
    });
    center.addObserver(this, NotificationNames::CommsEventsLoginFailure,
                       [&](const Notification &) { loop.quit(); });

    // A fresh tree for this session, as at every sign-in.
    m_globals->results().remoteFolderBrowser()->clear();
    m_globals->clearRemoteFolderDictionaries();
    m_globals->loginSequence().startLoginSequence(m_comms);
    loop.exec();
    center.removeObserver(this);

    if (!succeeded)
        error = m_globals->loginSequence().error();
    return succeeded;
}

void CliSession::signOut()
{
    if (!m_comms->bAreLoggedIn())
        return;
    const auto request = m_globals->soapAsyncOp().requestLogout(m_comms);
    m_globals->soapAsyncOp().waitForDone();
    if (request->error())
        VENDRA_DIAG(QStringLiteral("Signing out failed: %1").arg(request->error().toString()));
}
