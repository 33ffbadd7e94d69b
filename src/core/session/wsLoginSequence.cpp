#include "session/wsLoginSequence.h"

#include "common/MainThread.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "session/wsLoginSequenceDelegate.h"

#include <QCoreApplication>

namespace {

const QString loginDomain = QStringLiteral("SOAP-Login");

} // namespace

wsLoginSequence::wsLoginSequence()
{
    m_operationQ.setMaxThreadCount(1);
}

wsLoginSequence::~wsLoginSequence()
{
    m_operationQ.clear();
    waitForDone();
}

void wsLoginSequence::waitForDone()
{
    if (!isMainThread()) {
        m_operationQ.waitForDone();
        return;
    }
    while (!m_operationQ.waitForDone(5))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void wsLoginSequence::startLoginSequence(const Delegate &delegate)
{
    // The error is left alone here: a run still ending may not have shown its failure yet. The
    // queued run clears it when it starts.
    m_operationQ.start([this, delegate] { doLoginSequence(delegate); });
}

Error wsLoginSequence::error() const
{
    const QMutexLocker lock(&m_errorMutex);
    return m_error;
}

void wsLoginSequence::setError(const Error &error)
{
    const QMutexLocker lock(&m_errorMutex);
    m_error = error;
}

void wsLoginSequence::doLoginSequence(const Delegate &delegate)
{
    setError(Error());
    if (delegate)
        delegate->startLoginSequence();
    const bool succeeded = runStep(Step::CheckVersion, delegate) && runStep(Step::Login, delegate) &&
                           runStep(Step::PendingButton, delegate) && runStep(Step::PictureButton, delegate) &&
                           runStep(Step::TopLevelAlbums, delegate);
    if (delegate)
        delegate->completedLoginSequence(succeeded);
}

bool wsLoginSequence::runStep(Step step, const Delegate &delegate)
{
    setError(Error());
    wsCoreComms &comms = commsGlobal->coreComms();
    soapResults &results = commsGlobal->results();

    struct StepInfo
    {
        std::function<void()> start;
        std::function<QVariantMap(Error &)> request;
        std::function<bool(const QVariantMap &)> decode;
        QString failureKey;
        int failureCode;
        QString statusKey;
        std::function<void(bool)> completed;
    };
    const auto call = [&delegate](void (wsLoginSequenceDelegate::*method)()) {
        return [&delegate, method] {
            if (delegate)
                (delegate.get()->*method)();
        };
    };
    const auto report = [&delegate](void (wsLoginSequenceDelegate::*method)(bool)) {
        return [&delegate, method](bool outcome) {
            if (delegate)
                (delegate.get()->*method)(outcome);
        };
    };

    StepInfo info;
    switch (step) {
    case Step::CheckVersion:
        info = {call(&wsLoginSequenceDelegate::startCheckVersion),
                [&comms](Error &e) { return comms.doCheckVersion(e); },
                [&results](const QVariantMap &r) { return results.checkVersion().deserialise(r); },
                QStringLiteral("SOAP_CHECK_VERSION_FAILED_DESERIALISE"),
                9006,
                QStringLiteral("Status_CheckVersion"),
                report(&wsLoginSequenceDelegate::checkVersionCompleted)};
        break;
    case Step::Login:
        info = {call(&wsLoginSequenceDelegate::startLogin),
                [&comms](Error &e) { return comms.doLogin(e); },
                [&results](const QVariantMap &r) {
                    const bool filled = results.login().deserialise(r);
                    results.setBLoggedIn(filled);
                    return filled;
                },
                QStringLiteral("LOGIN_USER_NOT_FOUND"),
                9005,
                QStringLiteral("Status_RemoteLogin"),
                report(&wsLoginSequenceDelegate::loginCompleted)};
        break;
    case Step::PendingButton:
        info = {call(&wsLoginSequenceDelegate::startGetPendingButton),
                [&comms](Error &e) { return comms.doGetPendingFilesButtonDetails(e); },
                [&results](const QVariantMap &r) { return results.pendingFilesButton().deserialise(r); },
                QStringLiteral("SOAP_GET_PENDING_FILES_BUTTON"),
                9006,
                QStringLiteral("Status_GetPendingDetails"),
                report(&wsLoginSequenceDelegate::getPendingButtonCompleted)};
        break;
    case Step::PictureButton:
        info = {call(&wsLoginSequenceDelegate::startGetPictureButton),
                [&comms](Error &e) { return comms.doGetMyPicturesButtonDetails(e); },
                [&results](const QVariantMap &r) { return results.pictureButtonDetails().deserialise(r); },
                QStringLiteral("SOAP_GET_PICTURE_BUTTON_DETAILS"),
                9006,
                QStringLiteral("Status_GetFileDetails"),
                report(&wsLoginSequenceDelegate::getPictureButtonCompleted)};
        break;
    case Step::TopLevelAlbums:
        info = {call(&wsLoginSequenceDelegate::startGetTopLevelAlbums),
                [&comms](Error &e) { return comms.doGetTopLevelAlbums(e); },
                [&results](const QVariantMap &r) { return results.remoteFolderBrowser()->deserialise(r); },
                QStringLiteral("SOAP_REMOTE_FOLDER_BROWSER"),
                9006,
                QStringLiteral("Status_GetRemoteFolders"),
                report(&wsLoginSequenceDelegate::getTopLevelAlbumsCompleted)};
        break;
    }

    info.start();
    Error error;
    const QVariantMap result = info.request(error);
    if (!error) {
        bool filled = false;
        // The shared records are only ever written on the main thread.
        runOnMainThreadAndWait([&] { filled = info.decode(result); });
        if (!filled)
            error = Error::fromMessageKey(loginDomain, info.failureCode, info.failureKey);
        else if (step == Step::CheckVersion && !results.checkVersion().bVersionIsCompatible())
            error =
                Error::fromMessageKey(loginDomain, 9004, QStringLiteral("SOAP_LOGIN_VERSION_NOT_COMPATABLE"));
    }
    setError(error);
    const bool outcome = !error;
    // Whatever window shows the failure, the log file keeps why sign-in stopped.
    if (!outcome)
        VENDRA_DIAG(
            QStringLiteral("Sign-in failed at %1: %2").arg(info.statusKey, error.toString().simplified()));
    if (delegate) {
        delegate->setStatusText(QStringLiteral("%1 %2").arg(
            messageText(info.statusKey),
            messageText(outcome ? QStringLiteral("Text_WasSuccsess") : QStringLiteral("Text_Failed"))));
    }
    info.completed(outcome);
    return outcome;
}
