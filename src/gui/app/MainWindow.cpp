#include "app/MainWindow.h"

#include "albums/RemoteFileBrowser.h"
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/wsExpandHelper.h"
#include "app/ApplicationInfo.h"
#include "common/MessageText.h"
#include "controls/NSAlertAttributed.h"
#include "controls/NSToolbarItemWithState.h"
#include "controls/ProgressSpinner.h"
#include "controls/SupportReportMessage.h"
#include "diagnostics/CrashHandler.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/TransportFailure.h"
#include "localfs/LocalFileBrowser.h"
#include "session/LoginFailureMessage.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "session/wsLoginSequence.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "upload/BatchNotifier.h"
#include "upload/ResumeOffer.h"
#include "upload/UploadBatchProgress.h"
#include "upload/UploadJournal.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueList.h"
#include "upload/UploadStatus.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <memory>

using Action = VendraUploaderAppDelegate::Action;

namespace {

QIcon themeIcon(const char *name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

void postToolbarState(const QString &identifier, const QVariant &value)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::NSToolbarItemSetState, {},
        {{QStringLiteral("itemIdentifier"), identifier}, {QStringLiteral("value"), value}});
}

QString batchSummary(const UploadBatchProgress::Figures &now)
{
    const auto size = [](quint64 bytes) {
        return commsGlobals::convertBytesToString(bytes);
    };
    const QString text = messageText(now.secondsLeft ? QStringLiteral("Text_BatchProgress")
                                                     : QStringLiteral("Text_BatchProgressNoEstimate"))
                             .arg(now.filesDone)
                             .arg(now.filesTotal);
    const QString bytes = size(now.bytesDone), total = size(now.bytesTotal),
                  speed = size(quint64(now.bytesPerSecond));
    if (!now.secondsLeft)
        return text.arg(bytes, total, speed);
    return text.arg(bytes, total, speed, UploadBatchProgress::duration(*now.secondsLeft));
}

ProgressSpinner *spinner(QWidget *parent, int side)
{
    auto *spinner = new ProgressSpinner(parent);
    spinner->setFixedSize(side, side);
    return spinner;
}

} // namespace

MainWindow::MainWindow(VendraUploaderAppDelegate &delegate, QObject *parent)
    : FadableWindowController(std::make_unique<QMainWindow>(), parent), m_delegate(delegate)
{
    build();
    hideRemoteView();
    observe();
    setStatusShown(false);
    setStatusOpacity(0.0);
    m_fadeOutStatusTimer.setInterval(kStatusTickMs);
    connect(&m_fadeOutStatusTimer, &QTimer::timeout, this, &MainWindow::doFadeoutStatusTimer);
    m_fadeOutStatusTimer.start();
    connect(&m_delegate, &VendraUploaderAppDelegate::validationChanged, this, &MainWindow::refreshToolbar);
    refreshToolbar();
}

MainWindow::~MainWindow()
{
    m_fadeOutStatusTimer.stop();
    NotificationCenter::defaultCenter().removeObserver(this);
}

QMainWindow *MainWindow::mainWidget() const
{
    return static_cast<QMainWindow *>(window());
}

