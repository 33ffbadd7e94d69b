#include "events/LogWindow.h"

#include "common/MessageText.h"
#include "events/LogView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

LogWindow::LogWindow(QObject *parent)
    : FadableWindowController(std::make_unique<QWidget>(), parent), m_logView(new LogView(window())),
      m_clearButton(new QPushButton(messageText(QStringLiteral("Text_EventLogClear")), window()))
{
    QWidget *w = window();
    w->setObjectName(QStringLiteral("LogWindow"));
    w->setWindowTitle(messageText(QStringLiteral("Text_EventLogTitle")));
    w->setAccessibleName(w->windowTitle());
    m_clearButton->setAccessibleName(m_clearButton->text());
    m_clearButton->setAutoDefault(false);
    connect(m_clearButton, &QPushButton::clicked, m_logView, &LogView::clear);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_clearButton);
    auto *layout = new QVBoxLayout(w);
    layout->addWidget(m_logView);
    layout->addLayout(buttons);
    w->resize(760, 340);
}
