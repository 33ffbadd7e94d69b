#include "preferences/PreferenceWindow.h"

#include "common/MessageText.h"
#include "preferences/PreferencesDebugLogView.h"
#include "preferences/PreferencesGeneralView.h"
#include "preferences/PreferencesProfileView.h"
#include "preferences/PrefrencesSystemInfoView.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

struct PaneItem
{
    const char *titleKey;
    const char *iconName;
    QStyle::StandardPixmap fallback;
};

// In the order of PreferenceWindow::Pane.
const PaneItem kPaneItems[] = {
    {"Text_GeneralPref", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {"Text_ZRMPref", "network-server", QStyle::SP_DriveNetIcon},
    {"Text_DebugPref", "text-x-generic", QStyle::SP_FileDialogContentsView},
    {"Text_SystemPref", "computer", QStyle::SP_ComputerIcon},
};

} // namespace

PreferenceWindow::PreferenceWindow(const QString &logFolder, QObject *parent)
    : FadableWindowController(std::make_unique<QMainWindow>(), parent), m_toolbar(new QToolBar(window())),
      m_content(new QWidget(window())), m_general(new PreferencesGeneralView(m_content)),
      m_profile(new PreferencesProfileView(m_content)),
      m_debug(new PreferencesDebugLogView(logFolder, m_content)),
      m_system(new PrefrencesSystemInfoView(m_content)), m_resize(window(), "size")
{
    auto *main = static_cast<QMainWindow *>(window());
    main->setObjectName(QStringLiteral("PreferencePane"));
    m_toolbar->setObjectName(QStringLiteral("PreferenceToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->toggleViewAction()->setEnabled(false);
    main->addToolBar(m_toolbar);
    main->setUnifiedTitleAndToolBarOnMac(true);

    auto *group = new QActionGroup(this);
    for (int pane = GeneralPane; pane <= SystemPane; ++pane) {
        const PaneItem &item = kPaneItems[pane];
        const QIcon icon =
            QIcon::fromTheme(QString::fromLatin1(item.iconName), main->style()->standardIcon(item.fallback));
        QAction *action = m_toolbar->addAction(icon, messageText(QString::fromLatin1(item.titleKey)));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, pane] { selectPane(Pane(pane)); });
        m_paneActions.append(action);
    }

    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *pane : {static_cast<QWidget *>(m_general), static_cast<QWidget *>(m_profile),
                          static_cast<QWidget *>(m_debug), static_cast<QWidget *>(m_system)})
        pane->hide();
    main->setCentralWidget(m_content);

    // As wide as the widest pane, so that switching panes changes only the height.
    int width = 0;
    for (int pane = GeneralPane; pane <= SystemPane; ++pane)
        width = qMax(width, paneWidget(Pane(pane))->sizeHint().width());
    main->resize(qMax(width, m_toolbar->sizeHint().width()), main->height());

    m_resize.setDuration(kResizeMilliseconds);
    m_resize.setEasingCurve(QEasingCurve::InOutQuad);
    selectPane(GeneralPane, false);
}

QAction *PreferenceWindow::paneAction(Pane pane) const
{
    return m_paneActions.value(pane);
}

QWidget *PreferenceWindow::paneWidget(Pane pane) const
{
    switch (pane) {
    case GeneralPane:
        return m_general;
    case ProfilePane:
        return m_profile;
    case DebugPane:
        return m_debug;
    case SystemPane:
        return m_system;
    }
    return m_general;
}

void PreferenceWindow::showWindow(QObject *sender)
{
    const bool wasShowing = window()->isVisible();
    if (!wasShowing && m_currentPane)
        paneWillShow(m_currentPane, false);
    FadableWindowController::showWindow(sender);
    QWidget *w = window();
    if (!wasShowing) {
        if (const QScreen *screen = w->screen())
            w->move(screen->availableGeometry().center() - w->rect().center());
    }
}

void PreferenceWindow::selectGeneral()
{
    selectPane(GeneralPane);
}

void PreferenceWindow::selectProfile()
{
    selectPane(ProfilePane);
}

void PreferenceWindow::selectDebug()
{
    selectPane(DebugPane);
}

void PreferenceWindow::selectSystem()
{
    selectPane(SystemPane);
}

void PreferenceWindow::selectPane(Pane pane, bool animate)
{
    m_paneActions.at(pane)->setChecked(true);
    addView(paneWidget(pane), m_paneActions.at(pane)->text(), animate);
}

void PreferenceWindow::removeViews()
{
    auto *layout = static_cast<QVBoxLayout *>(m_content->layout());
    for (int pane = GeneralPane; pane <= SystemPane; ++pane) {
        QWidget *widget = paneWidget(Pane(pane));
        if (layout->indexOf(widget) >= 0) {
            layout->removeWidget(widget);
            widget->hide();
        }
    }
    m_currentPane = nullptr;
}

void PreferenceWindow::addView(QWidget *pane, const QString &title, bool animate)
{
    if (pane == m_currentPane)
        return;
    const bool windowVisible = window()->isVisible();
    removeViews();
    window()->setWindowTitle(title);
    window()->setAccessibleName(title);
    paneWillShow(pane, windowVisible);
    static_cast<QVBoxLayout *>(m_content->layout())->addWidget(pane);
    pane->show();
    m_currentPane = pane;
    updateHeight(pane->sizeHint().height(), animate && windowVisible);
}

void PreferenceWindow::paneWillShow(QWidget *pane, bool windowVisible)
{
    if (pane == m_general)
        m_general->viewWillMoveToSuperview();
    else if (pane == m_profile)
        m_profile->viewWillMoveToSuperview(windowVisible);
    else if (pane == m_debug)
        m_debug->viewWillMoveToSuperview();
}

void PreferenceWindow::updateHeight(int height, bool animate)
{
    QWidget *w = window();
    // The toolbar stays; only the content's share of the height changes. The layout first takes
    // in the new pane, so that its minimum size no longer holds the old one's.
    w->layout()->activate();
    const QSize target(w->width(), m_toolbar->sizeHint().height() + height);
    m_resize.stop();
    if (!animate) {
        w->resize(target);
        return;
    }
    m_resize.setStartValue(w->size());
    m_resize.setEndValue(target);
    m_resize.start();
}
