#include "app/VendraUploaderAppDelegate.h"

#include "albums/remoteFileBrowserHelper.h"
#include "albums/wsSoapAsyncOp.h"
#include "app/ApplicationInfo.h"
#include "app/ApplicationMenu.h"
#include "app/MainWindow.h"
#include "common/AppInfo.h"
#include "diagnostics/CrashHandler.h"
#include "diagnostics/DiagnosticLine.h"
#include "diagnostics/LogFile.h"
#include "events/Log.h"
#include "events/LogWindow.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpProxy.h"
#include "http/HttpRateLimit.h"
#include "http/TrustedCertificates.h"
#include "preferences/PreferenceWindow.h"
#include "quota/QuotaWindow.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "session/wsLoginSequence.h"
#include "settings/Preferences.h"
#include "upload/UploadJournal.h"
#include "upload/UploadQueue.h"
#include "windows/LoginWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

namespace {

VendraUploaderAppDelegate *s_instance = nullptr;

QVariantMap toolbarState(const QString &identifier, bool value)
{
    return {{QStringLiteral("itemIdentifier"), identifier}, {QStringLiteral("value"), value}};
}

void postToolbarState(const QString &identifier, bool value)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::NSToolbarItemSetState, {}, toolbarState(identifier, value));
}

bool openInBrowser(const QVariant &link)
{
    const QUrl url(link.toString());
    return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}

} // namespace

VendraUploaderAppDelegate::VendraUploaderAppDelegate(QObject *parent) : QObject(parent)
{
    s_instance = this;
}

VendraUploaderAppDelegate::~VendraUploaderAppDelegate()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    NotificationCenter::workspaceCenter().removeObserver(this);
    // The windows observe the session's objects, so they go before it.
    m_preferenceWindow.reset();
    m_quotaWindow.reset();
    m_logWindow.reset();
    m_mainWindow.reset();
    m_loginWindow.reset();
    m_globals.reset();
    Log::close();
    CrashHandler::close();
    Preferences::close();
    m_logFile.reset();
    if (s_instance == this)
        s_instance = nullptr;
}

VendraUploaderAppDelegate *VendraUploaderAppDelegate::instance()
{
    return s_instance;
}

void VendraUploaderAppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;

    Log::init();
    m_logFile = std::make_unique<LogFile>();
    CrashHandler::init();

    VENDRA_DIAG(QStringLiteral("=================================="));
    VENDRA_DIAG(QStringLiteral("OSX Uploader Version number : %1")
                    .arg(QLatin1String(ApplicationInfo::UploaderVersionNumber)));
    VENDRA_DIAG(
        QStringLiteral("Application Build Number    : %1").arg(QLatin1String(ApplicationInfo::BuildNumber)));
    if (qEnvironmentVariableIsSet("NSZombieEnabled") ||
        qEnvironmentVariableIsSet("NSAutoreleaseFreedObjectCheckEnabled"))
        VENDRA_DIAG(QStringLiteral("NSZombieEnabled enabled"));
    VENDRA_DIAG(QStringLiteral("=================================="));

    Preferences *preferences = Preferences::init();
    m_globals = std::make_unique<commsGlobals>();
    if (!m_journalPath.isEmpty()) {
        m_journal = std::make_unique<UploadJournal>(m_journalPath);
        commsGlobal->uploadQueue().setJournal(m_journal.get());
    }
    commsGlobal->setServer(preferences->server());
    commsGlobal->setPortNo(preferences->port());
    commsGlobal->setBUseHTTPS(preferences->useHttps());
    commsGlobal->setUserName(preferences->user());
    commsGlobal->setPassword(preferences->password());
    commsGlobal->setBSavePassword(preferences->savePassword());
    commsGlobal->setBDontShowLoginWindow(preferences->autoLogin());
    HttpProxy::setProxy(preferences->proxy());
    // The profile's certificate authorities, stored with vendra-cli profile --ca-cert.
    if (!preferences->caCertificateFile().isEmpty())
        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(preferences->caCertificateFile()));
    HttpRateLimit::setBytesPerSecond(preferences->uploadSpeedLimit());

    m_comms = std::make_shared<Comms>();
    observe();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                applicationWillBecomeActive();
        });
        connect(app, &QCoreApplication::aboutToQuit, this,
                &VendraUploaderAppDelegate::applicationWillTerminate);
    }
    showWindow();
}

