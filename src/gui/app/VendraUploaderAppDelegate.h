#pragma once

#include <QObject>

#include <functional>
#include <memory>

class Comms;
class FadableWindowController;
class LogFile;
class LogWindow;
class LoginWindow;
class MainWindow;
class Notification;
class commsGlobals;
class UploadJournal;

// Drives the program's life: starts the diagnostics and the session, chooses between the sign-in
// window and signing in at once, answers every menu and toolbar action and says which are enabled,
// keeps the secondary windows in step with the main ones, and at the end signs out and saves the
// settings. It owns one controller per window, made on first use and reused afterwards.
//
//     VendraUploaderAppDelegate delegate;
//     delegate.applicationDidFinishLaunching();   // a window shows
//     app.exec();                                 // aboutToQuit runs applicationWillTerminate()
class VendraUploaderAppDelegate : public QObject
{
    Q_OBJECT

public:
    // What menu items and toolbar items ask for; the item carries it as its data.
    enum Action {
        Login,
        Logout,
        LogoutAndIn,
        RefreshZRM,
        CancelAllUploads,
        ShowQuota,
        ShowLog,
        ShowPendingFiles,
        ShowMyPictureFiles,
        ShowHelp,
        CheckPendingStatus,
        ShowPreferencePanel,
        Quit,
    };
    Q_ENUM(Action)

    // Polling steps of the synchronous sign-out: at most about one second in all.
    static constexpr int kLogoutPolls = 100;
    static constexpr int kLogoutPollMs = 10;

    explicit VendraUploaderAppDelegate(QObject *parent = nullptr);
    ~VendraUploaderAppDelegate() override;

    // The delegate of the running program, or nullptr when there is none.
    static VendraUploaderAppDelegate *instance();

    // Keeps the upload queue's journal at path from the launch on (the program does; most tests
    // do not). Call before applicationDidFinishLaunching.
    void setUploadJournalPath(const QString &path) { m_journalPath = path; }
    UploadJournal *uploadJournal() const { return m_journal.get(); }

    void applicationDidFinishLaunching();
    // When signed in, asks the server whether files await approval.
    void applicationWillBecomeActive();
    // Stops observing, closes the event log and the crash handler, signs out and saves the settings.
    void applicationWillTerminate();

    // The sign-in window, or the main window with the sign-in started at once.
    void showWindow();
    // False only with automatic sign-in on and server, port, user name and password all present.
    bool requestShowLoginWindow() const;

    void showLoginWindow();
    void showMainWindow();
    void showLogWindow();
    void showQuotaWindow();
    void closeLoginWindow();
    void closeMainWindow();
    void closeLogWindow();
    void closeQutaWindow();
    void closePrefrencesWindow();

    // Runs the action of a menu or toolbar item.
    void perform(Action action);
    bool validateItem(Action action) const;

    void login();
    void logout();
    // changeDetails, when given, changes the live connection settings between the sign-out and the
    // sign-in, so the old session is closed at the server it was opened with; signed out, it only
    // runs changeDetails.
    void logoutAndIn(const std::function<void()> &changeDetails = {});
    void refreshZRM();
    void cancelAllUploads();
    void showQuota();
    void showLog();
    void showPendingFiles();
    void showMyPictureFiles();
    void showHelp();
    void checkPendingStatus();
    void showPreferencePanel();

    // Copies the live session settings into the store; server and user first, since the saved
    // password is keyed by them.
    void saveUserDefaults();
    // Signs out and waits for the server's answer, at most about a second.
    void logoutAndWait();

    LoginWindow *loginWindow() const { return m_loginWindow.get(); }
    MainWindow *mainWindow() const { return m_mainWindow.get(); }
    LogWindow *logWindow() const { return m_logWindow.get(); }
    FadableWindowController *quotaWindow() const { return m_quotaWindow.get(); }
    FadableWindowController *preferenceWindow() const { return m_preferenceWindow.get(); }
    const std::shared_ptr<Comms> &comms() const { return m_comms; }

Q_SIGNALS:
    // The answers of validateItem() may have changed (signed in or out).
    void validationChanged();

private:
    void observe();
    void watchClosing(FadableWindowController *controller);
    void eventWindowClosed(FadableWindowController *controller);
    void eventLoginSuccess();
    void commsPendingStatusUpdate(const Notification &notification);
    void signOutSteps();
    bool isSignedIn() const;
    bool isBusy() const;

    std::unique_ptr<LoginWindow> m_loginWindow;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<LogWindow> m_logWindow;
    std::unique_ptr<FadableWindowController> m_quotaWindow;
    std::unique_ptr<FadableWindowController> m_preferenceWindow;
    std::shared_ptr<Comms> m_comms;
    std::unique_ptr<LogFile> m_logFile;
    QString m_journalPath;
    // Outlives the queue, which commsGlobals owns.
    std::unique_ptr<UploadJournal> m_journal;
    std::unique_ptr<commsGlobals> m_globals;
    bool m_launched = false;
    bool m_terminated = false;
};
