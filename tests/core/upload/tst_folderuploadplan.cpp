#include "upload/FolderUploadPlan.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

// The order of the commands, pipes, links back up the tree and files whose names are not UTF-8 are
// tested end to end by the uploads of hostile trees; here, the walk's other odd entries.
class TestFolderUploadPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A second way into a folder and a link to a folder elsewhere are walked as folders; a dangling
    // link is left out and named. A folder whose name is not UTF-8, and an item dropped as a URL
    // that is not, are named, not lost; a hidden one is left out quietly, as every hidden entry is.
    void oddEntriesAreWalkedOrNamed()
    {
        QTemporaryDir dir;
        const auto at = [&dir](const QString &relative) {
            return dir.filePath(relative);
        };
        TestFiles::write(at(u"L/sub/file"_s), "x");
        TestFiles::write(at(u"elsewhere/other"_s), "x");
        QVERIFY(QFile::link(at(u"L/sub"_s), at(u"L/self"_s)));
        QVERIFY(QFile::link(at(u"elsewhere"_s), at(u"L/there"_s)));
        QVERIFY(QFile::link(at(u"nothing"_s), at(u"L/dangling"_s)));
        const QByteArray folder = QFile::encodeName(at(u"L"_s));
        QCOMPARE(::mkdir(QByteArray(folder + "/dir\xff").constData(), 0700), 0);
        QCOMPARE(::mkdir(QByteArray(folder + "/.hidden\xff").constData(), 0700), 0);

        FolderUploadPlan plan;
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(at(u"L"_s)));
        plan.addFilesAndFoldersTo(QUrl::fromEncoded("file://" + folder + "/dropped%FF.jpg"));
        QStringList albums;
        for (const FolderUploadPlan &child : plan.folders.first().folders)
            albums.append(child.remoteFullPath);
        albums.sort();
        QCOMPARE(albums, (QStringList{u"L/self"_s, u"L/sub"_s, u"L/there"_s}));
        QCOMPARE(plan.fileCount(), 3); // sub/file, self/file, there/other
        QCOMPARE(plan.allSkipped().size(), 1);
        QVERIFY(plan.allSkipped().first().text().contains(u"dangling"_s));
        QStringList bad = plan.allUndecodableNames();
        bad.sort();
        QCOMPARE(bad, (QStringList{at(u"L/dir\uFFFD"_s), QFile::decodeName(folder + "/dropped\xff.jpg")}));
    }
};

VENDRA_TEST_MAIN(TestFolderUploadPlan)
#include "tst_folderuploadplan.moc"