void MainWindow::build()
{
    QMainWindow *w = mainWidget();
    w->setObjectName(QStringLiteral("MainWindow"));
    w->setWindowTitle(messageText(QStringLiteral("Text_MainWindowTitle")));
    w->setAccessibleName(w->windowTitle());

    auto *central = new QWidget(w);
    m_localFileBrowser = new LocalFileBrowser(central);
    m_localFileBrowser->setAccessibleName(messageText(QStringLiteral("Text_MainLocalPane")));

    m_remoteFileBrowser = new RemoteFileBrowser(central);
    m_remoteFileBrowser->setAccessibleName(messageText(QStringLiteral("Text_MainRemotePane")));

    m_splitView = new QSplitter(Qt::Horizontal, central);
    m_splitView->setObjectName(QStringLiteral("splitView"));
    m_splitView->addWidget(m_localFileBrowser);
    m_splitView->addWidget(m_remoteFileBrowser);
    m_splitView->setStretchFactor(0, 2);
    m_splitView->setStretchFactor(1, 3);
    m_splitView->setChildrenCollapsible(false);

    m_uploadList = new UploadQueueList(central);
    auto *panes = new QSplitter(Qt::Vertical, central);
    panes->addWidget(m_splitView);
    panes->addWidget(m_uploadList);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 1);
    panes->setChildrenCollapsible(false);

    m_progressIndicator = spinner(central, 16);
    m_progressIndicator->setAccessibleName(messageText(QStringLiteral("Text_MainBusy")));
    m_progressText = new QLabel(central);
    m_progressText->setAccessibleName(messageText(QStringLiteral("Text_MainStatus")));
    m_progressIndicatorLarge = spinner(central, 24);
    m_progressIndicatorLarge->setAccessibleName(messageText(QStringLiteral("Text_MainSigningIn")));
    m_progressIndicatorLarge->hide();
    m_textOpacity = new QGraphicsOpacityEffect(m_progressText);
    m_progressText->setGraphicsEffect(m_textOpacity);
    m_spinnerOpacity = new QGraphicsOpacityEffect(m_progressIndicator);
    m_progressIndicator->setGraphicsEffect(m_spinnerOpacity);

    auto *statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(8, 2, 8, 4);
    statusRow->addWidget(m_progressIndicator);
    statusRow->addWidget(m_progressText, 1);
    statusRow->addWidget(m_progressIndicatorLarge);
    // Keeps the row's height while the line is hidden, so the panes do not jump.
    auto *strut = new QWidget(central);
    strut->setFixedSize(0, m_progressText->sizeHint().height());
    statusRow->addWidget(strut);

    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panes, 1);
    layout->addLayout(statusRow);
    w->setCentralWidget(central);

    QWidget::setTabOrder(m_localFileBrowser, m_remoteFileBrowser);
    QWidget::setTabOrder(m_remoteFileBrowser, m_uploadList);

    m_statusAnimation = new QVariantAnimation(this);
    connect(m_statusAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setStatusOpacity(value.toReal()); });

    buildActions();
    buildMenus();
    buildToolbar();
    m_batchNotifier = new BatchNotifier(w, this);
    connect(m_batchNotifier, &BatchNotifier::batchEnded, this, &MainWindow::batchEnded);
    w->resize(1100, 720);
}

QAction *MainWindow::addItem(Action action, const QString &key, const QIcon &icon,
                             const QKeySequence &shortcut, bool onToolbar)
{
    auto *item = new QAction(icon, messageText(key), this);
    item->setData(int(action));
    item->setShortcut(shortcut);
    item->setShortcutContext(Qt::WindowShortcut);
    connect(item, &QAction::triggered, this, [this, action] { m_delegate.perform(action); });
    (onToolbar ? m_toolbarItems : m_menuItems).append(item);
    return item;
}

