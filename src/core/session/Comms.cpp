#include "session/Comms.h"

#include "albums/asyncRequestInfo.h"
#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

void Comms::startLoginSequence()
{
    m_bAreLoggedIn = false;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::CommsEventsLoginStarted, messageText(QStringLiteral("Text_LogginIn")));
}

void Comms::setStatusText(const QString &text)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::CommsEventsLoginStateChange, text);
}

void Comms::completedLoginSequence(bool succeeded)
{
    m_bAreLoggedIn = succeeded;
    if (succeeded) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
            NotificationNames::CommsEventsLoginSuccess, messageText(QStringLiteral("Text_LoginSucceeded")));
    } else {
        // Waits until the failure has been handled: the handlers read the sequence's error, which a
        // sign-in queued behind this one clears as soon as it starts.
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
            NotificationNames::CommsEventsLoginFailure, messageText(QStringLiteral("Text_LoginFailed")), {},
            true);
    }
}

void Comms::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info)
{
    if (info->requestType() == asyncRequestInfo::Logout)
        m_bAreLoggedIn = !info->bSucceeded();
}
