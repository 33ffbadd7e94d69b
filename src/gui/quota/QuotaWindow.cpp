#include "quota/QuotaWindow.h"

#include "common/MessageText.h"
#include "quota/QuotaView.h"

#include <QVBoxLayout>

QuotaWindow::QuotaWindow(QObject *parent)
    : FadableWindowController(std::make_unique<QWidget>(), parent), m_quotaView(new QuotaView(window()))
{
    QWidget *w = window();
    w->setObjectName(QStringLiteral("QuotaWindow"));
    w->setWindowTitle(messageText(QStringLiteral("Text_QuotaTitle")));
    w->setAccessibleName(w->windowTitle());
    auto *layout = new QVBoxLayout(w);
    layout->addWidget(m_quotaView);
    w->adjustSize();
}

void QuotaWindow::showWindow(QObject *sender)
{
    FadableWindowController::showWindow(sender);
    if (isWindowAnimating())
        m_refresh = true;
    else
        refreshView();
}

void QuotaWindow::animationDidStop(bool finished)
{
    FadableWindowController::animationDidStop(finished);
    const bool owed = m_refresh;
    m_refresh = false;
    // A window closed before its fade-in ended has nothing to show; the next showing refreshes.
    if (owed && window()->isVisible())
        refreshView();
}

void QuotaWindow::refreshView()
{
    m_quotaView->refreshView();
}
