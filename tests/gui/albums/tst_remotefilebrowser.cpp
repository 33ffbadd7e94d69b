#include "albums/RemoteFileBrowser.h"

#include "AlbumTree.h"
#include "FileAccessOverride.h"
#include "GuiTest.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "albums/RemoteBrowserMenuRules.h"
#include "albums/UploadFilePanel.h"
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsExpandHelper.h"
#include "albums/wsSoapAsyncOp.h"
#include "controls/NSAlertAttributed.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "localfs/FileSystemCellEditor.h"
#include "localfs/LocalFilesMimeType.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "settings/Preferences.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueListModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>

using Model = remoteFileBrowserHelper;
using Rules = RemoteBrowserMenuRules;

// The album pane against the reference server, offscreen, with Qt's model checker on its model.
class TestRemoteFileBrowser : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<RemoteFileBrowser> m_view;
    QTemporaryDir m_files;
    QObject m_observer;
    int m_expandsCompleted = 0;

    Model &model() { return m_globals->remoteBrowserHelper(); }
    RemoteFileBrowser &view() { return *m_view; }
    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    soapRemoteFolderItemPtr album(const QString &path) { return AlbumTree::album(*m_globals, path); }
    QModelIndex indexOf(const QString &path) { return model().indexForNode(album(path).get()); }
    QStringList labels(const QModelIndex &parent) { return AlbumTree::labels(model(), parent); }

    // Signs in to a fresh server (with the given options, after the given administration commands)
    // and shows the pane with the top level open, as the main window does at sign-in.
    void start(const QList<QStringList> &admin = {}, const QStringList &options = {})
    {
        m_server = startServerFor(*m_globals, options);
        for (const QStringList &command : admin)
            QCOMPARE(m_server->runAdmin(command), 0);
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        refresh();
        m_view = std::make_unique<RemoteFileBrowser>();
        m_view->resize(500, 400);
        m_view->setupHelper(&model());
        m_view->expandRoot();
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    // What a refresh does to the tree: everything goes, the top level is read again.
    void refresh()
    {
        Error error;
        QVERIFY(AlbumTree::reloadTopLevel(*m_globals, error));
        QVERIFY2(!error, qPrintable(error.toString()));
        model().reloadAnItemAndChildren(root().get());
    }
    void upload(const QString &albumPath, const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names)
            urls.append(QUrl::fromLocalFile(TestFiles::write(m_files.filePath(name), name.toUtf8())));
        QVERIFY(model().uploadFiles(urls, indexOf(albumPath)));
        waitForUploads();
    }
    void waitForUploads(int timeoutMs = 20000)
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0),
                                  timeoutMs);
    }
    // Opens an album through the view and waits until it is open with its contents.
    void open(const QString &path)
    {
        view().expand(indexOf(path));
        QTRY_VERIFY_WITH_TIMEOUT(indexOf(path).isValid() && view().isExpanded(indexOf(path)), 10000);
    }
    void select(const QList<QModelIndex> &rows)
    {
        view().selectionModel()->clearSelection();
        for (const QModelIndex &row : rows)
            view().selectionModel()->select(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Selects the rows and checks the menu: a capital letter names an action that must be on, a small
    // one an action that must be off (c new album, d delete, r rename, u upload).
    void checkMenu(const QList<QModelIndex> &rows, const QString &expected)
    {
        select(rows);
        const int tags[] = {Rules::CreateFolderTag, Rules::DeleteTag, Rules::RenameTag, Rules::UploadTag};
        for (const QChar letter : expected) {
            QAction *action = view().actionForTag(tags[u"cdru"_s.indexOf(letter.toLower())]);
            QVERIFY2(action->isEnabled() == letter.isUpper(), qPrintable(QString(letter)));
        }
    }
    QPoint centreOf(const QModelIndex &row)
    {
        return view().visualRect(row.siblingAtColumn(Model::FileColumn)).center();
    }
    // Drags the data over the row, as a file manager does: entering the pane there if asked.
    void dragOver(const QModelIndex &row, const QMimeData &data, bool entering = true)
    {
        QDragEnterEvent enter(centreOf(row), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDragMoveEvent move(centreOf(row), Qt::CopyAction, &data, Qt::LeftButton, {});
        if (entering)
            QApplication::sendEvent(view().viewport(), &enter);
        QApplication::sendEvent(view().viewport(), &move);
    }
    // Drags the data over the row and drops it there; true when accepted.
    bool dropOnto(const QModelIndex &row, const QMimeData &data)
    {
        dragOver(row, data);
        QDropEvent dropped(centreOf(row), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view().viewport(), &dropped);
        return dropped.isAccepted();
    }
    bool dropTree(const QString &tree)
    {
        QMimeData uris;
        uris.setUrls({QUrl::fromLocalFile(tree)});
        return dropOnto(indexOf(u"Family"_s), uris);
    }
    // The name editor while one is open.
    FileSystemCellEditor *nameEditor()
    {
        auto *editor = view().findChild<FileSystemCellEditor *>();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    NSAlertAttributed *sheet() { return view().findChild<NSAlertAttributed *>(); }
    // The rows that stay in the upload list, as local path to the reason shown.
    static QMap<QString, QString> failedRows(const UploadQueueListModel &list)
    {
        QMap<QString, QString> rows;
        for (int row = 0; row < list.rowCount(); ++row) {
            const UploadStatusPtr record = list.uploadAt(row);
            rows.insert(record->localFilePath().toLocalFile(),
                        UploadQueueListModel::isShownFailed(*record) ? record->error() : u"(not failed)"_s);
        }
        return rows;
    }
    // The event-log entries after the first ones, as path to message.
    static QMap<QString, QString> loggedAfter(qint64 first)
    {
        QMap<QString, QString> logged;
        for (Log *log = Log::instance(); first < log->count(); ++first)
            logged.insert(log->objectAtIndex(first).path(), log->objectAtIndex(first).message());
        return logged;
    }
    void waitIdle() { m_globals->soapAsyncOp().waitForDone(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        Preferences::init();
        Log::init();
        NotificationCenter::defaultCenter().addMainThreadObserver(
            &m_observer, NotificationNames::ExpandEventCompleted,
            [this](const Notification &) { ++m_expandsCompleted; });
    }
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(true);
    }
    void cleanup()
    {
        if (m_globals) {
            waitIdle();
            m_globals->expandHelper().waitForDone();
        }
        m_view.reset();
        m_tester.reset();
        m_globals.reset();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }
    void cleanupTestCase()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        Log::close();
        Preferences::close();
    }

    void menuFollowsTheSelectionAndTheRights()
    {
        // The server names 0 as a top-level album's parent: such an album answers to the top-level
        // rights, an album inside another to the sub-album rights.
        start({{u"user"_s, u"set"_s, u"demo"_s, u"--rights"_s,
                u"all,-CreateTopLevelAlbum,-RenameTopLevelAlbum,-DeleteSubAlbum"_s},
               {u"album"_s, u"flags"_s, u"demo"_s, u"Holidays"_s, u"create-under=0"_s, u"delete=0"_s}});
        upload(u"Family"_s, {u"one.jpg"_s, u"two.jpg"_s});
        const QModelIndex rootRow = model().rootIndex();
        const QModelIndex family = indexOf(u"Family"_s);
        const QModelIndex asset = model().index(0, 0, family);
        QCOMPARE(labels(family), (QStringList{u"one.jpg"_s, u"two.jpg"_s}));
        // Under the root only the top-level right counts; under an album its own flag as well.
        checkMenu({rootRow}, u"cdru"_s);
        checkMenu({indexOf(u"Holidays"_s)}, u"cU"_s);
        checkMenu({family}, u"CrD"_s);
        checkMenu({asset}, u"cuR"_s);
        // Two rows: nothing that needs one row, delete when both pass; the root among them refuses.
        checkMenu({family, asset}, u"cruD"_s);
        checkMenu({rootRow, asset}, u"d"_s);
        // An empty selection may delete: there is nothing to ask about.
        checkMenu({}, u"D"_s);
        open(u"Holidays"_s);
        checkMenu({indexOf(u"Holidays/2019"_s)}, u"Rd"_s);

        // The Delete key asks with the count of what may go; with nothing deletable, not at all.
        select({indexOf(u"Holidays"_s)});
        QTest::keyClick(&view(), Qt::Key_Delete);
        QTest::qWait(50);
        QVERIFY(!sheet());

        const QModelIndex assets = indexOf(u"Family"_s);
        select({indexOf(u"Holidays"_s), model().index(0, 0, assets), model().index(1, 0, assets)});
        QTest::keyClick(&view(), Qt::Key_Backspace);
        QTRY_VERIFY(sheet());
        QCOMPARE(sheet()->informativeText(), u"This will delete 2 item(s) permanetly"_s);
        sheet()->done(NSAlertAttributed::AlertSecondButtonReturn); // no: nothing goes
        QTRY_VERIFY(!sheet());
        waitIdle();
        QCOMPARE(labels(indexOf(u"Family"_s)).size(), 2);

        QTest::keyClick(&view(), Qt::Key_Delete);
        QTRY_VERIFY(sheet());
        sheet()->done(NSAlertAttributed::AlertFirstButtonReturn);
        QTRY_VERIFY_WITH_TIMEOUT(labels(indexOf(u"Family"_s)).isEmpty(), 10000);
        QVERIFY(indexOf(u"Holidays"_s).isValid());
        refresh(); // and on the server
        open(u"Family"_s);
        QVERIFY(labels(indexOf(u"Family"_s)).isEmpty());
    }

    void createAndRenameEditTheNameInPlace()
    {
        start();
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)));
        select({indexOf(u"Holidays"_s)});
        view().actionForTag(Rules::CreateFolderTag)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(nameEditor(), 10000);
        QVERIFY(view().isExpanded(indexOf(u"Holidays"_s)));
        const QModelIndex placeholder = view().currentIndex();
        QCOMPARE(placeholder.parent(), indexOf(u"Holidays"_s));
        QCOMPARE(placeholder.row(), 1);
        QCOMPARE(view().selectionModel()->selectedRows().size(), 1);
        QCOMPARE(view().indexWidget(placeholder), nameEditor());
        QCOMPARE(nameEditor()->selectedText(), u"New Folder"_s);
        QTest::keyClicks(nameEditor(), u"Trips"_s);
        QTest::keyClick(nameEditor(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(album(u"Holidays/Trips"_s), 10000);
        QTRY_COMPARE(view().getSingleSelectedItem(), RemoteTreeEntryPtr(album(u"Holidays/Trips"_s)));
        QCOMPARE(labels(indexOf(u"Holidays"_s)), (QStringList{u"2019"_s, u"Trips"_s}));

        // A name edit given up takes its placeholder with it.
        select({model().rootIndex()});
        view().createFolderClicked();
        QTRY_VERIFY(nameEditor());
        QCOMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s, u"New Folder"_s}));
        QTest::keyClick(nameEditor(), Qt::Key_Escape);
        QTRY_VERIFY(!nameEditor());
        QCOMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s}));

        // Renaming edits the name in place.
        select({indexOf(u"Family"_s)});
        QTest::keyClick(&view(), Qt::Key_F2);
        QTRY_VERIFY(nameEditor());
        QCOMPARE(nameEditor()->selectedText(), u"Family"_s);
        QTest::keyClicks(nameEditor(), u"Kin"_s);
        // A repaint of the row while typing (the cell asked for the model's name again) keeps the text.
        Q_EMIT model().dataChanged(view().currentIndex(), view().currentIndex());
        QCOMPARE(nameEditor()->text(), u"Kin"_s);
        QTest::keyClick(nameEditor(), Qt::Key_Return);
        // Shown at once, while the server is asked.
        QTRY_COMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Kin"_s}));
        waitIdle();
        QVERIFY(album(u"Kin"_s));
        select({model().rootIndex()}); // the root's name is never edited
        view().renameItemClicked();
        QVERIFY(!nameEditor());
    }

    void refreshOpensAgainWhatWasOpenAndDoubleClickTogglesARow()
    {
        start();
        for (const QStringList &at :
             QList<QStringList>{{{}, u"A"_s}, {u"A"_s, u"B"_s}, {u"A"_s, u"C"_s}, {u"A/C"_s, u"D"_s}})
            QVERIFY(AlbumTree::createAlbum(*m_globals, at[0], at[1]));
        refresh();
        view().expandRoot();
        open(u"A"_s);
        open(u"A/B"_s);
        open(u"A/C"_s);
        open(u"A/C/D"_s);
        view().collapse(indexOf(u"A/C"_s));

        QStringList paths;
        wsExpandHelper::getExpandedItems(
            [this](const RemoteTreeEntry *node) { return view().isExpanded(model().indexForNode(node)); },
            root(), paths);
        QCOMPARE(paths, (QStringList{u"A"_s, u"A/B"_s}));
        view().setEnabled(false);
        refresh();
        view().expandRoot();
        const int before = m_expandsCompleted;
        m_globals->expandHelper().expandFolders(paths, &model());
        QTRY_COMPARE_WITH_TIMEOUT(m_expandsCompleted, before + 1, 20000);
        QVERIFY(view().isExpanded(indexOf(u"A"_s)));
        QVERIFY(view().isExpanded(indexOf(u"A/B"_s)));
        QVERIFY(indexOf(u"A/C"_s).isValid() && !view().isExpanded(indexOf(u"A/C"_s)));
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)));

        // A double click opens and closes a row.
        view().setEnabled(true);
        // As the window system delivers it: the second press comes before the double click.
        const auto doubleClick = [this](const QModelIndex &row) {
            const QPoint at = centreOf(row);
            QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, at);
            QTest::mousePress(view().viewport(), Qt::LeftButton, {}, at);
            QMouseEvent event(QEvent::MouseButtonDblClick, at, view().viewport()->mapToGlobal(at),
                              Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(view().viewport(), &event);
            QTest::mouseRelease(view().viewport(), Qt::LeftButton, {}, at);
        };
        doubleClick(indexOf(u"Holidays"_s));
        QTRY_VERIFY_WITH_TIMEOUT(view().isExpanded(indexOf(u"Holidays"_s)), 10000);
        QCOMPARE(labels(indexOf(u"Holidays"_s)), QStringList{u"2019"_s});
        doubleClick(indexOf(u"Holidays"_s));
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)));

        // Signing out empties the pane.
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
            NotificationNames::CommsEventLogout);
        QVERIFY(!view().helper() && !view().model());
        QCOMPARE(model().rowCount(model().rootIndex()), 0);
        QVERIFY(!view().actionForTag(Rules::DeleteTag)->isEnabled());
    }

    // An album opens where a drag rests, only with the preference on; passing over albums on the way
    // loads none of them; leaving gives expanding back.
    void dragHoverOpensWhereThePointerRests()
    {
        start();
        upload(u"Family"_s, {u"f.jpg"_s});
        refresh();
        QMimeData paths;
        paths.setData(QString::fromLatin1(kLocalFilesMimeType), m_files.path().toUtf8());
        QDragLeaveEvent leave;
        dragOver(indexOf(u"Holidays"_s), paths);
        dragOver(indexOf(u"Family"_s), paths, false);
        QVERIFY(!view().isExpanded(indexOf(u"Family"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(view().isExpanded(indexOf(u"Family"_s)), 10000);
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)) && !album(u"Holidays"_s)->contentsKnown());
        QApplication::sendEvent(view().viewport(), &leave);

        // With the preference off no album opens.
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(false);
        dragOver(indexOf(u"Holidays"_s), paths);
        QTest::qWait(RemoteFileBrowser::HoverOpenMs + 200);
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)) && !album(u"Holidays"_s)->contentsKnown());
        QApplication::sendEvent(view().viewport(), &leave);
        open(u"Holidays"_s);
    }

    void droppingOrChoosingUploadsIntoAnAlbum()
    {
        start();
        const QString file = TestFiles::write(m_files.filePath(u"dropped/Über Bild.jpg"_s), "img");
        QMimeData uris;
        uris.setUrls({QUrl::fromLocalFile(file)});
        // The drag is over either way.
        const auto drop = [&](const QModelIndex &row) {
            return dropOnto(row, uris) && !model().isDragDropActive();
        };
        // A file onto the root is refused: only folders become top-level albums.
        QVERIFY(!drop(model().rootIndex()));
        QCOMPARE(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0));
        QVERIFY(drop(indexOf(u"Family"_s)));
        waitForUploads();
        open(u"Family"_s);
        QTRY_COMPARE(labels(indexOf(u"Family"_s)), QStringList{u"Über Bild.jpg"_s});

        // The upload panel opens at home, then where the last choice was; a chosen folder becomes an
        // album.
        const QString picked = m_files.filePath(u"picked"_s);
        TestFiles::write(picked + u"/x.jpg"_s, "x");
        TestFiles::write(picked + u"/trip/y.jpg"_s, "y");
        select({indexOf(u"Family"_s)});
        for (const QString &chosen : QStringList{picked + u"/x.jpg"_s, picked + u"/trip"_s}) {
            view().uploadFileClicked();
            QVERIFY(view().uploadPanel());
            QCOMPARE(QDir(view().uploadPanel()->directory()).absolutePath(),
                     chosen.endsWith(u"x.jpg"_s) ? QDir::homePath() : picked);
            view().uploadPanel()->setDirectory(picked);
            view().uploadPanel()->selectFile(chosen);
            view().uploadPanel()->accept();
            waitForUploads();
            QTRY_VERIFY(!view().uploadPanel());
        }
        QTRY_VERIFY(album(u"Family/trip"_s));
        open(u"Family"_s);
        QTRY_COMPARE(labels(indexOf(u"Family"_s)), (QStringList{u"Über Bild.jpg"_s, u"x.jpg"_s, u"trip"_s}));
        // Nothing for anything but one album.
        select({model().rootIndex()});
        view().uploadFileClicked();
        QVERIFY(!view().uploadPanel());
    }

    // A dropped tree with a name that is not UTF-8, a pipe, a link back up the tree and a folder
    // that cannot be read: every regular file arrives byte for byte, and every entry that does not
    // has a row in the upload list and an event-log entry saying why.
    void droppedTreeLeavesNothingOutInSilence()
    {
        if (!dropFileAccessOverride())
            QSKIP("cannot give up the override of file permissions");
        start();
        const QString tree = m_files.filePath(u"Tree"_s);
        const QByteArray a = TestFiles::randomBytes(50000, 31), b = TestFiles::randomBytes(20000, 32);
        TestFiles::write(tree + u"/a.bin"_s, a);
        TestFiles::write(tree + u"/Sub/b.bin"_s, b);
        const auto [badPath, pipe, loop, locked] = TestFiles::addHostileEntries(tree);
        const qint64 logBefore = Log::instance()->count();
        UploadQueueListModel list;
        QVERIFY(dropTree(tree));
        waitForUploads();
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(TestFiles::read(m_server->albumFilePath(u"demo"_s, u"Family/Tree"_s, u"a.bin"_s)), a);
        QCOMPARE(TestFiles::read(m_server->albumFilePath(u"demo"_s, u"Family/Tree/Sub"_s, u"b.bin"_s)), b);
        const QMap<QString, QString> expected{
            {badPath, messageText(u"Text_NameNotUtf8"_s)},
            {pipe, messageText(u"Text_Skipped"_s).arg(u"not a regular file"_s)},
            {loop, messageText(u"Text_Skipped"_s).arg(u"leads back to a folder above it"_s)},
            {locked, messageText(u"Text_FolderUnreadable"_s)},
        };
        // The rows that stay: one per entry left out, with its reason, and no other; each with the
        // album it would have gone into.
        QCOMPARE(failedRows(list), expected);
        QMap<QString, QString> albums;
        for (int row = 0; row < list.rowCount(); ++row)
            albums.insert(list.uploadAt(row)->localFilePath().toLocalFile(),
                          list.uploadAt(row)->remoteFolderParentName());
        QCOMPARE(albums, (QMap<QString, QString>{{badPath, u"Family/Tree"_s},
                                                 {pipe, u"Family/Tree"_s},
                                                 {loop, u"Family/Tree/Sub"_s},
                                                 {locked, u"Family/Tree/Locked"_s}}));
        QCOMPARE(loggedAfter(logBefore), expected);
    }

    // The server killed (SIGKILL) mid-batch and back at the same address a moment later: every file
    // of the dropped tree ends on the server byte for byte, or failed with its reason in its row and
    // the event log. Nothing is lost in silence, nothing is stored twice.
    void droppedTreeSurvivesTheServerKilledMidBatch()
    {
        start({}, {u"--auto-approve"_s, u"--fault"_s, u"upload-delay=700"_s});
        const QString tree = m_files.filePath(u"Killed"_s);
        QMap<QString, QByteArray> files;
        for (int i = 0; i < 8; ++i) {
            const QString relative = (i % 2 ? u"Sub/"_s : QString()) + u"f%1.bin"_s.arg(i);
            files.insert(relative, TestFiles::randomBytes(300000, 40 + i));
            TestFiles::write(tree + u'/' + relative, files.value(relative));
        }
        const qint64 logBefore = Log::instance()->count();
        UploadQueueListModel list;
        QVERIFY(dropTree(tree));
        const QString stored = m_server->albumFilePath(u"demo"_s, u"Family/Killed"_s, QString());
        QTRY_VERIFY_WITH_TIMEOUT(!TestFiles::filesBelow(stored).isEmpty(), 20000);
        QVERIFY(m_server->kill());
        QVERIFY2(m_server->startAgain(), qPrintable(m_server->errorString()));
        waitForUploads(60000);

        const QMap<QString, QString> failed = failedRows(list);
        for (const QString &reason : failed)
            QVERIFY(!reason.isEmpty() && reason != u"(not failed)"_s);
        QCOMPARE(loggedAfter(logBefore), failed);
        QMap<QString, QByteArray> arrived = files;
        for (const QString &path : failed.keys())
            arrived.remove(QDir(tree).relativeFilePath(path));
        QCOMPARE(TestFiles::filesBelow(stored), arrived);
    }

    void screenshot()
    {
        const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("VENDRA_SCREENSHOT_DIR is not set");
        start();
        open(u"Holidays"_s);
        upload(u"Holidays/2019"_s, {u"beach.jpg"_s, u"sunset.png"_s, u"notes.txt"_s, u"clip.mp4"_s});
        upload(u"Family"_s, {u"birthday.jpg"_s});
        open(u"Holidays/2019"_s);
        open(u"Family"_s);
        waitIdle();
        select({model().index(1, 0, indexOf(u"Holidays/2019"_s))});
        view().setFocus();
        view().resize(520, 300);
        QTest::qWait(100);
        QVERIFY(view().grab().save(folder + u"/album-pane.png"_s));
    }
};

VENDRA_GUI_TEST_MAIN(TestRemoteFileBrowser)
#include "tst_remotefilebrowser.moc"
