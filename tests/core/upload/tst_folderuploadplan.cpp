#include "upload/FolderUploadPlan.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

// The order of the commands a plan queues is tested by the album pane's drops; here, the walk's
// hostile entries.
class TestFolderUploadPlan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString make(const QString &relative, const QByteArray &content = "x")
    {
        return TestFiles::write(m_dir.filePath(relative), content);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // A link back up the tree is not followed again; a link to a folder elsewhere is walked like a
    // folder; pipes and dangling links are left out and named.
    void linksAndSpecialFiles()
    {
        make(u"L/sub/file"_s);
        make(u"elsewhere/other"_s);
        QVERIFY(QFile::link(m_dir.filePath(u"L"_s), m_dir.filePath(u"L/sub/up"_s)));
        QVERIFY(QFile::link(m_dir.filePath(u"L/sub"_s), m_dir.filePath(u"L/self"_s)));
        QVERIFY(QFile::link(m_dir.filePath(u"elsewhere"_s), m_dir.filePath(u"L/there"_s)));
        QVERIFY(QFile::link(m_dir.filePath(u"nothing"_s), m_dir.filePath(u"L/dangling"_s)));
        QCOMPARE(mkfifo(QFile::encodeName(m_dir.filePath(u"L/pipe"_s)).constData(), 0600), 0);

        FolderUploadPlan plan;
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(u"L"_s)));
        const FolderUploadPlan &l = plan.folders.first();
        QStringList albums;
        std::function<void(const FolderUploadPlan &)> walk = [&](const FolderUploadPlan &p) {
            for (const FolderUploadPlan &child : p.folders) {
                albums.append(child.remoteFullPath);
                walk(child);
            }
        };
        walk(plan);
        albums.sort();
        // "self" is a second way into sub, not one of its ancestors: it is walked once as a folder.
        QCOMPARE(albums, (QStringList{u"L"_s, u"L/self"_s, u"L/sub"_s, u"L/there"_s}));
        QVERIFY(l.files.isEmpty());
        QStringList skipped;
        for (const FolderUploadPlan::LeftOut &entry : plan.allSkipped())
            skipped.append(entry.text());
        QCOMPARE(skipped.size(), 4); // up (twice: below sub and below self), pipe, dangling
        QVERIFY(skipped.filter(u"pipe"_s).size() == 1);
        QVERIFY(skipped.filter(u"dangling"_s).size() == 1);
        QCOMPARE(skipped.filter(u"/up:"_s).size(), 2);
        QCOMPARE(plan.fileCount(), 3); // sub/file, self/file, there/other
    }

    // Names that are not valid UTF-8 cannot be opened under any QString; they are named, not lost:
    // a file and a folder found by the walk, and an item dropped by a file manager as a URL.
    void namesThatAreNotUtf8()
    {
        make(u"U/good"_s);
        const QByteArray folder = QFile::encodeName(m_dir.filePath(u"U"_s));
        QCOMPARE(::mkdir(QByteArray(folder + "/dir\xff").constData(), 0700), 0);
        QFile file;
        QVERIFY(file.open(::open(QByteArray(folder + "/file\xc3(").constData(), O_CREAT | O_WRONLY, 0600),
                          QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.close();
        // Hidden as QDir counts hidden: left out quietly, as every hidden entry is.
        QCOMPARE(::mkdir(QByteArray(folder + "/.hidden\xff").constData(), 0700), 0);

        FolderUploadPlan plan;
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(u"U"_s)));
        plan.addFilesAndFoldersTo(QUrl::fromEncoded(QByteArray("file://") + folder + "/dropped%FF.jpg"));
        QStringList bad = plan.allUndecodableNames();
        bad.sort();
        QCOMPARE(bad, (QStringList{m_dir.filePath(u"U/dir\uFFFD"_s),
                                   QFile::decodeName(folder + "/dropped\xff.jpg"),
                                   m_dir.filePath(u"U/file\uFFFD("_s)}));
        QCOMPARE(plan.fileCount(), 1);
        QVERIFY(plan.allSkipped().isEmpty());
    }
};

VENDRA_TEST_MAIN(TestFolderUploadPlan)
#include "tst_folderuploadplan.moc"
