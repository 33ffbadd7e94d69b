#include "localfs/FileSystemItem.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

namespace {

QStringList childNames(FileSystemItem &item)
{
    QStringList names;
    for (FileSystemItem *child : item.children())
        names.append(child->name());
    return names;
}

} // namespace

class TestFileSystemItem : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private Q_SLOTS:
    // Hidden entries are left out; the rest come in a person's order, as the desktop's language
    // sorts (the C locale sorts by code points).
    void childrenAreListedAsAPersonSeesThem()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const QString &name : {u"b10.jpg"_s, u"B2.jpg"_s, u"a.jpg"_s, u"b1.jpg"_s, u"Zeta"_s,
                                    u".hidden"_s, u".config/settings"_s})
            TestFiles::write(path(u"sorted/"_s + name), "x");
        FileSystemItem item(QUrl::fromLocalFile(path(u"sorted"_s)), nullptr);
        QCOMPARE(childNames(item),
                 (QStringList{u"a.jpg"_s, u"b1.jpg"_s, u"B2.jpg"_s, u"b10.jpg"_s, u"Zeta"_s}));
        QLocale::setDefault(QLocale::c());
    }

    void refreshKeepsTheItemsOfEntriesThatStayed()
    {
        for (const QString &name : {u"keep.jpg"_s, u"gone.jpg"_s, u"turns-folder"_s})
            TestFiles::write(path(u"refresh/"_s + name), "x");
        TestFiles::write(path(u"refresh/open/inside.jpg"_s), "x");
        FileSystemItem item(QUrl::fromLocalFile(path(u"refresh"_s)), nullptr); // gone, keep, open, turns
        QPointer<FileSystemItem> gone = item.childAtIndex(0);
        const quint64 keep = item.childAtIndex(1)->serial();
        FileSystemItem *open = item.childAtIndex(2);
        const quint64 openSerial = open->serial();
        QCOMPARE(open->numberOfChildren(), 1); // listed: an open sub-folder
        const quint64 turns = item.childAtIndex(3)->serial();

        QVERIFY(QFile::remove(path(u"refresh/gone.jpg"_s)));
        QVERIFY(QFile::remove(path(u"refresh/turns-folder"_s)));
        QVERIFY(QDir().mkdir(path(u"refresh/turns-folder"_s)));
        TestFiles::write(path(u"refresh/added.jpg"_s), "x");
        item.refreshChildren();

        QCOMPARE(childNames(item),
                 (QStringList{u"added.jpg"_s, u"keep.jpg"_s, u"open"_s, u"turns-folder"_s}));
        QCOMPARE(item.childAtIndex(1)->serial(), keep);
        QCOMPARE(item.childAtIndex(2)->serial(), openSerial);
        QVERIFY(item.childAtIndex(2)->isOpen()); // still listed, children and all
        // A file that became a folder is a new item, which knows it is a folder.
        QVERIFY(item.childAtIndex(3)->serial() != turns);
        QVERIFY(item.childAtIndex(3)->isDirectory());
        // The item of the removed entry goes once control is back in the event loop.
        QVERIFY(gone);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
    }

    // A folder gone after its item was made is open and empty, and stays so until refreshed.
    void aFolderThatCannotBeListedIsOpenAndEmpty()
    {
        const QString folder = path(u"gone"_s);
        TestFiles::write(folder + u"/inside"_s, "x");
        FileSystemItem item(QUrl::fromLocalFile(folder), nullptr);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(item.isValid()); // taken when the item was made
        QVERIFY(!FileSystemItem(QUrl::fromLocalFile(path(u"never"_s)), nullptr).isValid());
        QCOMPARE(item.numberOfChildren(), 0);
        QVERIFY(item.isOpen());
        QCOMPARE(item.childAtIndex(0), nullptr);
        TestFiles::write(folder + u"/inside"_s, "x");
        QCOMPARE(item.numberOfChildren(), 0);
        item.refreshChildren();
        QCOMPARE(item.numberOfChildren(), 1);
    }

    // A folder given with trailing slashes or a percent sign is named and found as itself, and its
    // URL text has no blank. Its hash is a fixed function of that text, the same in every run: it is
    // stored in the settings.
    void pathFormsAndTheirHash()
    {
        for (const auto &[given, name] :
             {std::pair{u"with blank//"_s, u"with blank"_s}, std::pair{u"100% sure"_s, u"100% sure"_s}}) {
            QVERIFY(QDir().mkpath(path(name)));
            FileSystemItem item(QUrl::fromLocalFile(path(given)), nullptr);
            QCOMPARE(item.fullPath(), path(name));
            QCOMPARE(item.name(), name);
            QVERIFY(!item.absolutePath().contains(u' '));
            QCOMPARE(QUrl(item.absolutePath()).toLocalFile(), path(given));
            QCOMPARE(item.hash(), FileSystemItem(QUrl::fromLocalFile(path(name)), nullptr).hash());
        }
        QCOMPARE(FileSystemItem::hashForPath(u"/tmp/a b"_s), 5813632902510926414ULL);
        QCOMPARE(FileSystemItem(QUrl::fromLocalFile(u"/tmp/a b/"_s), nullptr).hash(), 5813632902510926414ULL);
        QVERIFY(FileSystemItem::hashForPath(u"/tmp/a"_s) != FileSystemItem::hashForPath(u"/tmp/b"_s));
    }

    void theTopFolderListsPlainPaths()
    {
        FileSystemItem top(QUrl::fromLocalFile(u"/"_s), nullptr);
        QCOMPARE(top.fullPath(), u"/"_s);
        QCOMPARE(top.name(), messageText(u"Text_ComputerFolderName"_s));
        QVERIFY(top.numberOfChildren() > 0);
        for (const FileSystemItem *child : top.children())
            QCOMPARE(child->fullPath(), u'/' + child->name()); // never "//name"
    }
};

VENDRA_TEST_MAIN(TestFileSystemItem)
#include "tst_filesystemitem.moc"