void VendraUploaderAppDelegate::observe()
{
    auto &center = NotificationCenter::defaultCenter();
    center.addMainThreadObserver(this, NotificationNames::CommsEventsLoginSuccess,
                                 [this](const Notification &) { eventLoginSuccess(); });
    // Each sign-in state change may change what is enabled.
    for (const QString &name :
         {NotificationNames::CommsEventsLoginStarted, NotificationNames::CommsEventsLoginFailure,
          NotificationNames::CommsEventLogout}) {
        center.addMainThreadObserver(this, name,
                                     [this](const Notification &) { Q_EMIT validationChanged(); });
    }
    // Posted on the checking thread; answered there with a post to the main thread.
    center.addObserver(this, NotificationNames::PendingStatusUpdate,
                       [this](const Notification &notification) { commsPendingStatusUpdate(notification); });
}

void VendraUploaderAppDelegate::applicationWillBecomeActive()
{
    if (isSignedIn())
        checkPendingStatus();
}

void VendraUploaderAppDelegate::applicationWillTerminate()
{
    if (!m_launched || m_terminated)
        return;
    m_terminated = true;
    // Quitting with work left is not giving it up: the journal keeps it for the next start.
    if (commsGlobal)
        commsGlobal->uploadQueue().setJournal(nullptr);
    NotificationCenter::defaultCenter().removeObserver(this);
    NotificationCenter::workspaceCenter().removeObserver(this);
    Log::close();
    CrashHandler::close();
    logoutAndWait();
    saveUserDefaults();
}

// Windows.

void VendraUploaderAppDelegate::showWindow()
{
    if (requestShowLoginWindow()) {
        showLoginWindow();
        return;
    }
    showMainWindow();
    login();
}

bool VendraUploaderAppDelegate::requestShowLoginWindow() const
{
    return !(commsGlobal->bDontShowLoginWindow() && !commsGlobal->server().isEmpty() &&
             !commsGlobal->portNoStr().isEmpty() && !commsGlobal->userName().isEmpty() &&
             !commsGlobal->password().isEmpty());
}

void VendraUploaderAppDelegate::watchClosing(FadableWindowController *controller)
{
    connect(controller, &FadableWindowController::windowWillClose, this,
            &VendraUploaderAppDelegate::eventWindowClosed);
}

void VendraUploaderAppDelegate::showLoginWindow()
{
    if (!m_loginWindow) {
        m_loginWindow = std::make_unique<LoginWindow>();
        new ApplicationMenu(*this, m_loginWindow->menuBar());
        watchClosing(m_loginWindow.get());
        connect(m_loginWindow.get(), &LoginWindow::loginRequested, this, [this] {
            closeLoginWindow();
            showMainWindow();
            login();
        });
    }
    m_loginWindow->showWindow(this);
}

void VendraUploaderAppDelegate::showMainWindow()
{
    if (!m_mainWindow) {
        m_mainWindow = std::make_unique<MainWindow>(*this);
        watchClosing(m_mainWindow.get());
    }
    m_mainWindow->showWindow(this);
}

void VendraUploaderAppDelegate::showLogWindow()
{
    if (!m_logWindow) {
        m_logWindow = std::make_unique<LogWindow>();
        watchClosing(m_logWindow.get());
    }
    m_logWindow->showWindow(this);
}

void VendraUploaderAppDelegate::showQuotaWindow()
{
    if (!m_quotaWindow) {
        m_quotaWindow = std::make_unique<QuotaWindow>();
        watchClosing(m_quotaWindow.get());
    }
    m_quotaWindow->showWindow(this);
}