void MainWindow::buildActions()
{
    addItem(Action::RefreshZRM, QStringLiteral("Text_ToolbarRefresh"),
            themeIcon("view-refresh", QStyle::SP_BrowserReload), QKeySequence::Refresh);
    addItem(Action::CancelAllUploads, QStringLiteral("Text_ToolbarCancelAll"),
            themeIcon("process-stop", QStyle::SP_BrowserStop), QKeySequence(Qt::CTRL | Qt::Key_Period));
    addItem(Action::ShowQuota, QStringLiteral("Text_ToolbarQuota"),
            themeIcon("drive-harddisk", QStyle::SP_DriveHDIcon), QKeySequence(Qt::CTRL | Qt::Key_I));

    const QIcon logImage = themeIcon("dialog-information", QStyle::SP_FileDialogDetailedView);
    m_logItem = new NSToolbarItemWithState(NSToolbarItemWithState::LogIdentifier,
                                           NSToolbarItemWithState::badgedImages(logImage), this);
    m_logItem->setText(messageText(QStringLiteral("Text_ToolbarLog")));
    m_logItem->setData(int(Action::ShowLog));
    m_logItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    connect(m_logItem, &QAction::triggered, this, [this] { m_delegate.perform(Action::ShowLog); });
    m_toolbarItems.append(m_logItem);

    const QIcon pendingImage = themeIcon("mail-send", QStyle::SP_FileDialogInfoView);
    m_pendingItem = new NSToolbarItemWithState(NSToolbarItemWithState::PendingIdentifier,
                                               NSToolbarItemWithState::badgedImages(pendingImage), this);
    m_pendingItem->setText(messageText(QStringLiteral("Text_ToolbarPending")));
    m_pendingItem->setData(int(Action::ShowPendingFiles));
    connect(m_pendingItem, &QAction::triggered, this,
            [this] { m_delegate.perform(Action::ShowPendingFiles); });
    m_toolbarItems.append(m_pendingItem);

    addItem(Action::ShowMyPictureFiles, QStringLiteral("Text_ToolbarMyPictures"),
            themeIcon("folder-pictures", QStyle::SP_DirHomeIcon));
    addItem(Action::Logout, QStringLiteral("Text_ToolbarLogout"),
            themeIcon("system-log-out", QStyle::SP_DialogCloseButton),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));

    addItem(Action::Login, QStringLiteral("Text_MenuLogin"), {}, QKeySequence(Qt::CTRL | Qt::Key_L), false);
    addItem(Action::ShowPreferencePanel, QStringLiteral("Text_MenuPreferences"), {},
            QKeySequence::Preferences, false);
    addItem(Action::ShowHelp, QStringLiteral("Text_MenuHelp"), {}, QKeySequence::HelpContents, false);
    addItem(Action::Quit, QStringLiteral("Text_MenuQuit"), {}, QKeySequence::Quit, false);
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = mainWidget()->menuBar();
    QMenu *file = bar->addMenu(messageText(QStringLiteral("Text_MenuFile")));
    file->addAction(itemFor(Action::Login));
    file->addAction(itemFor(Action::Logout));
    file->addSeparator();
    auto *upload = file->addAction(messageText(QStringLiteral("Text_MenuUpload")), this,
                                   &MainWindow::uploadFromFilePanel);
    upload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    upload->setObjectName(QStringLiteral("uploadItem"));
    auto *remove =
        file->addAction(messageText(QStringLiteral("Text_MenuDelete")), this, &MainWindow::deleteSelection);
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
    remove->setObjectName(QStringLiteral("deleteItem"));
    file->addAction(itemFor(Action::CancelAllUploads));
    file->addAction(m_uploadList->retryAllFailedAction());
    file->addAction(m_uploadList->pauseAction());
    file->addSeparator();
    file->addAction(itemFor(Action::ShowPreferencePanel));
    file->addSeparator();
    file->addAction(itemFor(Action::Quit));

    QMenu *view = bar->addMenu(messageText(QStringLiteral("Text_MenuView")));
    view->addAction(itemFor(Action::RefreshZRM));
    view->addAction(itemFor(Action::ShowQuota));
    view->addAction(itemFor(Action::ShowLog));
    view->addAction(itemFor(Action::ShowPendingFiles));
    view->addAction(itemFor(Action::ShowMyPictureFiles));
    if (ApplicationInfo::UploaderSupportsFullscreen) {
        view->addSeparator();
        auto *full = view->addAction(messageText(QStringLiteral("Text_MenuFullScreen")), this,
                                     &MainWindow::toggleFullScreen);
        full->setShortcut(QKeySequence::FullScreen);
    }

    QMenu *help = bar->addMenu(messageText(QStringLiteral("Text_MenuHelpMenu")));
    help->addAction(itemFor(Action::ShowHelp));
}

void MainWindow::buildToolbar()
{
    m_toolbar = mainWidget()->addToolBar(messageText(QStringLiteral("Text_ToolbarName")));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setAccessibleName(m_toolbar->windowTitle());
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (QAction *item : std::as_const(m_toolbarItems)) {
        m_toolbar->addAction(item);
        if (QWidget *button = m_toolbar->widgetForAction(item))
            button->setAccessibleName(item->text());
    }
    for (QAction *item : {m_uploadList->pauseAction(), m_uploadList->retryAllFailedAction()}) {
        m_toolbar->addAction(item);
        if (QWidget *button = m_toolbar->widgetForAction(item))
            button->setAccessibleName(item->text());
    }
    m_toolbar->addWidget(new QWidget(m_toolbar));
}

QAction *MainWindow::itemFor(Action action) const
{
    for (const QList<QAction *> *items : {&m_toolbarItems, &m_menuItems}) {
        for (QAction *item : *items) {
            if (item->data().toInt() == int(action))
                return item;
        }
    }
    return nullptr;
}

