#pragma once

#include "windows/FadableWindowController.h"

class LogView;
class QPushButton;

// The event-log window: the log's table and a button that empties it. Made on first use and kept;
// showWindow() fades it in (or raises it), close() fades it out. It owns its window.
//
//     if (!m_logWindow)
//         m_logWindow = std::make_unique<LogWindow>();
//     m_logWindow->showWindow();
class LogWindow : public FadableWindowController
{
    Q_OBJECT

public:
    explicit LogWindow(QObject *parent = nullptr);

    LogView *logView() const { return m_logView; }
    QPushButton *clearButton() const { return m_clearButton; }

private:
    LogView *m_logView;
    QPushButton *m_clearButton;
};
