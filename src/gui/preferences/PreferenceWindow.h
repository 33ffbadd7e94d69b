#pragma once

#include "windows/FadableWindowController.h"

#include <QPropertyAnimation>

class PreferencesDebugLogView;
class PreferencesGeneralView;
class PreferencesProfileView;
class PrefrencesSystemInfoView;
class QAction;
class QToolBar;

// The preferences window: a toolbar that picks one of four panes (general switches, the server
// profile, the live debug log and the system information). The window's title is the pane's, and
// its height follows the pane with the top edge kept in place. Made on first use and kept.
//
//     if (!m_preferenceWindow)
//         m_preferenceWindow = std::make_unique<PreferenceWindow>();
//     m_preferenceWindow->showWindow();
class PreferenceWindow : public FadableWindowController
{
    Q_OBJECT

public:
    enum Pane { GeneralPane, ProfilePane, DebugPane, SystemPane };

    // How long a change of height takes when animated.
    static constexpr int kResizeMilliseconds = 150;

    // logFolder: what the debug pane follows; the program's own log folder by default.
    explicit PreferenceWindow(const QString &logFolder = {}, QObject *parent = nullptr);

    // Fades in; a window that was not showing is centred and its pane filled from the store again.
    void showWindow(QObject *sender = nullptr) override;

    void selectGeneral();
    void selectProfile();
    void selectDebug();
    void selectSystem();
    void selectPane(Pane pane, bool animate = true);

    // Replaces the pane shown by this one, titles the window after it and fits the height to it.
    void addView(QWidget *pane, const QString &title, bool animate);
    // Sets the content's height, keeping the window's top edge where it is.
    void updateHeight(int height, bool animate);

    QAction *paneAction(Pane pane) const;
    PreferencesGeneralView *general() const { return m_general; }
    PreferencesProfileView *profile() const { return m_profile; }
    QWidget *currentPane() const { return m_currentPane; }

private:
    void removeViews();
    // What each pane does before it shows: fill from the store, start following the log.
    void paneWillShow(QWidget *pane, bool windowVisible);
    QWidget *paneWidget(Pane pane) const;

    QToolBar *m_toolbar;
    QWidget *m_content;
    PreferencesGeneralView *m_general;
    PreferencesProfileView *m_profile;
    PreferencesDebugLogView *m_debug;
    PrefrencesSystemInfoView *m_system;
    QList<QAction *> m_paneActions;
    QWidget *m_currentPane = nullptr;
    QPropertyAnimation m_resize;
};
