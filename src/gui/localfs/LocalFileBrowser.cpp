#include "localfs/LocalFileBrowser.h"

#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"
#include "localfs/FileSystemPlaces.h"
#include "localfs/LocalFileBrowserModel.h"
#include "localfs/LocalFileOutlineView.h"
#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

LocalFileBrowser::LocalFileBrowser(QWidget *parent)
    : LocalFileBrowser(QStringLiteral("/proc/self/mountinfo"), DesktopBookmarks::defaultFile(), parent)
{}

LocalFileBrowser::LocalFileBrowser(const QString &mountInfoFile, const QString &bookmarksFile,
                                   QWidget *parent)
    : QWidget(parent), m_model(new LocalFileBrowserModel(mountInfoFile, bookmarksFile, this))
{
    build();
    NotificationCenter::defaultCenter().addMainThreadObserver(
        this, NotificationNames::EventPreferencesChanged,
        [this](const Notification &) { followPlacesPreference(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &LocalFileBrowser::saveOpenState);

    Preferences *preferences = Preferences::init();
    if (preferences->autoSyncPlacesWithFinder()) {
        m_model->setFollowingDesktopBookmarks(true);
        m_localMenuButton->setEnabled(false);
        m_view->setPlacesEditable(false);
    }
    expandRoots();
    if (preferences->autoExpandFinderFolders())
        restoreOpenState();
}

LocalFileBrowser::~LocalFileBrowser()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void LocalFileBrowser::build()
{
    m_view = new LocalFileOutlineView(this);
    m_view->setLocalModel(m_model);
    connect(m_view, &QTreeView::expanded, m_model, &LocalFileBrowserModel::itemDidExpand);
    connect(m_view, &QTreeView::collapsed, m_model, &LocalFileBrowserModel::itemDidCollapse);
    // A group whose list changed stays open.
    connect(m_model, &LocalFileBrowserModel::rootReloaded, m_view, &QTreeView::expand);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int row = first; row <= last; ++row)
                    m_view->expand(m_model->index(row, 0));
            });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LocalFileBrowser::updateRemovePlaceButton);
    connect(m_model, &QAbstractItemModel::modelReset, this, &LocalFileBrowser::updateRemovePlaceButton);

    m_localMenuButton = new QToolButton(this);
    m_localMenuButton->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    m_localMenuButton->setText(QStringLiteral("+"));
    m_localMenuButton->setToolTip(messageText(QStringLiteral("Text_Places_Menu")));
    m_localMenuButton->setAutoRaise(true);
    m_localMenuButton->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_localMenuButton);
    menu->addAction(messageText(QStringLiteral("Text_Add_Place")), this, &LocalFileBrowser::addPlace);
    menu->addAction(messageText(QStringLiteral("Text_Reset_Places_Menu")), this,
                    &LocalFileBrowser::resetPlaces);
    m_localMenuButton->setMenu(menu);

    m_removePlaceButton = new QToolButton(this);
    m_removePlaceButton->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    m_removePlaceButton->setText(QStringLiteral("\u2212"));
    m_removePlaceButton->setToolTip(messageText(QStringLiteral("Text_Remove_Place")));
    m_removePlaceButton->setAutoRaise(true);
    m_removePlaceButton->setEnabled(false);
    connect(m_removePlaceButton, &QToolButton::clicked, this, &LocalFileBrowser::removePlace);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 2, 4, 2);
    buttons->setSpacing(2);
    buttons->addWidget(m_localMenuButton);
    buttons->addWidget(m_removePlaceButton);
    buttons->addStretch();

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
}

void LocalFileBrowser::expandRoots()
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_view->expand(m_model->index(row, 0));
    m_view->scrollToTop();
}

void LocalFileBrowser::updateRemovePlaceButton()
{
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    const bool placesOnly = !selected.isEmpty() &&
                            std::all_of(selected.begin(), selected.end(),
                                        [this](const QModelIndex &index) { return m_model->isPlace(index); });
    // Places that follow the bookmarks are edited there, not here.
    m_removePlaceButton->setEnabled(placesOnly && !m_model->isFollowingDesktopBookmarks());
}

void LocalFileBrowser::followPlacesPreference()
{
    // Closed at shut-down: nothing left to follow, and nothing to bring back.
    const Preferences *preferences = Preferences::instance();
    if (!preferences)
        return;
    const bool follow = preferences->autoSyncPlacesWithFinder();
    // The menu button tells whether the pane follows already, so unrelated changes change nothing.
    if (follow == !m_localMenuButton->isEnabled())
        return;
    m_model->setFollowingDesktopBookmarks(follow);
    m_localMenuButton->setEnabled(!follow);
    m_view->setPlacesEditable(!follow);
    updateRemovePlaceButton();
}

void LocalFileBrowser::saveOpenState()
{
    m_model->saveOpenState();
}

void LocalFileBrowser::restoreOpenState()
{
    for (FileSystemItem *item : m_model->restoreOpenState())
        m_view->expand(m_model->indexForNode(item));
}

void LocalFileBrowser::addPlace()
{
    const QString stored = Preferences::init()->addPlaceURL();
    auto *chooser =
        new QFileDialog(this, messageText(QStringLiteral("Text_Choose_Directory")),
                        stored.isEmpty() || !QFileInfo(stored).isDir() ? QDir::homePath() : stored);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    chooser->setLabelText(QFileDialog::Accept, messageText(QStringLiteral("Text_Choose")));
    chooser->setWindowModality(Qt::WindowModal);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString &folder) {
        if (folder.isEmpty())
            return;
        // Links are followed, so the place is the folder itself.
        const QString path = QFileInfo(folder).canonicalFilePath();
        m_model->addPlaces({QUrl::fromLocalFile(path.isEmpty() ? folder : path)});
        Preferences *preferences = Preferences::init();
        preferences->setAddPlaceURL(path.isEmpty() ? folder : path);
        preferences->synchronize();
    });
    chooser->open();
}

void LocalFileBrowser::removePlace()
{
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    if (selected.isEmpty() || m_model->isFollowingDesktopBookmarks())
        return;
    m_view->clearSelection();
    m_model->removeItems(selected);
}

void LocalFileBrowser::resetPlaces()
{
    auto *alert =
        new QMessageBox(QMessageBox::Warning, messageText(QStringLiteral("Text_Reset_Places")),
                        messageText(QStringLiteral("Text_Reset_Places")), QMessageBox::NoButton, this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setInformativeText(messageText(QStringLiteral("Text_Reset_Places_Info")));
    QPushButton *reset = alert->addButton(messageText(QStringLiteral("Text_Reset")), QMessageBox::AcceptRole);
    alert->addButton(messageText(QStringLiteral("Text_Cancel")), QMessageBox::RejectRole);
    alert->setDefaultButton(reset);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &QMessageBox::buttonClicked, this, [this, reset](QAbstractButton *button) {
        if (button != reset)
            return;
        m_model->placesRoot()->reset();
        m_model->reload(m_model->placesRoot());
    });
    alert->open();
}

void LocalFileBrowser::refreshFileView()
{
    m_model->createRoot();
    // The new places start without following; resume it while the preference asks for it.
    if (!m_localMenuButton->isEnabled())
        m_model->setFollowingDesktopBookmarks(true);
    m_view->scrollToTop();
    expandRoots();
}