void VendraUploaderAppDelegate::showPreferencePanel()
{
    if (!m_preferenceWindow) {
        m_preferenceWindow = std::make_unique<PreferenceWindow>();
        watchClosing(m_preferenceWindow.get());
    }
    m_preferenceWindow->showWindow(this);
}

void VendraUploaderAppDelegate::closeLoginWindow()
{
    if (m_loginWindow)
        m_loginWindow->close();
}

void VendraUploaderAppDelegate::closeMainWindow()
{
    if (m_mainWindow)
        m_mainWindow->close();
}

void VendraUploaderAppDelegate::closeLogWindow()
{
    if (m_logWindow)
        m_logWindow->close();
}

void VendraUploaderAppDelegate::closeQutaWindow()
{
    if (m_quotaWindow)
        m_quotaWindow->close();
}

void VendraUploaderAppDelegate::closePrefrencesWindow()
{
    if (m_preferenceWindow)
        m_preferenceWindow->close();
}

void VendraUploaderAppDelegate::eventWindowClosed(FadableWindowController *controller)
{
    if (controller == m_mainWindow.get()) {
        closeLogWindow();
        closeQutaWindow();
        if (isSignedIn())
            closePrefrencesWindow();
    } else if (controller == m_loginWindow.get()) {
        closePrefrencesWindow();
    }
}

// Actions.

void VendraUploaderAppDelegate::perform(Action action)
{
    switch (action) {
    case Login:
        login();
        break;
    case Logout:
        logout();
        break;
    case LogoutAndIn:
        logoutAndIn();
        break;
    case RefreshZRM:
        refreshZRM();
        break;
    case CancelAllUploads:
        cancelAllUploads();
        break;
    case ShowQuota:
        showQuota();
        break;
    case ShowLog:
        showLog();
        break;
    case ShowPendingFiles:
        showPendingFiles();
        break;
    case ShowMyPictureFiles:
        showMyPictureFiles();
        break;
    case ShowHelp:
        showHelp();
        break;
    case CheckPendingStatus:
        checkPendingStatus();
        break;
    case ShowPreferencePanel:
        showPreferencePanel();
        break;
    case Quit:
        QCoreApplication::quit();
        break;
    }
}

bool VendraUploaderAppDelegate::isSignedIn() const
{
    return m_comms && m_comms->bAreLoggedIn();
}

bool VendraUploaderAppDelegate::isBusy() const
{
    return commsGlobal && commsGlobal->uploadQueue().numUploadsInProgressOrWaiting() != 0;
}

bool VendraUploaderAppDelegate::validateItem(Action action) const
{
    if (!commsGlobal)
        return false;
    const bool signedIn = isSignedIn();
    const bool idle = signedIn && !isBusy();
    soapLogin &rights = commsGlobal->results().login();
    switch (action) {
    case RefreshZRM:
    case ShowLog:
    case Logout:
        return idle;
    case CancelAllUploads:
        return signedIn && isBusy();
    case ShowQuota:
        return idle && rights.bSeeQuota();
    case ShowMyPictureFiles:
        return idle && rights.bCanUseMyPicturesButton();
    case ShowPendingFiles:
        return idle && rights.bHavePendingFilesButton();
    case Login:
        // The port text is never empty, so in effect: whenever signed out.
        return !signedIn && (!commsGlobal->server().isEmpty() || !commsGlobal->portNoStr().isEmpty() ||
                             !commsGlobal->userName().isEmpty() || !commsGlobal->password().isEmpty());
    default:
        return true;
    }
}

void VendraUploaderAppDelegate::login()
{
    commsGlobal->loginSequence().startLoginSequence(m_comms);
}

void VendraUploaderAppDelegate::signOutSteps()
{
    auto &center = NotificationCenter::defaultCenter();
    postToolbarState(QStringLiteral("ZRM_Pending"), false);
    center.postNotificationOnMainThreadWithName(NotificationNames::CommsEventLogout);
    commsGlobal->uploadQueue().cancelAllUploads(UploadQueue::SentWhole::Cancelled);
    logoutAndWait();
    commsGlobal->clearRemoteFolderDictionaries();
    commsGlobal->remoteBrowserHelper().clearData();
}

