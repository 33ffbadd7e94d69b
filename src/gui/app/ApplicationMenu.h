#pragma once

#include "app/VendraUploaderAppDelegate.h"

#include <QList>
#include <QObject>

class QAction;
class QMenuBar;

// The application's own menu items (Preferences, Help, Quit) for a window that has no menus of its
// own, the sign-in window: a user whose sign-in keeps failing still reaches the preferences (and
// through them the debug log and the report for support), the help and the way out. The items are
// enabled by the delegate's rules, like the main window's.
class ApplicationMenu : public QObject
{
    Q_OBJECT

public:
    ApplicationMenu(VendraUploaderAppDelegate &delegate, QMenuBar *bar);

    // The item of an action, or nullptr when this menu has none.
    QAction *itemFor(VendraUploaderAppDelegate::Action action) const;

private:
    QAction *addItem(VendraUploaderAppDelegate::Action action, const char *key, const QKeySequence &shortcut);
    void refresh();

    VendraUploaderAppDelegate &m_delegate;
    QList<QAction *> m_items;
};
