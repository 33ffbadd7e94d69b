#pragma once

#include "app/VendraUploaderAppDelegate.h"
#include "controls/NSAlertAttributed.h"
#include "windows/FadableWindowController.h"

#include <QList>
#include <QPointer>
#include <QTimer>

class BatchNotifier;
class Error;
class LocalFileBrowser;
class LoginFailureMessage;
class NSToolbarItemWithState;
class ProgressSpinner;
class QAction;
class QGraphicsOpacityEffect;
class QLabel;
class QMainWindow;
class QSplitter;
class QToolBar;
class QVariantAnimation;
class RemoteFileBrowser;
class UploadQueueList;

// The main window: the local disk on the left (a pane that hides and shows), the server's albums on
// the right, the upload list below, a toolbar whose items follow the sign-in state, and a status
// line that fades out about two seconds after its last message. It follows the sign-in through the
// session's notifications and shows the sign-in failure, upgrade and crash dialogs.
class MainWindow : public FadableWindowController
{
    Q_OBJECT

public:
    // Ticks of the status line: 0.1 s each, 20 for a message.
    static constexpr int kStatusTickMs = 100;
    static constexpr int kStatusTicks = 20;
    // A batch's summary changes every 5 ticks, slowly enough to be read.
    static constexpr int kBatchSummaryTicks = 5;
    // The animated hide: the line stays for 1.5 s, then fades for 0.5 s.
    static constexpr int kStatusHoldMs = 1500;
    static constexpr int kStatusFadeMs = 500;
    static inline const QString FullscreenStateKey = QStringLiteral("mainWindowFullscreenStateKey");

    explicit MainWindow(VendraUploaderAppDelegate &delegate, QObject *parent = nullptr);
    ~MainWindow() override;

    // Fades in, shows or hides the local pane per the preference and restores full screen.
    void showWindow(QObject *sender = nullptr) override;

    // Rebuilds the album tree from the server, opening again the albums that were open.
    void refreshZRMView();

    // A string sets the line for 20 ticks; anything else empties it and hides it at the next tick.
    void setStatusMessage(const QVariant &message);
    void showStatus(bool animated);
    void hideStatus(bool animated);
    // One tick of the status line.
    void doFadeoutStatusTimer();

    void hideRemoteView();
    void showRemoteView();

    // Enables every toolbar item the delegate allows, while the toolbar is active.
    void refreshToolbar();
    bool validateToolbarItem(const QAction *item) const;
    bool validateMenuItem(const QAction *item) const;

    void showLoginFailureMessage();
    // The failure sheet; for an untrusted certificate its "Trust This Certificate" button trusts the
    // certificate of the error for its server and signs in again.
    void showLoginFailure(const LoginFailureMessage &message, const Error &error);
    void showCompatibleUpgradeOptions();
    void showIncompatibleUpgradeOptions();

    QMainWindow *mainWidget() const;
    LocalFileBrowser *localFileBrowser() const { return m_localFileBrowser; }
    RemoteFileBrowser *remoteFileBrowser() const { return m_remoteFileBrowser; }
    UploadQueueList *uploadList() const { return m_uploadList; }
    QSplitter *splitView() const { return m_splitView; }
    QToolBar *toolbar() const { return m_toolbar; }
    QLabel *progressText() const { return m_progressText; }
    ProgressSpinner *progressIndicator() const { return m_progressIndicator; }
    ProgressSpinner *progressIndicatorLarge() const { return m_progressIndicatorLarge; }
    // The status line as it shows now: visible and its opacity.
    bool isStatusVisible() const;
    qreal statusOpacity() const;
    bool toolbarActive() const { return m_toolbarActive; }
    bool isUploading() const { return m_isUploading; }
    // The toolbar's item (or menu item) of an action.
    QAction *itemFor(VendraUploaderAppDelegate::Action action) const;
    NSToolbarItemWithState *logItem() const { return m_logItem; }
    NSToolbarItemWithState *pendingItem() const { return m_pendingItem; }
    BatchNotifier *batchNotifier() const { return m_batchNotifier; }
    // The sheet now open on the window, if any.
    NSAlertAttributed *currentSheet() const { return m_sheet; }

private:
    void build();
    void buildActions();
    void buildMenus();
    void buildToolbar();
    void observe();
    QAction *addItem(VendraUploaderAppDelegate::Action action, const QString &key, const QIcon &icon,
                     const QKeySequence &shortcut = {}, bool onToolbar = true);
    void setStatusOpacity(qreal opacity);
    void setStatusShown(bool shown);
    void startSpinners(bool spinning);
    // While a batch of uploads runs the status line sums it up: files, bytes, speed, time left.
    // False when there is nothing to sum up.
    bool showBatchProgress();
    // At a batch's end the line says what arrived and what failed, then fades as any message does.
    void batchEnded(int arrived, int failed);
    void setLeftPanelShown(bool shown);
    void uploadFromFilePanel();
    void deleteSelection();
    void toggleFullScreen();
    void rememberFullScreen();
    NSAlertAttributed *newSheet(const QString &message, const QString &informative,
                                const QStringList &buttons);

    void commsEventLoginStarted(const QVariant &status);
    void commsEventLoginSuccess(const QVariant &status);
    void commsEventLoginFailure(const QVariant &status);
    void commsEventLogout();
    void crashDetectionEnded(int returnCode);
    void activateToolbar();
    // Once the toolbar is usable after sign-in: what the last run left, if anything, is offered.
    void offerToResume();

    bool eventFilter(QObject *watched, QEvent *event) override;

    VendraUploaderAppDelegate &m_delegate;
    QLabel *m_progressText = nullptr;
    ProgressSpinner *m_progressIndicator = nullptr;
    ProgressSpinner *m_progressIndicatorLarge = nullptr;
    LocalFileBrowser *m_localFileBrowser = nullptr;
    RemoteFileBrowser *m_remoteFileBrowser = nullptr;
    UploadQueueList *m_uploadList = nullptr;
    QSplitter *m_splitView = nullptr;
    QToolBar *m_toolbar = nullptr;
    QGraphicsOpacityEffect *m_textOpacity = nullptr;
    QGraphicsOpacityEffect *m_spinnerOpacity = nullptr;
    QVariantAnimation *m_statusAnimation = nullptr;
    int m_fadeOutStatusCounter = 0;
    QTimer m_fadeOutStatusTimer;
    bool m_toolbarActive = false;
    bool m_isUploading = false;
    QString m_batchSummary; // the batch's summary as last shown, if it is
    int m_batchSummaryAge = 0;

    QList<QAction *> m_toolbarItems;
    QList<QAction *> m_menuItems;
    NSToolbarItemWithState *m_logItem = nullptr;
    NSToolbarItemWithState *m_pendingItem = nullptr;
    QPointer<NSAlertAttributed> m_sheet;
    QPointer<NSAlertAttributed> m_resumeSheet;
    BatchNotifier *m_batchNotifier = nullptr;
};