void VendraUploaderAppDelegate::logout()
{
    signOutSteps();
    showLoginWindow();
    if (m_mainWindow) {
        closeMainWindow();
        closeLogWindow();
        closeQutaWindow();
    }
}

void VendraUploaderAppDelegate::logoutAndIn(const std::function<void()> &changeDetails)
{
    if (!isSignedIn()) {
        if (changeDetails)
            changeDetails();
        return;
    }
    signOutSteps();
    if (changeDetails)
        changeDetails();
    closeLogWindow();
    closeQutaWindow();
    login();
}

void VendraUploaderAppDelegate::refreshZRM()
{
    if (m_mainWindow)
        m_mainWindow->refreshZRMView();
}

void VendraUploaderAppDelegate::cancelAllUploads()
{
    commsGlobal->uploadQueue().cancelAllUploads();
}

void VendraUploaderAppDelegate::showQuota()
{
    showQuotaWindow();
}

void VendraUploaderAppDelegate::showLog()
{
    postToolbarState(QStringLiteral("ZRM_Log"), false);
    showLogWindow();
}

void VendraUploaderAppDelegate::showPendingFiles()
{
    if (!openInBrowser(commsGlobal->results().pendingFilesButton().strLink()))
        VENDRA_DIAG(QStringLiteral("Failed to open MyPendingFiles url"));
    checkPendingStatus();
}

void VendraUploaderAppDelegate::showMyPictureFiles()
{
    if (!openInBrowser(commsGlobal->results().pictureButtonDetails().strLink()))
        VENDRA_DIAG(QStringLiteral("Failed to open MyPicturesFiles url"));
}

void VendraUploaderAppDelegate::showHelp()
{
    QDesktopServices::openUrl(ApplicationInfo::UploaderHelpLink());
}

void VendraUploaderAppDelegate::checkPendingStatus()
{
    commsGlobal->coreComms().doGetPendingFilesStatus(std::make_shared<pendingFilesStatusRequest>());
}

// Notifications.

void VendraUploaderAppDelegate::eventLoginSuccess()
{
    saveUserDefaults();
    Q_EMIT validationChanged();
}

void VendraUploaderAppDelegate::commsPendingStatusUpdate(const Notification &notification)
{
    const QVariant object = notification.object();
    if (!object.canConvert<pendingFilesStatusRequestPtr>())
        return;
    const auto request = object.value<pendingFilesStatusRequestPtr>();
    if (!request)
        return;
    postToolbarState(QStringLiteral("ZRM_Pending"), request->bReturnedPendingFilesStatus());
}

// Settings and signing out.

void VendraUploaderAppDelegate::saveUserDefaults()
{
    Preferences *preferences = Preferences::instance();
    if (!preferences || !commsGlobal)
        return;
    preferences->setServer(commsGlobal->server());
    preferences->setPort(commsGlobal->portNo());
    preferences->setUseHttps(commsGlobal->bUseHTTPS());
    preferences->setUser(commsGlobal->userName());
    preferences->setPassword(commsGlobal->password(), commsGlobal->bSavePassword());
    preferences->setAutoLogin(commsGlobal->bDontShowLoginWindow());
    preferences->synchronize();
}

void VendraUploaderAppDelegate::logoutAndWait()
{
    if (!isSignedIn())
        return;
    QElapsedTimer elapsed;
    elapsed.start();
    commsGlobal->soapAsyncOp().requestLogout(m_comms);
    for (int poll = 0; poll < kLogoutPolls && m_comms->bAreLoggedIn(); ++poll)
        QThread::msleep(kLogoutPollMs);
    if (m_comms->bAreLoggedIn())
        VENDRA_DIAG(QStringLiteral("Failed to logout"));
    else
        VENDRA_DIAG(QStringLiteral("Logged out after %1 secs").arg(elapsed.elapsed() / 1000.0, 0, 'f', 2));
}