void MainWindow::observe()
{
    auto &center = NotificationCenter::defaultCenter();
    auto on = [this, &center](const QString &name, std::function<void(const Notification &)> handler) {
        center.addMainThreadObserver(this, name, std::move(handler));
    };
    on(NotificationNames::CommsEventsLoginStarted,
       [this](const Notification &n) { commsEventLoginStarted(n.object()); });
    on(NotificationNames::CommsEventsLoginStateChange, [this](const Notification &n) {
        showStatus(false);
        setStatusMessage(n.object());
    });
    on(NotificationNames::CommsEventsLoginSuccess,
       [this](const Notification &n) { commsEventLoginSuccess(n.object()); });
    on(NotificationNames::CommsEventsLoginFailure,
       [this](const Notification &n) { commsEventLoginFailure(n.object()); });
    on(NotificationNames::CommsEventLogout, [this](const Notification &) { commsEventLogout(); });
    on(NotificationNames::EventLogItemAdded, [this](const Notification &) {
        postToolbarState(NSToolbarItemWithState::LogIdentifier, true);
        refreshToolbar();
    });
    on(NotificationNames::UploadEventQueueStatusUpdate, [this](const Notification &n) {
        m_isUploading = n.object().toLongLong() != 0;
        refreshToolbar();
    });
    on(NotificationNames::UploadEventQueuePendingUpdate, [](const Notification &n) {
        if (n.object().canConvert<UploadStatusPtr>()) {
            if (const UploadStatusPtr status = n.object().value<UploadStatusPtr>())
                postToolbarState(NSToolbarItemWithState::PendingIdentifier, status->bPending() ? 1 : 0);
        }
    });
    on(NotificationNames::EventPreferencesChanged, [this](const Notification &) {
        if (const Preferences *preferences = Preferences::instance())
            setLeftPanelShown(!preferences->disableFinder());
    });
    on(NotificationNames::ExpandEventCompleted,
       [this](const Notification &) { m_remoteFileBrowser->setEnabled(true); });
}

// Showing and full screen.

void MainWindow::showWindow(QObject *sender)
{
    FadableWindowController::showWindow(sender);
    if (const Preferences *preferences = Preferences::instance())
        setLeftPanelShown(!preferences->disableFinder());
    if (!ApplicationInfo::UploaderSupportsFullscreen)
        return;
    const bool wasFullScreen = UserDefaults::open()->value(FullscreenStateKey, false).toBool();
    if (wasFullScreen != window()->isFullScreen())
        toggleFullScreen();
}

void MainWindow::toggleFullScreen()
{
    QWidget *w = window();
    w->setWindowState(w->windowState() ^ Qt::WindowFullScreen);
}

void MainWindow::rememberFullScreen()
{
    UserDefaults::open()->setValue(FullscreenStateKey, window()->isFullScreen());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::WindowStateChange)
        rememberFullScreen();
    return FadableWindowController::eventFilter(watched, event);
}

void MainWindow::setLeftPanelShown(bool shown)
{
    m_localFileBrowser->setVisible(shown);
}

// The status line.

void MainWindow::setStatusOpacity(qreal opacity)
{
    m_textOpacity->setOpacity(opacity);
    m_spinnerOpacity->setOpacity(opacity);
}

void MainWindow::setStatusShown(bool shown)
{
    m_progressText->setVisible(shown);
    m_progressIndicator->setVisible(shown);
}

bool MainWindow::isStatusVisible() const
{
    return !m_progressText->isHidden() && m_textOpacity->opacity() > 0.0;
}

qreal MainWindow::statusOpacity() const
{
    return m_textOpacity->opacity();
}

void MainWindow::setStatusMessage(const QVariant &message)
{
    if (message.typeId() == QMetaType::QString) {
        m_progressText->setText(message.toString());
        m_fadeOutStatusCounter = kStatusTicks;
    } else {
        m_progressText->clear();
        m_fadeOutStatusCounter = 1;
    }
}

void MainWindow::showStatus(bool animated)
{
    m_fadeOutStatusCounter = kStatusTicks;
    m_statusAnimation->stop();
    if (animated) {
        m_statusAnimation->setKeyValues({{0.0, statusOpacity()}, {1.0, 1.0}});
        m_statusAnimation->setDuration(kStatusFadeMs);
        m_statusAnimation->start();
    } else {
        setStatusOpacity(1.0);
    }
    setStatusShown(true);
}

void MainWindow::hideStatus(bool animated)
{
    m_statusAnimation->stop();
    if (animated) {
        // Holds full for 1.5 s, then fades for 0.5 s.
        const qreal hold = qreal(kStatusHoldMs) / (kStatusHoldMs + kStatusFadeMs);
        m_statusAnimation->setDuration(kStatusHoldMs + kStatusFadeMs);
        m_statusAnimation->setKeyValues({{0.0, 1.0}, {hold, 1.0}, {1.0, 0.0}});
        m_statusAnimation->start();
    } else {
        setStatusShown(false);
        setStatusOpacity(0.0);
    }
}

