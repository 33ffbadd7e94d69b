#pragma once

#include "windows/FadableWindowController.h"

class QuotaView;

// The quota window: one QuotaView. Every showing fetches the figures again, once the fade-in has
// ended, so the blocking call never stalls the fade. Made on first use and kept; it owns its window.
//
//     if (!m_quotaWindow)
//         m_quotaWindow = std::make_unique<QuotaWindow>();
//     m_quotaWindow->showWindow();
class QuotaWindow : public FadableWindowController
{
    Q_OBJECT

public:
    explicit QuotaWindow(QObject *parent = nullptr);

    QuotaView *quotaView() const { return m_quotaView; }

    // Fades in, then refreshes: at once when no fade is needed, otherwise when it ends.
    void showWindow(QObject *sender = nullptr) override;
    void refreshView();

protected:
    void animationDidStop(bool finished) override;

private:
    QuotaView *m_quotaView;
    // A refresh is owed once the fade-in ends.
    bool m_refresh = false;
};
