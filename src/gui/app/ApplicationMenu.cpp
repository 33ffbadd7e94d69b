#include "app/ApplicationMenu.h"

#include "common/MessageText.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using Action = VendraUploaderAppDelegate::Action;

ApplicationMenu::ApplicationMenu(VendraUploaderAppDelegate &delegate, QMenuBar *bar)
    : QObject(bar), m_delegate(delegate)
{
    QMenu *file = bar->addMenu(messageText(QStringLiteral("Text_MenuFile")));
    file->addAction(addItem(Action::ShowPreferencePanel, "Text_MenuPreferences", QKeySequence::Preferences));
    file->addSeparator();
    file->addAction(addItem(Action::Quit, "Text_MenuQuit", QKeySequence::Quit));
    QMenu *help = bar->addMenu(messageText(QStringLiteral("Text_MenuHelpMenu")));
    help->addAction(addItem(Action::ShowHelp, "Text_MenuHelp", QKeySequence::HelpContents));
    for (QMenu *menu : {file, help})
        connect(menu, &QMenu::aboutToShow, this, &ApplicationMenu::refresh);
    connect(&m_delegate, &VendraUploaderAppDelegate::validationChanged, this, &ApplicationMenu::refresh);
    refresh();
}

QAction *ApplicationMenu::addItem(Action action, const char *key, const QKeySequence &shortcut)
{
    auto *item = new QAction(messageText(QString::fromLatin1(key)), this);
    item->setData(int(action));
    item->setShortcut(shortcut);
    item->setShortcutContext(Qt::WindowShortcut);
    connect(item, &QAction::triggered, this, [this, action] { m_delegate.perform(action); });
    m_items.append(item);
    return item;
}

QAction *ApplicationMenu::itemFor(Action action) const
{
    for (QAction *item : m_items) {
        if (item->data().toInt() == int(action))
            return item;
    }
    return nullptr;
}

void ApplicationMenu::refresh()
{
    for (QAction *item : std::as_const(m_items))
        item->setEnabled(m_delegate.validateItem(Action(item->data().toInt())));
}
