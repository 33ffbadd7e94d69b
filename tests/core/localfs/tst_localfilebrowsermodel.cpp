#include "localfs/LocalFileBrowserModel.h"

#include "localfs/FileSystemItem.h"
#include "localfs/FileSystemMountedVolumes.h"
#include "localfs/FileSystemPlaces.h"
#include "localfs/LocalFilesMimeType.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>

class TestLocalFileBrowserModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalFileBrowserModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString mountInfo() const { return path(u"mountinfo"_s); }

    QString folder(const QString &relative) const
    {
        QDir().mkpath(path(relative)); // a failure shows in the comparisons that follow
        return path(relative);
    }

    // The tester lists every folder it can reach, so tests of listing on demand go without it.
    void makeModel(bool withTester = true, const QString &bookmarks = {})
    {
        m_tester.reset();
        m_model = std::make_unique<LocalFileBrowserModel>(
            mountInfo(), bookmarks.isEmpty() ? path(u"bookmarks"_s) : bookmarks);
        if (withTester)
            m_tester = std::make_unique<QAbstractItemModelTester>(
                m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    QModelIndex placesIndex() const { return m_model->indexForNode(m_model->placesRoot()); }

    QModelIndex childNamed(const QModelIndex &parent, const QString &name) const
    {
        return m_model->match(m_model->index(0, 0, parent), Qt::DisplayRole, name, 1, Qt::MatchExactly)
            .value(0);
    }

    QStringList names(const QModelIndex &parent) const
    {
        QStringList result;
        for (int row = 0; row < m_model->rowCount(parent); ++row)
            result.append(m_model->index(row, 0, parent).data().toString());
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path(u"config"_s));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_dir->path()));
        QVERIFY(Preferences::init());
        TestFiles::write(mountInfo(), QByteArray());
        for (const QString &name : {u"one"_s, u"two"_s, u"three"_s})
            TestFiles::write(path(u"A/"_s + name + u".jpg"_s), "x");
        folder(u"B"_s);
        Preferences::instance()->setStringList(Preferences::KeyLocalFileSystemPlaces,
                                               {path(u"A"_s), path(u"B"_s)});
        makeModel();
    }

    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
        Preferences::close();
    }

    void aMissingBookmarksFileLeavesHomeFirstAndAFileWrittenLaterIsFollowed()
    {
        const QString home = QDir::homePath();
        const QString config = folder(u"xdg"_s);
        const QString bookmarks = config + u"/gtk-3.0/bookmarks"_s; // neither file nor folder yet
        makeModel(true, bookmarks);
        m_model->setFollowingDesktopBookmarks(true);
        const QString homeName = QFileInfo(home).fileName();
        QCOMPARE(names(placesIndex()).value(0), homeName);
        // A file manager starts and writes its own settings beside the missing bookmarks folder.
        TestFiles::write(config + u"/pcmanfm/default/pcmanfm.conf"_s, "[config]\n");
        QTest::qWait(800);
        QCOMPARE(names(placesIndex()).value(0), homeName);
        // An empty list (no device, so no open folder there) is stored as an empty value, never as
        // an invalid one.
        m_model->saveOpenState();
        Preferences::instance()->synchronize();
        const QByteArray settings = TestFiles::read(UserDefaults::open()->fileName());
        QVERIFY2(!settings.contains("@Invalid"), settings.constData());
        QVERIFY(settings.contains("\nMountsSaveKey=\n"));
        QVERIFY(Preferences::instance()->hashList(Preferences::KeyMountsSave).isEmpty());
        // The devices group comes with a device and goes with the last one.
        const QString stick = folder(u"STICK"_s);
        TestFiles::write(mountInfo(), "40 1 8:17 / " + stick.toUtf8() + " rw - vfat /dev/sdb1 rw\n");
        m_model->devicesRoot()->reloadMountTable();
        QCOMPARE(names({}), (QStringList{messageText(u"Text_DEVICES"_s), messageText(u"Text_PLACES"_s)}));
        QCOMPARE(names(m_model->index(0, 0)), QStringList{u"STICK"_s});
        TestFiles::write(mountInfo(), QByteArray());
        m_model->devicesRoot()->reloadMountTable();
        QCOMPARE(names({}), QStringList{messageText(u"Text_PLACES"_s)});

        // The file manager bookmarks a folder: the places follow, home first.
        const QString c = folder(u"C"_s);
        TestFiles::write(bookmarks, QUrl::fromLocalFile(c).toEncoded() + " C\n");
        QTRY_COMPARE_WITH_TIMEOUT(names(placesIndex()), (QStringList{homeName, u"C"_s}), 1500);
        QCOMPARE(Preferences::instance()->stringList(Preferences::KeyLocalFileSystemPlaces),
                 (QStringList{home, c}));
    }

    // Folders are listed and watched once opened (and what is in them dragged); a deleted one goes
    // with its watches, and closing forgets the children and stops watching.
    void openFoldersAreWatchedUntilDeletedOrClosed()
    {
        folder(u"A/sub/deeper/deepest"_s);
        makeModel(false);
        QVERIFY(!m_model->itemForIndex(childNamed(placesIndex(), u"A"_s))->isOpen());
        makeModel();
        const QModelIndex a = childNamed(placesIndex(), u"A"_s);
        m_model->itemDidExpand(a);
        const QModelIndex sub = childNamed(a, u"sub"_s);
        m_model->itemDidExpand(sub);
        m_model->itemDidExpand(childNamed(sub, u"deeper"_s));
        QCOMPARE(m_model->dirWatch()->watchedPaths().size(), 3);
        // A drag carries the files and places in row order, never a group.
        const QModelIndex places = placesIndex();
        std::unique_ptr<QMimeData> mime(
            m_model->mimeData({childNamed(a, u"two.jpg"_s), childNamed(places, u"B"_s), places,
                               childNamed(a, u"one.jpg"_s), childNamed(a, u"three.jpg"_s)}));
        QStringList expected{u"A/one.jpg"_s, u"A/three.jpg"_s, u"A/two.jpg"_s, u"B"_s};
        QList<QUrl> urls;
        for (QString &file : expected)
            urls.append(QUrl::fromLocalFile(file = path(file)));
        QCOMPARE(mime->data(QString::fromLatin1(kLocalFilesMimeType)), expected.join(u'\n').toUtf8());
        QCOMPARE(mime->urls(), urls);
        QVERIFY(!m_model->mimeData({places}));

        QVERIFY(QDir(path(u"A/sub"_s)).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(names(a), (QStringList{u"one.jpg"_s, u"three.jpg"_s, u"two.jpg"_s}), 1500);
        QTest::qWait(900); // the rest of the burst finds nothing left to refresh
        QCOMPARE(m_model->dirWatch()->watchedPaths(), QStringList{path(u"A"_s)});
        const QPointer<FileSystemItem> child = m_model->itemForIndex(childNamed(a, u"one.jpg"_s));
        m_model->itemDidCollapse(a);
        QVERIFY(!m_model->dirWatch()->isRunning());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!child);
    }
};

VENDRA_TEST_MAIN(TestLocalFileBrowserModel)
#include "tst_localfilebrowsermodel.moc"
