#include "upload/FolderUploadPlan.h"

#include "TestFiles.h"
#include "VendraTest.h"
#include "session/commsGlobals.h"
#include "upload/UploadQueue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

class TestFolderUploadPlan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString make(const QString &relative, const QByteArray &content = "x")
    {
        return TestFiles::write(m_dir.filePath(relative), content);
    }

    // What the queue got, one line per command, in order.
    static QStringList queued(const UploadQueue &queue)
    {
        QStringList lines;
        for (const UploadStatusPtr &record : queue.waitingCommands()) {
            switch (record->eUploadType()) {
            case UploadCommandFile:
                lines.append(QStringLiteral("upload %1 to %2")
                                 .arg(record->strFilename(), record->remoteFolderParentName()));
                break;
            case UploadCommandCreateFolder:
                lines.append(QStringLiteral("create %1 in %2")
                                 .arg(record->remoteFolderCreateName(), record->remoteFolderParentName()));
                break;
            case UploadCommandGetFolderContents:
                lines.append(QStringLiteral("contents of %1").arg(record->getRemoteFolderContentsFullPath()));
                break;
            }
        }
        return lines;
    }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    // The drop of a folder F (a file a and a folder S holding b) and a file x onto album A.
    void commandsComeDepthFirst()
    {
        make(QStringLiteral("F/a"));
        make(QStringLiteral("F/S/b"));
        const QString x = make(QStringLiteral("x"));
        FolderUploadPlan plan = FolderUploadPlan::createFolderDictionaryForLocalPath(
            QString(), QStringLiteral("A"), QString(), QStringLiteral("A"));
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("F"))));
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(x));
        plan.addFilesAndFoldersTo(QUrl(QStringLiteral("https://example.org/not-local")));
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("vanished"))));

        commsGlobals globals;
        UploadQueue &queue = globals.uploadQueue();
        queue.quit();
        plan.uploadFolderAndFiles(queue, nullptr);
        QCOMPARE(queued(queue), (QStringList{
                                    QStringLiteral("contents of A"),
                                    QStringLiteral("create F in A"),
                                    QStringLiteral("contents of A/F"),
                                    QStringLiteral("create S in A/F"),
                                    QStringLiteral("contents of A/F/S"),
                                    QStringLiteral("upload b to A/F/S"),
                                    QStringLiteral("upload a to A/F"),
                                    QStringLiteral("upload x to A"),
                                }));
        QCOMPARE(plan.fileCount(), 3);
    }

    // Hidden entries inside a folder stay behind; a dropped hidden file itself goes; an empty folder
    // still gets its album.
    void hiddenAndEmpty()
    {
        make(QStringLiteral("T/.hidden"));
        make(QStringLiteral("T/.hiddendir/inside"));
        make(QStringLiteral("T/shown"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("T/empty")));
        const QString dropped = make(QStringLiteral(".dotfile"));

        FolderUploadPlan plan;
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("T"))));
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(dropped));
        QCOMPARE(plan.files, QStringList{dropped});
        QCOMPARE(plan.folders.size(), 1);
        const FolderUploadPlan &t = plan.folders.first();
        QCOMPARE(t.folderName, QStringLiteral("T"));
        QCOMPARE(t.remoteParentFullPath, QString());
        QCOMPARE(t.remoteFullPath, QStringLiteral("T"));
        QCOMPARE(t.files, QStringList{m_dir.filePath(QStringLiteral("T/shown"))});
        QCOMPARE(t.folders.size(), 1);
        QCOMPARE(t.folders.first().remoteFullPath, QStringLiteral("T/empty"));
        QVERIFY(t.folders.first().files.isEmpty());
    }

    // A link back up the tree is not followed again; a link to a folder elsewhere is walked like a
    // folder; pipes and dangling links are left out and named.
    void linksAndSpecialFiles()
    {
        make(QStringLiteral("L/sub/file"));
        make(QStringLiteral("elsewhere/other"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("L")), m_dir.filePath(QStringLiteral("L/sub/up"))));
        QVERIFY(
            QFile::link(m_dir.filePath(QStringLiteral("L/sub")), m_dir.filePath(QStringLiteral("L/self"))));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("elsewhere")),
                            m_dir.filePath(QStringLiteral("L/there"))));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nothing")),
                            m_dir.filePath(QStringLiteral("L/dangling"))));
        QCOMPARE(mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("L/pipe"))).constData(), 0600), 0);

        FolderUploadPlan plan;
        plan.addFilesAndFoldersTo(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("L"))));
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
        QCOMPARE(albums, (QStringList{QStringLiteral("L"), QStringLiteral("L/self"), QStringLiteral("L/sub"),
                                      QStringLiteral("L/there")}));
        QVERIFY(l.files.isEmpty());
        const QStringList skipped = plan.allSkipped();
        QCOMPARE(skipped.size(), 4); // up (twice: below sub and below self), pipe, dangling
        QVERIFY(skipped.filter(QStringLiteral("pipe")).size() == 1);
        QVERIFY(skipped.filter(QStringLiteral("dangling")).size() == 1);
        QCOMPARE(skipped.filter(QStringLiteral("/up:")).size(), 2);
        QCOMPARE(plan.fileCount(), 3); // sub/file, self/file, there/other
    }
};

VENDRA_TEST_MAIN(TestFolderUploadPlan)
#include "tst_folderuploadplan.moc"
