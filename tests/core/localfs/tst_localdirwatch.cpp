#include "localfs/LocalDirWatch.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

// Counts the announcements of each object on the workspace centre (until it is destroyed).
class Announcements : public QObject
{
public:
    Announcements()
    {
        NotificationCenter::workspaceCenter().addObserver(
            this, NotificationNames::FileBrowserObjectChanged, [this](const Notification &notification) {
                objects.append(notification.object().value<QObject *>());
            });
    }
    qsizetype count(const QObject *object) const { return objects.count(object); }

    QList<QObject *> objects;
};

} // namespace

class TestLocalDirWatch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QUrl url(const QString &relative) const { return QUrl::fromLocalFile(path(relative)); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(path(u"open/closed"_s)));
    }

    // The same folder open under two parents refreshes both; what is gone, or is no item, is skipped.
    void oneFolderOpenUnderTwoParentsRefreshesBoth()
    {
        LocalDirWatch watch;
        Announcements announcements;
        FileSystemItem first(url(u""_s), nullptr);
        auto second = std::make_unique<FileSystemItem>(url(u"open"_s), nullptr);
        FileSystemItem *viaFirst = first.childAtIndex(0)->childAtIndex(0);
        FileSystemItem *viaSecond = second->childAtIndex(0);
        viaFirst->numberOfChildren();
        viaSecond->numberOfChildren();
        QObject other;
        for (QObject *object : std::initializer_list<QObject *>{viaFirst, viaSecond, &other})
            watch.addPath(path(u"open/closed"_s), object);
        TestFiles::write(path(u"open/closed/new.jpg"_s), "x");
        QTRY_COMPARE_WITH_TIMEOUT(announcements.count(viaFirst), 1, 1500);
        QTRY_COMPARE_WITH_TIMEOUT(announcements.count(viaSecond), 1, 500);
        QCOMPARE(viaFirst->numberOfChildren(), 1);
        QCOMPARE(viaSecond->numberOfChildren(), 1);
        const qsizetype before = announcements.objects.size();
        second.reset();
        watch.pathAltered(path(u"open/closed/"_s));
        QCOMPARE(announcements.objects.mid(before), QList<QObject *>{viaFirst});
    }

    void aFolderRemovedAndMadeAgainIsWatchedAgain_data()
    {
        QTest::addColumn<bool>("quickly");
        QTest::newRow("made again at once") << true; // within one burst
        QTest::newRow("made again later") << false;  // after the loss was noticed
    }

    void aFolderRemovedAndMadeAgainIsWatchedAgain()
    {
        QFETCH(bool, quickly);
        LocalDirWatch watch;
        Announcements announcements;
        // Its parent is not watched: only the folder itself can tell.
        FileSystemItem item(url(u"open/closed"_s), nullptr);
        QCOMPARE(item.numberOfChildren(), 0);
        watch.addPath(item.fullPath(), &item);
        QVERIFY(QDir(path(u"open/closed"_s)).removeRecursively());
        if (!quickly) {
            QTRY_COMPARE_WITH_TIMEOUT(announcements.count(&item), 1, 1500);
            QCOMPARE(item.numberOfChildren(), 0);
            QVERIFY(watch.watchedPaths().isEmpty()); // the kernel dropped the watch with the folder
        }
        QVERIFY(QDir().mkpath(path(u"open/closed"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(watch.watchedPaths() == QStringList{item.fullPath()}, 1500);
        QTest::qWait(800); // the folder's return is announced; what follows is a new change
        const qsizetype before = announcements.count(&item);
        TestFiles::write(path(u"open/closed/new.jpg"_s), "x");
        QTRY_COMPARE_WITH_TIMEOUT(announcements.count(&item), before + 1, 1500);
        QCOMPARE(item.numberOfChildren(), 1);
        QCOMPARE(item.childAtIndex(0)->name(), u"new.jpg"_s);
    }
};

VENDRA_TEST_MAIN(TestLocalDirWatch)
#include "tst_localdirwatch.moc"