void MainWindow::doFadeoutStatusTimer()
{
    // A paused queue stays in view until it is resumed.
    if (commsGlobal && commsGlobal->uploadQueue().isPaused()) {
        const QString paused = messageText(QStringLiteral("Text_QueuePaused"));
        if (m_progressText->text() != paused || !isStatusVisible()) {
            m_progressText->setText(paused);
            showStatus(false);
        }
        m_fadeOutStatusCounter = kStatusTicks;
        return;
    }
    if (showBatchProgress()) {
        m_fadeOutStatusCounter = kStatusTicks;
        return;
    }
    if (m_fadeOutStatusCounter < 1)
        return;
    if (--m_fadeOutStatusCounter == 0)
        hideStatus(false);
}

bool MainWindow::showBatchProgress()
{
    UploadBatchProgress *progress = m_batchNotifier->progress();
    if (!progress)
        return false;
    // Brought up to date every few ticks, and at once when something else took the line.
    const bool shown = !m_batchSummary.isEmpty() && m_progressText->text() == m_batchSummary &&
                       !m_progressText->isHidden() && statusOpacity() == 1.0;
    if (shown && ++m_batchSummaryAge < kBatchSummaryTicks)
        return true;
    progress->update();
    if (progress->figures().filesTotal == 0)
        return shown;
    m_batchSummaryAge = 0;
    m_batchSummary = batchSummary(progress->figures());
    m_progressText->setText(m_batchSummary);
    if (!shown)
        showStatus(false);
    return true;
}

void MainWindow::batchEnded(int arrived, int failed)
{
    if (std::exchange(m_batchSummary, {}).isEmpty())
        return;
    if (arrived > 0 || failed > 0)
        setStatusMessage(messageText(QStringLiteral("Text_BatchDoneBody")).arg(arrived).arg(failed));
    else
        setStatusMessage(QVariant());
}

void MainWindow::startSpinners(bool spinning)
{
    m_progressIndicatorLarge->setVisible(spinning);
    for (ProgressSpinner *indicator : {m_progressIndicator, m_progressIndicatorLarge}) {
        if (spinning)
            indicator->startAnimation();
        else
            indicator->stopAnimation();
    }
}

// Panes and toolbar.

void MainWindow::hideRemoteView()
{
    m_remoteFileBrowser->setEnabled(false);
    m_uploadList->setEnabled(false);
}

void MainWindow::showRemoteView()
{
    m_remoteFileBrowser->setEnabled(true);
    m_uploadList->setEnabled(true);
}

bool MainWindow::validateToolbarItem(const QAction *item) const
{
    return m_toolbarActive && m_delegate.validateItem(Action(item->data().toInt()));
}

bool MainWindow::validateMenuItem(const QAction *item) const
{
    return m_delegate.validateItem(Action(item->data().toInt()));
}

void MainWindow::refreshToolbar()
{
    for (QAction *item : std::as_const(m_toolbarItems))
        item->setEnabled(validateToolbarItem(item));
    for (QAction *item : std::as_const(m_menuItems))
        item->setEnabled(validateMenuItem(item));
}

void MainWindow::activateToolbar()
{
    m_toolbarActive = true;
    refreshToolbar();
    offerToResume();
}

void MainWindow::offerToResume()
{
    UploadJournal *journal = m_delegate.uploadJournal();
    if (!journal || m_resumeSheet)
        return;
    auto offer = std::make_shared<ResumeOffer>(*journal);
    if (offer->fileCount() == 0) {
        offer->discard();
        return;
    }
    NSAlertAttributed *sheet =
        newSheet(offer->message(), QString(),
                 {messageText(QStringLiteral("Text_Resume")), messageText(QStringLiteral("Text_Discard"))});
    m_resumeSheet = sheet;
    sheet->beginSheetModalForWindow(window(), [offer](int code) {
        if (code == NSAlertAttributed::AlertFirstButtonReturn && commsGlobal)
            offer->resume(commsGlobal->uploadQueue());
        else
            offer->discard();
    });
}

// Signing in.

