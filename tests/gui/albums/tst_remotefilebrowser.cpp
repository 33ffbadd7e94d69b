#include "albums/RemoteFileBrowser.h"

#include "AlbumTree.h"
#include "FileAccessOverride.h"
#include "GuiTest.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "albums/RemoteBrowserMenuRules.h"
#include "albums/RemoteItemIcons.h"
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
#include "session/wsCoreComms.h"
#include "settings/Preferences.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueListModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
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
    void createAlbum(const QString &parent, const QString &name)
    {
        QVERIFY(AlbumTree::createAlbum(*m_globals, parent, name));
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
    QModelIndexList selected() { return view().selectionModel()->selectedRows(); }
    QPoint centreOf(const QModelIndex &row)
    {
        return view().visualRect(row.siblingAtColumn(Model::FileColumn)).center();
    }
    // Drags the data over the row and drops it there, as a file manager does; true when accepted.
    bool dropOnto(const QModelIndex &row, QMimeData &data)
    {
        const QPoint at = centreOf(row);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view().viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view().viewport(), &move);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view().viewport(), &dropped);
        return dropped.isAccepted();
    }
    // The name editor while one is open.
    FileSystemCellEditor *nameEditor()
    {
        auto *editor = view().findChild<FileSystemCellEditor *>();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    NSAlertAttributed *sheet() { return view().findChild<NSAlertAttributed *>(); }
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
        start({{u"user"_s, u"set"_s, u"demo"_s, u"--rights"_s, u"all,-CreateTopLevelAlbum"_s},
               {u"album"_s, u"flags"_s, u"demo"_s, u"Holidays"_s, u"create-under=0"_s}});
        upload(u"Family"_s, {u"kid.jpg"_s});
        const QModelIndex rootRow = model().rootIndex();
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        const QModelIndex family = indexOf(u"Family"_s);
        const QModelIndex asset = model().index(0, 0, family);
        QCOMPARE(asset.siblingAtColumn(Model::FileColumn).data().toString(), u"kid.jpg"_s);
        const auto enabled = [this](int tag) {
            return view().actionForTag(tag)->isEnabled();
        };

        // Under the root only the top-level right counts; under an album its own flag as well.
        select({rootRow});
        QVERIFY(!enabled(Rules::CreateFolderTag));
        QVERIFY(!enabled(Rules::DeleteTag));
        QVERIFY(!enabled(Rules::RenameTag));
        QVERIFY(!enabled(Rules::UploadTag));
        select({holidays});
        QVERIFY(!enabled(Rules::CreateFolderTag));
        QVERIFY(enabled(Rules::UploadTag));
        select({family});
        QVERIFY(enabled(Rules::CreateFolderTag));
        QVERIFY(enabled(Rules::RenameTag));
        QVERIFY(enabled(Rules::DeleteTag));
        select({asset});
        QVERIFY(!enabled(Rules::CreateFolderTag));
        QVERIFY(!enabled(Rules::UploadTag));
        QVERIFY(enabled(Rules::RenameTag));

        // Two rows: nothing that needs one row, delete when both pass; the root among them refuses.
        select({family, asset});
        QVERIFY(!enabled(Rules::CreateFolderTag));
        QVERIFY(!enabled(Rules::RenameTag));
        QVERIFY(!enabled(Rules::UploadTag));
        QVERIFY(enabled(Rules::DeleteTag));
        select({rootRow, asset});
        QVERIFY(!enabled(Rules::DeleteTag));
        // An empty selection may delete (there is nothing to ask about); unknown tags always may.
        select({});
        QVERIFY(enabled(Rules::DeleteTag));
        QVERIFY(view().validateMenuItem(42));
    }

    // The server names 0 as a top-level album's parent: such an album answers to the top-level
    // rights, an album inside another to the sub-album rights.
    void topLevelAndSubAlbumsAnswerToTheirOwnRights()
    {
        start(
            {{u"user"_s, u"set"_s, u"demo"_s, u"--rights"_s, u"all,-RenameTopLevelAlbum,-DeleteSubAlbum"_s}});
        open(u"Holidays"_s);
        const auto enabled = [this](int tag) {
            return view().actionForTag(tag)->isEnabled();
        };
        select({indexOf(u"Family"_s)});
        QVERIFY(!enabled(Rules::RenameTag));
        QVERIFY(enabled(Rules::DeleteTag));
        select({indexOf(u"Holidays/2019"_s)});
        QVERIFY(enabled(Rules::RenameTag));
        QVERIFY(!enabled(Rules::DeleteTag));
    }

    void rightClickSelectsAnUnselectedRowAlone()
    {
        start();
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        const QModelIndex family = indexOf(u"Family"_s);
        const auto rightClick = [this](const QModelIndex &row) {
            const QPoint at = centreOf(row);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, view().viewport()->mapToGlobal(at));
            QApplication::sendEvent(view().viewport(), &event);
            QTRY_VERIFY(view().contextMenu()->isVisible());
            view().contextMenu()->hide();
        };
        select({holidays, family});
        rightClick(family);
        QCOMPARE(selected().size(), 2);
        rightClick(model().rootIndex());
        QCOMPARE(selected(), QModelIndexList{model().rootIndex()});
        QVERIFY(!view().actionForTag(Rules::DeleteTag)->isEnabled());
        rightClick(holidays);
        QCOMPARE(selected(), QModelIndexList{holidays});
        QVERIFY(view().actionForTag(Rules::UploadTag)->isEnabled());
    }

    void deleteKeyAsksWithTheDeletableCount()
    {
        start({{u"album"_s, u"flags"_s, u"demo"_s, u"Holidays"_s, u"delete=0"_s}});
        upload(u"Family"_s, {u"one.jpg"_s, u"two.jpg"_s});
        const QModelIndex family = indexOf(u"Family"_s);
        QCOMPARE(labels(family), (QStringList{u"one.jpg"_s, u"two.jpg"_s}));

        // Nothing deletable: no question.
        select({indexOf(u"Holidays"_s)});
        QTest::keyClick(&view(), Qt::Key_Delete);
        QTest::qWait(50);
        QVERIFY(!sheet());

        select({indexOf(u"Holidays"_s), model().index(0, 0, family), model().index(1, 0, family)});
        QCOMPARE(view().numItemsToDelete(), 2);
        QTest::keyClick(&view(), Qt::Key_Backspace);
        QTRY_VERIFY(sheet());
        QCOMPARE(sheet()->titleView()->text(), u"Delete Item(s)"_s);
        QCOMPARE(sheet()->informativeText(), u"This will delete 2 item(s) permanetly"_s);
        sheet()->done(NSAlertAttributed::AlertSecondButtonReturn);
        QTRY_VERIFY(!sheet());
        waitIdle();
        QCOMPARE(labels(indexOf(u"Family"_s)).size(), 2);

        QTest::keyClick(&view(), Qt::Key_Delete);
        QTRY_VERIFY(sheet());
        sheet()->done(NSAlertAttributed::AlertFirstButtonReturn);
        QTRY_VERIFY_WITH_TIMEOUT(labels(indexOf(u"Family"_s)).isEmpty(), 10000);
        QVERIFY(indexOf(u"Holidays"_s).isValid());
        // And on the server.
        refresh();
        open(u"Family"_s);
        waitIdle();
        QVERIFY(labels(indexOf(u"Family"_s)).isEmpty());
    }

    void createUnderAClosedUnloadedAlbumLoadsItThenEditsTheNewName()
    {
        start();
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        QVERIFY(!view().isExpanded(holidays));
        select({holidays});
        view().actionForTag(Rules::CreateFolderTag)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(nameEditor(), 10000);
        QVERIFY(view().isExpanded(indexOf(u"Holidays"_s)));
        // Loaded first, so the placeholder is at the end of the listed contents.
        QCOMPARE(labels(indexOf(u"Holidays"_s)), (QStringList{u"2019"_s, u"New Folder"_s}));
        const QModelIndex placeholder = view().currentIndex();
        QCOMPARE(placeholder.parent(), indexOf(u"Holidays"_s));
        QCOMPARE(placeholder.row(), 1);
        QCOMPARE(selected().size(), 1);
        FileSystemCellEditor *editor = nameEditor();
        QCOMPARE(view().indexWidget(placeholder), editor);
        QCOMPARE(editor->selectedText(), u"New Folder"_s);

        QTest::keyClicks(editor, u"Trips"_s);
        QTest::keyClick(editor, Qt::Key_Return);
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
    }

    void renameEditsTheNameInPlace()
    {
        start();
        select({indexOf(u"Family"_s)});
        QTest::keyClick(&view(), Qt::Key_F2);
        QTRY_VERIFY(nameEditor());
        QCOMPARE(nameEditor()->selectedText(), u"Family"_s);
        QTest::keyClicks(nameEditor(), u"Kin"_s);
        QTest::keyClick(nameEditor(), Qt::Key_Return);
        // Shown at once, while the server is asked.
        QTRY_COMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Kin"_s}));
        waitIdle();
        QVERIFY(album(u"Kin"_s));
        // The root's name is never edited.
        select({model().rootIndex()});
        view().renameItemClicked();
        QVERIFY(!nameEditor());
    }

    void doubleClickTogglesARow()
    {
        start();
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
    }

    void disabledPaneIsDimmed()
    {
        start();
        // Below the last row: nothing but the background.
        const QPoint empty = view().viewport()->mapTo(&view(), QPoint(20, view().viewport()->height() - 10));
        const QColor enabled = view().grab().toImage().pixelColor(empty);
        QCOMPARE(enabled, view().palette().color(QPalette::Active, QPalette::Base));
        view().setEnabled(false);
        const QColor dimmed = view().grab().toImage().pixelColor(empty);
        const QColor base = view().palette().color(QPalette::Disabled, QPalette::Base);
        for (const auto &[got, under] : {std::pair{dimmed.red(), base.red()},
                                         {dimmed.green(), base.green()},
                                         {dimmed.blue(), base.blue()}})
            QVERIFY2(qAbs(got - under * 0.8) <= 2, qPrintable(u"%1 for %2"_s.arg(got).arg(under)));
    }

    void progressColumnSpinsOnlyForPendingRows()
    {
        start();
        const auto cellPixels = [this](const QModelIndex &row) {
            const QRect cell = view().visualRect(row.siblingAtColumn(Model::ProgressColumn));
            const QImage picture = view().viewport()->grab(cell).toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    colours.insert(picture.pixel(x, y));
            return colours.size();
        };
        // A row at rest shows an empty cell, not a word for its value.
        QCOMPARE(cellPixels(indexOf(u"Family"_s)), 1);
        model().setPendingAsyncOpForItem(album(u"Family"_s), true);
        QVERIFY(cellPixels(indexOf(u"Family"_s)) > 3);
        model().setPendingAsyncOpForItem(album(u"Family"_s), false);
        QCOMPARE(cellPixels(indexOf(u"Family"_s)), 1);
    }

    void refreshOpensAgainWhatWasOpen()
    {
        start();
        createAlbum({}, u"A"_s);
        createAlbum(u"A"_s, u"B"_s);
        createAlbum(u"A"_s, u"C"_s);
        createAlbum(u"A/C"_s, u"D"_s);
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
        QVERIFY(indexOf(u"A/C"_s).isValid());
        QVERIFY(!view().isExpanded(indexOf(u"A/C"_s)));
        QVERIFY(!album(u"A/C/D"_s) || !view().isExpanded(indexOf(u"A/C/D"_s)));
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)));
    }

    void dragHoverOpensWhereThePointerRests()
    {
        start();
        QMimeData paths;
        paths.setData(QString::fromLatin1(kLocalFilesMimeType), m_files.path().toUtf8());
        const auto send = [this, &paths](QEvent::Type type, const QModelIndex &row) {
            const QPoint at = row.isValid() ? centreOf(row) : QPoint(5, 5);
            if (type == QEvent::DragEnter) {
                QDragEnterEvent event(at, Qt::CopyAction, &paths, Qt::LeftButton, {});
                QApplication::sendEvent(view().viewport(), &event);
            } else if (type == QEvent::DragMove) {
                QDragMoveEvent event(at, Qt::CopyAction, &paths, Qt::LeftButton, {});
                QApplication::sendEvent(view().viewport(), &event);
            } else {
                QDragLeaveEvent event;
                QApplication::sendEvent(view().viewport(), &event);
            }
        };
        const auto timerAlbum = [this] {
            return model().expandTimerItem();
        };

        // With the preference off nothing opens, and leaving restores expanding.
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(false);
        send(QEvent::DragEnter, indexOf(u"Holidays"_s));
        QVERIFY(model().isDragDropActive());
        QVERIFY(!model().isExpandingAllowed());
        send(QEvent::DragMove, indexOf(u"Holidays"_s));
        QVERIFY(!timerAlbum());
        send(QEvent::DragLeave, {});
        QVERIFY(!model().isDragDropActive());
        QVERIFY(model().isExpandingAllowed());

        // Passing over unloaded albums calls off the rest on the one before; resting opens the last.
        upload(u"Family"_s, {u"f.jpg"_s});
        refresh();
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(true);
        send(QEvent::DragEnter, indexOf(u"Holidays"_s));
        QVERIFY(model().isExpandingAllowed());
        send(QEvent::DragMove, indexOf(u"Holidays"_s));
        QCOMPARE(timerAlbum(), RemoteTreeEntryPtr(album(u"Holidays"_s)));
        send(QEvent::DragMove, indexOf(u"Family"_s));
        QCOMPARE(timerAlbum(), RemoteTreeEntryPtr(album(u"Family"_s)));
        send(QEvent::DragMove, model().rootIndex());
        QVERIFY(!timerAlbum());
        send(QEvent::DragMove, indexOf(u"Family"_s));
        QTRY_VERIFY_WITH_TIMEOUT(view().isExpanded(indexOf(u"Family"_s)), 10000);
        QVERIFY(!view().isExpanded(indexOf(u"Holidays"_s)));
        QVERIFY(!album(u"Holidays"_s)->contentsKnown());
        send(QEvent::DragLeave, {});
        QVERIFY(!model().isDragDropActive());

        // A loaded album opens after the same rest, unless expanding is off for drags.
        view().collapse(indexOf(u"Family"_s));
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(false);
        send(QEvent::DragEnter, indexOf(u"Family"_s));
        send(QEvent::DragMove, indexOf(u"Family"_s));
        QTest::qWait(RemoteFileBrowser::HoverOpenMs + 200);
        QVERIFY(!view().isExpanded(indexOf(u"Family"_s)));
        send(QEvent::DragLeave, {});
        Preferences::instance()->setRemoteViewAutoExpandsOnDrags(true);
        send(QEvent::DragEnter, indexOf(u"Family"_s));
        send(QEvent::DragMove, indexOf(u"Family"_s));
        QVERIFY(!view().isExpanded(indexOf(u"Family"_s)));
        QTRY_VERIFY(view().isExpanded(indexOf(u"Family"_s)));
        send(QEvent::DragLeave, {});
    }

    void droppingOntoAnAlbumUploadsIntoIt()
    {
        start();
        const QString file = TestFiles::write(m_files.filePath(u"dropped/Über Bild.jpg"_s), "img");
        QMimeData uris;
        uris.setUrls({QUrl::fromLocalFile(file)});
        const auto drop = [this, &uris](const QModelIndex &row) {
            const bool accepted = dropOnto(row, uris);
            // The drag is over either way.
            return accepted && !model().isDragDropActive();
        };
        // A file onto the root is refused: only folders become top-level albums.
        QVERIFY(!drop(model().rootIndex()));
        QCOMPARE(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0));
        QVERIFY(drop(indexOf(u"Family"_s)));
        waitForUploads();
        open(u"Family"_s);
        QTRY_COMPARE(labels(indexOf(u"Family"_s)), QStringList{u"Über Bild.jpg"_s});
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
        const QByteArray a = TestFiles::randomBytes(50000, 31);
        const QByteArray b = TestFiles::randomBytes(20000, 32);
        TestFiles::write(tree + u"/a.bin"_s, a);
        TestFiles::write(tree + u"/Sub/b.bin"_s, b);
        const auto [badPath, pipe, loop, locked] = TestFiles::addHostileEntries(tree);
        const qint64 logBefore = Log::instance()->count();
        UploadQueueListModel list;

        QMimeData uris;
        uris.setUrls({QUrl::fromLocalFile(tree)});
        QVERIFY(dropOnto(indexOf(u"Family"_s), uris));
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
        // The rows that stay: one per entry left out, with its reason, and no other.
        QMap<QString, QString> rows;
        QMap<QString, QString> albums;
        for (int row = 0; row < list.rowCount(); ++row) {
            const UploadStatusPtr record = list.uploadAt(row);
            QVERIFY(UploadQueueListModel::isShownFailed(*record));
            rows.insert(record->localFilePath().toLocalFile(), record->error());
            albums.insert(record->localFilePath().toLocalFile(), record->remoteFolderParentName());
        }
        QCOMPARE(rows, expected);
        // Each with the album it would have gone into.
        QCOMPARE(albums, (QMap<QString, QString>{{badPath, u"Family/Tree"_s},
                                                 {pipe, u"Family/Tree"_s},
                                                 {loop, u"Family/Tree/Sub"_s},
                                                 {locked, u"Family/Tree/Locked"_s}}));
        QMap<QString, QString> logged;
        for (qint64 i = logBefore; i < Log::instance()->count(); ++i)
            logged.insert(Log::instance()->objectAtIndex(i).path(),
                          Log::instance()->objectAtIndex(i).message());
        QCOMPARE(logged, expected);
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
        QMimeData uris;
        uris.setUrls({QUrl::fromLocalFile(tree)});
        QVERIFY(dropOnto(indexOf(u"Family"_s), uris));
        const QString stored = m_server->albumFilePath(u"demo"_s, u"Family/Killed"_s, QString());
        QTRY_VERIFY_WITH_TIMEOUT(!TestFiles::filesBelow(stored).isEmpty(), 20000);
        QVERIFY(m_server->kill());
        QVERIFY2(m_server->startAgain(), qPrintable(m_server->errorString()));
        waitForUploads(60000);

        QMap<QString, QString> failed; // relative path to reason, from the rows that stay
        for (int row = 0; row < list.rowCount(); ++row) {
            const UploadStatusPtr record = list.uploadAt(row);
            QVERIFY(UploadQueueListModel::isShownFailed(*record));
            QVERIFY(!record->error().isEmpty());
            failed.insert(QDir(tree).relativeFilePath(record->localFilePath().toLocalFile()),
                          record->error());
        }
        QMap<QString, QString> logged;
        for (qint64 i = logBefore; i < Log::instance()->count(); ++i) {
            logged.insert(QDir(tree).relativeFilePath(Log::instance()->objectAtIndex(i).path()),
                          Log::instance()->objectAtIndex(i).message());
        }
        QCOMPARE(logged, failed);
        QMap<QString, QByteArray> arrived = files;
        for (const QString &relative : failed.keys())
            arrived.remove(relative);
        QCOMPARE(TestFiles::filesBelow(stored), arrived);
    }

    void uploadPanelOpensWhereTheLastChoiceWas()
    {
        start();
        const QString picked = m_files.filePath(u"picked"_s);
        TestFiles::write(picked + u"/x.jpg"_s, "x");
        TestFiles::write(picked + u"/trip/y.jpg"_s, "y");
        select({indexOf(u"Family"_s)});
        view().uploadFileClicked();
        QVERIFY(view().uploadPanel());
        QCOMPARE(QDir(view().uploadPanel()->directory()).absolutePath(), QDir::homePath());
        view().uploadPanel()->setDirectory(picked);
        view().uploadPanel()->selectFile(picked + u"/x.jpg"_s);
        view().uploadPanel()->accept();
        waitForUploads();
        QCOMPARE(view().currentDir(), picked);
        QTRY_VERIFY(!view().uploadPanel());

        // A folder is taken as it is, not opened.
        view().uploadFileClicked();
        QVERIFY(view().uploadPanel());
        QCOMPARE(QDir(view().uploadPanel()->directory()).absolutePath(), picked);
        view().uploadPanel()->selectFile(picked + u"/trip"_s);
        view().uploadPanel()->accept();
        waitForUploads();
        QTRY_VERIFY(album(u"Family/trip"_s));
        open(u"Family"_s);
        // A new album goes at the end of the loaded list.
        QTRY_COMPARE(labels(indexOf(u"Family"_s)), (QStringList{u"x.jpg"_s, u"trip"_s}));

        // Nothing for anything but one album.
        select({model().rootIndex()});
        QTRY_VERIFY(!view().uploadPanel());
        view().uploadFileClicked();
        QVERIFY(!view().uploadPanel());
    }

    void signOutEmptiesThePane()
    {
        start();
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
            NotificationNames::CommsEventLogout);
        QVERIFY(!view().helper());
        QVERIFY(!view().model());
        QCOMPARE(model().rowCount(model().rootIndex()), 0);
        QVERIFY(!view().actionForTag(Rules::DeleteTag)->isEnabled());
    }

    void iconsComeFromTheThemeOrTheBundledPictures()
    {
        const QString theme = QIcon::themeName();
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const auto picture = [](const QIcon &icon) {
            return icon.pixmap(16).toImage();
        };
        using Kind = Model::NodeKind;

        // No theme at all: the program's own pictures.
        QIcon::setThemeSearchPaths({m_files.path()});
        QIcon::setThemeName(u"none"_s);
        {
            const RemoteItemIcons icons;
            QVERIFY(!RemoteItemIcons::bundledIcon(u"network"_s).pixmap(16).isNull());
            QCOMPARE(picture(icons.iconFor(Kind::Root)), picture(RemoteItemIcons::bundledIcon(u"network"_s)));
            QCOMPARE(picture(icons.iconFor(Kind::Placeholder)),
                     picture(RemoteItemIcons::bundledIcon(u"folder"_s)));
            QCOMPARE(picture(icons.iconFor(Kind::Asset, u"a.jpg"_s)),
                     picture(RemoteItemIcons::bundledIcon(u"file"_s)));
            QVERIFY(icons.iconFor(Kind::None).isNull());
        }

        const bool haveTheme = QFileInfo::exists(u"/usr/share/icons/Adwaita/index.theme"_s);
        if (haveTheme) {
            QIcon::setThemeSearchPaths({u"/usr/share/icons"_s});
            QIcon::setThemeName(u"Adwaita"_s);
            const RemoteItemIcons icons;
            const QImage photo = picture(icons.iconFor(Kind::Asset, u"beach.JPG"_s));
            // By the type of the extension, whatever its case; a name without one is a document.
            QCOMPARE(photo, picture(QIcon::fromTheme(u"image-x-generic"_s)));
            QCOMPARE(picture(icons.iconFor(Kind::Asset, u"sunset.jpg"_s)), photo);
            QCOMPARE(picture(icons.iconFor(Kind::Asset, u"README"_s)),
                     picture(icons.iconFor(Kind::Asset, u"a.txt"_s)));
            QVERIFY(picture(icons.iconFor(Kind::Asset, u"README"_s)) != photo);
            QCOMPARE(picture(icons.iconFor(Kind::Album)), picture(QIcon::fromTheme(u"folder"_s)));
        }
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(theme);
        if (!haveTheme)
            QSKIP("no icon theme on this machine for the themed half");
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
        refresh();
        view().expandRoot();
        open(u"Holidays"_s);
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
