#include "localfs/LocalFileBrowser.h"

#include "localfs/FileSystemCell.h"
#include "localfs/FileSystemItem.h"
#include "localfs/FileSystemMountedVolumes.h"
#include "localfs/FileSystemPlaces.h"
#include "localfs/LocalFileBrowserModel.h"
#include "localfs/LocalFileOutlineView.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"

#include "GuiTest.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolButton>

class TestLocalFileBrowser : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalFileBrowser> m_browser;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString folder(const QString &relative) const
    {
        return QDir().mkpath(path(relative)) ? path(relative) : QString();
    }

    void makeBrowser()
    {
        m_browser.reset();
        m_browser = std::make_unique<LocalFileBrowser>(path(u"mountinfo"_s), path(u"bookmarks"_s));
        m_browser->resize(300, 500);
        m_browser->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_browser.get()));
    }

    LocalFileBrowserModel *model() const { return m_browser->model(); }
    LocalFileOutlineView *view() const { return m_browser->outlineView(); }
    QModelIndex group(FileSystemRoot *root) const { return model()->indexForNode(root); }
    QModelIndex place(int row) const { return model()->index(row, 0, group(model()->placesRoot())); }
    QModelIndex childNamed(const QModelIndex &parent, const QString &name) const
    {
        for (int row = 0; row < model()->rowCount(parent); ++row) {
            if (model()->index(row, 0, parent).data().toString() == name)
                return model()->index(row, 0, parent);
        }
        return {};
    }

    void select(const QModelIndexList &indexes) const
    {
        view()->selectionModel()->clearSelection();
        for (const QModelIndex &index : indexes)
            view()->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!indexes.isEmpty())
            view()->selectionModel()->setCurrentIndex(indexes.last(), QItemSelectionModel::NoUpdate);
    }

    QStringList placeNames() const
    {
        QStringList names;
        for (int row = 0; row < model()->rowCount(group(model()->placesRoot())); ++row)
            names.append(place(row).data().toString());
        return names;
    }

    QStringList storedPlaces() const
    {
        return Preferences::instance()
            ->stringList(Preferences::KeyLocalFileSystemPlaces)
            .value_or(QStringList());
    }

    // Drags a place and lets it go outside the window or inside.
    void dragPlaceOut(int row, bool outside, bool hiddenMeanwhile)
    {
        select({place(row)});
        view()->beginLocalDrag();
        QVERIFY(view()->isLocalDragUnderWay());
        QCOMPARE(model()->itemForIndex(place(row))->hidden(), hiddenMeanwhile);
        const QRect frame = m_browser->window()->frameGeometry();
        view()->endLocalDrag(Qt::IgnoreAction,
                             outside ? frame.bottomRight() + QPoint(50, 50) : frame.center());
        QVERIFY(!view()->isLocalDragUnderWay());
    }
    void follow(bool on)
    {
        Preferences::instance()->setAutoSyncPlacesWithFinder(on);
        Preferences::instance()->sendEventPrefrencesChanged();
        QCOMPARE(m_browser->localMenuButton()->isEnabled(), !on);
    }

    // A drag of files from another program, entering the pane and dropped on it.
    bool dropFromOutside(const QStringList &paths, bool drop)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &file : paths)
            urls.append(QUrl::fromLocalFile(file));
        mime.setUrls(urls);
        const QPoint at = view()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view()->viewport(), &enter);
        if (!drop || !enter.isAccepted())
            return enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view()->viewport(), &dropped);
        return dropped.isAccepted();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path(u"config"_s));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_dir->path()));
        Preferences *preferences = Preferences::init();
        preferences->setAutoSyncPlacesWithFinder(false);
        preferences->setAutoExpandFinderFolders(false);
        const QString stick = folder(u"STICK"_s);
        TestFiles::write(path(u"mountinfo"_s), "40 1 8:17 / " + stick.toUtf8() + " rw - vfat /dev/sdb1 rw\n");
        for (const QString &name : {u"one.jpg"_s, u"two.jpg"_s, u"three.jpg"_s})
            TestFiles::write(path(u"A/"_s + name), "x");
        folder(u"A/sub/deeper"_s);
        folder(u"B"_s);
        preferences->setStringList(Preferences::KeyLocalFileSystemPlaces, {path(u"A"_s), path(u"B"_s)});
        makeBrowser();
    }

    void cleanup()
    {
        m_browser.reset();
        Preferences::close();
    }

    // A new file keeps open folders open and the selection; icons come from the item, not the disk.
    void aNewFileKeepsOpenFoldersOpenAndTheSelection()
    {
        const QModelIndex a = place(0);
        view()->expand(a);
        const QPersistentModelIndex sub = childNamed(a, u"sub"_s);
        view()->expand(sub);
        const QPersistentModelIndex deeper = childNamed(sub, u"deeper"_s);
        QVERIFY(deeper.isValid());
        select({deeper, childNamed(a, u"two.jpg"_s)});
        TestFiles::write(path(u"A/four.jpg"_s), "x");
        TestFiles::write(path(u"A/sub/new.jpg"_s), "x");
        QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(a), 5, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(sub), 2, 2000);
        QVERIFY(view()->isExpanded(a) && view()->isExpanded(sub) && deeper.isValid());
        const QModelIndexList selected = view()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 2);
        QVERIFY(selected[0] == deeper && selected[1].data() == u"two.jpg"_s);

        // A folder that is gone still paints as the folder it was, with no look at the disk; the
        // pane's cell as the view asks it for a row's look.
        QVERIFY(QDir(path(u"A/sub"_s)).removeRecursively());
        struct Cell : FileSystemCell
        {
            using FileSystemCell::initStyleOption;
        } cell;
        const auto iconOf = [&](const QModelIndex &index) {
            QStyleOptionViewItem row;
            row.initFrom(view());
            cell.initStyleOption(&row, index);
            return row.icon.pixmap(16, 16).toImage();
        };
        QCOMPARE(iconOf(sub), cell.iconForPath(u"/anywhere"_s, true, false).pixmap(16, 16).toImage());
        QVERIFY(iconOf(sub) != iconOf(childNamed(place(0), u"one.jpg"_s)));
    }

    // The remove button follows the selection; a place dragged out of the window is removed, let go
    // inside it stays (hidden meanwhile).
    void removeButtonFollowsTheSelection()
    {
        QToolButton *remove = m_browser->removePlaceButton();
        QVERIFY(!remove->isEnabled());
        select({place(0), place(1)});
        QVERIFY(remove->isEnabled());
        view()->expand(place(0));
        select({place(0), place(1), childNamed(place(0), u"sub"_s)});
        QVERIFY(!remove->isEnabled());
        select({model()->index(0, 0, group(model()->devicesRoot()))});
        QVERIFY(!remove->isEnabled());

        QVERIFY(dropFromOutside({folder(u"C"_s)}, true));
        for (const bool outside : {false, true}) {
            dragPlaceOut(1, outside, true);
            QCOMPARE(placeNames(),
                     outside ? (QStringList{u"A"_s, u"C"_s}) : (QStringList{u"A"_s, u"B"_s, u"C"_s}));
            QVERIFY(outside || !model()->itemForIndex(place(1))->hidden());
        }
        select({place(1)});
        remove->click();
        QCOMPARE(placeNames(), QStringList{u"A"_s});
        QCOMPARE(storedPlaces(), QStringList{path(u"A"_s)});
        QVERIFY(!remove->isEnabled());
    }

    // Following the desktop's bookmarks, the places are home and the bookmarks; none may be removed,
    // dragged out or dropped in.
    void followingThePreference()
    {
        TestFiles::write(path(u"bookmarks"_s), QUrl::fromLocalFile(path(u"B"_s)).toEncoded() + '\n');
        follow(true);
        const QString home = QFileInfo(QDir::homePath()).fileName();
        QCOMPARE(placeNames(), (QStringList{home, u"B"_s}));
        select({place(1)});
        QVERIFY(!m_browser->removePlaceButton()->isEnabled());
        dragPlaceOut(1, true, false);
        QCOMPARE(placeNames(), (QStringList{home, u"B"_s}));
        QVERIFY(!dropFromOutside({folder(u"E"_s)}, false));
        Preferences *preferences = Preferences::instance();

        // An unrelated change keeps following: a new bookmark still shows.
        preferences->setNumberSimultaneousUploads(2);
        preferences->sendEventPrefrencesChanged();
        TestFiles::write(path(u"bookmarks"_s), QUrl::fromLocalFile(path(u"A"_s)).toEncoded() + '\n' +
                                                   QUrl::fromLocalFile(path(u"B"_s)).toEncoded() + '\n');
        QTRY_COMPARE_WITH_TIMEOUT(placeNames(), (QStringList{home, u"A"_s, u"B"_s}), 1500);
        follow(false);
        QCOMPARE(placeNames(), (QStringList{home, u"A"_s, u"B"_s}));
    }

    // Places come through the chooser or by drops; resetting them asks first.
    void addingPlacesThroughTheChooserOrByDrops()
    {
        const QString c = folder(u"C"_s);
        QVERIFY(QFile::link(c, path(u"link to C"_s)));
        for (const QString &chosen : {path(u"link to C"_s), path(u"B"_s)}) {
            m_browser->addPlace();
            auto *chooser = m_browser->findChild<QFileDialog *>();
            // First the home folder, then the folder chosen last time.
            QCOMPARE(chooser->directory().absolutePath(), chosen == path(u"B"_s) ? c : QDir::homePath());
            chooser->selectFile(chosen);
            static_cast<QDialog *>(chooser)->accept(); // as the Choose button does
            QTRY_VERIFY(!m_browser->findChild<QFileDialog *>());
        }
        // The link is followed; the folder that is a place already is not added twice.
        QCOMPARE(placeNames(), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
        QCOMPARE(Preferences::instance()->addPlaceURL(), path(u"B"_s));

        // Folders dropped from another program; a place already is refused while dragging, a file too.
        const QString d = folder(u"D"_s), e = folder(u"E"_s);
        QVERIFY(!dropFromOutside({c}, false));
        QVERIFY(!dropFromOutside({d, path(u"A/one.jpg"_s)}, true));
        QCOMPARE(placeNames(), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
        QVERIFY(dropFromOutside({d, e}, true));
        QCOMPARE(placeNames(), (QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s}));
        QCOMPARE(storedPlaces(), (QStringList{path(u"A"_s), path(u"B"_s), c, d, e}));

        // Resetting the places asks first.
        const QString home = QDir::homePath();
        for (const bool confirm : {false, true}) {
            m_browser->resetPlaces();
            const QString label = messageText(confirm ? u"Text_Reset"_s : u"Text_Cancel"_s);
            for (QAbstractButton *button : m_browser->findChild<QMessageBox *>()->buttons()) {
                if (button->text() == label)
                    button->click();
            }
            QTRY_VERIFY(!m_browser->findChild<QMessageBox *>());
            QCOMPARE(placeNames().first(), confirm ? QFileInfo(home).fileName() : u"A"_s);
        }
        QCOMPARE(storedPlaces().first(), home);
    }

    void openFoldersComeBackAtTheNextStart()
    {
        Preferences::instance()->setAutoExpandFinderFolders(true);
        view()->expand(place(0));
        view()->expand(childNamed(place(0), u"sub"_s));
        m_browser->saveOpenState();
        makeBrowser();
        QVERIFY(view()->isExpanded(place(0)));
        const QModelIndex sub = childNamed(place(0), u"sub"_s);
        QVERIFY(view()->isExpanded(sub));
        QCOMPARE(model()->rowCount(sub), 1);
        QVERIFY(!view()->isExpanded(place(1)));
        // Closing a folder forgets it for the next start.
        view()->collapse(place(0));
        m_browser->saveOpenState();
        makeBrowser();
        QVERIFY(!view()->isExpanded(place(0)));
    }
};

VENDRA_GUI_TEST_MAIN(TestLocalFileBrowser)
#include "tst_localfilebrowser.moc"