void MainWindow::commsEventLoginStarted(const QVariant &status)
{
    commsGlobal->clearRemoteFolderDictionaries();
    commsGlobal->remoteBrowserHelper().clearData();
    showStatus(false);
    startSpinners(true);
    setStatusMessage(status);
    m_toolbarActive = false;
    m_isUploading = false;
    refreshToolbar();
}

void MainWindow::commsEventLoginSuccess(const QVariant &status)
{
    showStatus(false);
    startSpinners(false);
    postToolbarState(NSToolbarItemWithState::PendingIdentifier,
                     commsGlobal->results().pendingFilesButton().bDisplayed() != 0);
    setStatusMessage(status);
    showRemoteView();
    hideStatus(true);
    m_remoteFileBrowser->setupHelper(&commsGlobal->remoteBrowserHelper());
    m_remoteFileBrowser->expandRoot();

    CrashHandler *crashHandler = CrashHandler::instance();
    const bool crashed = crashHandler && crashHandler->didCrashAtLastSession();
    const bool latest = commsGlobal->bRunningLatestVersion();
    m_toolbarActive = !crashed && latest;
    m_isUploading = false;
    refreshToolbar();
    if (!latest)
        showCompatibleUpgradeOptions();

    VENDRA_DIAG(QStringLiteral("=================================="));
    VENDRA_DIAG(QStringLiteral("SOAP Version        %1").arg(commsGlobal->strLatestVersion()));
    VENDRA_DIAG(QStringLiteral("=================================="));

    if (m_toolbarActive)
        offerToResume();
    if (crashed) {
        VENDRA_DIAG(QStringLiteral("The last run did not end in order: offering a report for support"));
        crashHandler->setDidCrashAtLastSession(false);
        NSAlertAttributed *sheet = newSheet(
            messageText(QStringLiteral("Text_Crash")), messageText(QStringLiteral("Text_Crash_Info")),
            {messageText(QStringLiteral("Text_Create_Zip")), messageText(QStringLiteral("Text_Ignore"))});
        sheet->beginSheetModalForWindow(window(), [this](int code) { crashDetectionEnded(code); });
    }
}

void MainWindow::crashDetectionEnded(int returnCode)
{
    if (returnCode == NSAlertAttributed::AlertFirstButtonReturn)
        SupportReportMessage::makeReport(window());
    activateToolbar();
}

void MainWindow::commsEventLoginFailure(const QVariant &status)
{
    startSpinners(false);
    setStatusMessage(status);
    m_toolbarActive = false;
    refreshToolbar();
    hideStatus(true);
    showLoginFailureMessage();
}

void MainWindow::commsEventLogout()
{
    m_batchSummary.clear();
    m_toolbarActive = false;
    m_isUploading = false;
    refreshToolbar();
    hideRemoteView();
    hideStatus(false);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
        NotificationNames::EventLogClear);
}

// Dialogs.

NSAlertAttributed *MainWindow::newSheet(const QString &message, const QString &informative,
                                        const QStringList &buttons)
{
    auto *sheet = new NSAlertAttributed(window());
    sheet->setMessageText(message);
    sheet->setInformativeText(informative);
    sheet->setReturnButtonTitle(buttons.value(0));
    sheet->setOtherButtonTitle(buttons.value(1));
    sheet->setCancelButtonTitle(buttons.value(2));
    m_sheet = sheet;
    return sheet;
}

void MainWindow::showLoginFailureMessage()
{
    const Error error = commsGlobal->loginSequence().error();
    const LoginFailureMessage message =
        LoginFailureMessage::forError(error, commsGlobal->server(), commsGlobal->bUseHTTPS());
    switch (message.kind()) {
    case LoginFailureMessage::NoFailure:
        return;
    case LoginFailureMessage::IncompatibleVersion:
        showIncompatibleUpgradeOptions();
        return;
    default:
        showLoginFailure(message, error);
    }
}

void MainWindow::showLoginFailure(const LoginFailureMessage &message, const Error &error)
{
    NSAlertAttributed *sheet =
        newSheet(message.messageText(), message.informativeText(), message.buttonTitles());
    // Closing the sheet answers as its second button does, so trust needs that button itself. The
    // sheet ends within the button's click, before this hears of it, so the choice is read after.
    auto trustChosen = std::make_shared<bool>(false);
    if (message.offersTrust())
        connect(sheet->otherButton(), &QPushButton::clicked, sheet, [trustChosen] { *trustChosen = true; });
    const QString serverKey = TransportFailure::serverKey(error);
    const QString fingerprint = TransportFailure::certificate(error).fingerprint();
    sheet->beginSheetModalForWindow(window(), [this, trustChosen, serverKey, fingerprint](int code) {
        if (code != NSAlertAttributed::AlertSecondButtonReturn) {
            m_delegate.logout();
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, trustChosen, serverKey, fingerprint] {
                Preferences *preferences = Preferences::instance();
                if (!*trustChosen || !preferences) {
                    m_delegate.logout();
                    return;
                }
                VENDRA_DIAG(QStringLiteral("Trusting the certificate %1 for %2").arg(fingerprint, serverKey));
                preferences->setTrustedCertificate(serverKey, fingerprint);
                preferences->sendEventPrefrencesChanged();
                m_delegate.login();
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::showCompatibleUpgradeOptions()
{
    NSAlertAttributed *sheet = newSheet(
        messageText(QStringLiteral("Text_NewVersion")), messageText(QStringLiteral("Text_NewVersionMsg")),
        {messageText(QStringLiteral("Text_QuitAndOpen")), messageText(QStringLiteral("Text_Later"))});
    sheet->beginSheetModalForWindow(window(), [this](int code) {
        if (code == NSAlertAttributed::AlertFirstButtonReturn) {
            QDesktopServices::openUrl(QUrl(commsGlobal->strURLForLatestVersion()));
            QCoreApplication::quit();
            return;
        }
        activateToolbar();
    });
}

void MainWindow::showIncompatibleUpgradeOptions()
{
    NSAlertAttributed *sheet =
        newSheet(messageText(QStringLiteral("Text_IncompatibleVersion")),
                 messageText(QStringLiteral("Text_IncompatibleVersionMsg")),
                 {messageText(QStringLiteral("Text_QuitAndOpen")), messageText(QStringLiteral("Text_Quit"))});
    sheet->beginSheetModalForWindow(window(), [](int code) {
        if (code == NSAlertAttributed::AlertFirstButtonReturn)
            QDesktopServices::openUrl(QUrl(commsGlobal->strURLForLatestVersion()));
        if (code == NSAlertAttributed::AlertFirstButtonReturn ||
            code == NSAlertAttributed::AlertSecondButtonReturn)
            QCoreApplication::quit();
    });
}

// The album tree.

void MainWindow::refreshZRMView()
{
    m_fadeOutStatusCounter = kStatusTicks;
    m_progressText->setText(messageText(QStringLiteral("Status_RRFolders")));
    m_statusAnimation->stop();
    setStatusOpacity(1.0);
    setStatusShown(true);

    remoteFileBrowserHelper &helper = commsGlobal->remoteBrowserHelper();
    const soapRemoteFolderBrowserPtr &root = commsGlobal->results().remoteFolderBrowser();
    QStringList expanded;
    const bool reExpand = Preferences::instance() && Preferences::instance()->reExpandFoldersOnRefresh();
    if (reExpand) {
        expanded.reserve(100);
        wsExpandHelper::getExpandedItems(
            [this, &helper](const RemoteTreeEntry *node) {
                const QModelIndex index = helper.indexForNode(node);
                return index.isValid() && m_remoteFileBrowser->isExpanded(index);
            },
            root, expanded);
        m_remoteFileBrowser->setEnabled(false);
    }

    helper.clearData();
    commsGlobal->clearRemoteFolderDictionaries();

    Error error;
    const QVariantMap reply = commsGlobal->coreComms().doGetTopLevelAlbums(error);
    const bool decoded = !error && root->deserialise(reply);
    if (decoded) {
        helper.reloadAnItemAndChildren(root.get());
        m_remoteFileBrowser->expand(helper.rootIndex());
    }
    if (decoded && reExpand)
        commsGlobal->expandHelper().expandFolders(expanded, &helper);
    else
        m_remoteFileBrowser->setEnabled(true);
    hideStatus(true);
}

// Keyboard routes for the focused pane.

void MainWindow::uploadFromFilePanel()
{
    if (m_remoteFileBrowser->isEnabled())
        m_remoteFileBrowser->uploadFileClicked();
}

void MainWindow::deleteSelection()
{
    if (m_uploadList->hasFocus())
        m_uploadList->deleteSelectedEntries();
    else if (m_remoteFileBrowser->hasFocus())
        m_remoteFileBrowser->queryDeleteItems();
}
