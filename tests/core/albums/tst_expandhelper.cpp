#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsExpandHelper.h"
#include "albums/wsSoapAsyncOp.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "AlbumTree.h"
#include "SessionTarget.h"
#include "VendraTest.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>

using Model = remoteFileBrowserHelper;

// Recording which albums are open and opening them again after a refresh, against the server.
class TestExpandHelper : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QObject m_observer;
    int m_completed = 0;
    // What a view would show open: the rows the model asked to expand, or a hand-made set.
    QSet<QString> m_open;

    Model &model() { return m_globals->remoteBrowserHelper(); }
    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    soapRemoteFolderItemPtr album(const QString &path) { return AlbumTree::album(*m_globals, path); }
    void create(const QString &parent, const QString &name)
    {
        QVERIFY(AlbumTree::createAlbum(*m_globals, parent, name));
    }
    void refresh()
    {
        Error error;
        QVERIFY(AlbumTree::reloadTopLevel(*m_globals, error));
    }
    QStringList recorded(const QSet<QString> &open)
    {
        QStringList paths;
        wsExpandHelper::getExpandedItems(
            [&](const RemoteTreeEntry *node) {
                const auto *base = dynamic_cast<const soapRemoteBase *>(node);
                return base && (base == root().get() || open.contains(base->fullRemotePath()));
            },
            root(), paths);
        return paths;
    }
    // Reopens and returns the paths the model asked the view to open, in order.
    QStringList reopen(const QStringList &paths)
    {
        QSignalSpy expanded(&model(), &Model::expandRequested);
        const int before = m_completed;
        m_globals->expandHelper().expandFolders(paths, &model());
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(m_completed, before + 1, 20000);
        }();
        QStringList opened;
        for (const QList<QVariant> &signal : expanded)
            opened.append(signal.first().toModelIndex().data(Model::FullRemotePathRole).toString());
        return opened;
    }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_completed = 0;
        NotificationCenter::defaultCenter().addObserver(&m_observer, NotificationNames::ExpandEventCompleted,
                                                        [this](const Notification &n) {
                                                            // Posted on the worker: counted on the main
                                                            // thread.
                                                            QObject *poster = n.object().value<QObject *>();
                                                            QMetaObject::invokeMethod(
                                                                this,
                                                                [this, poster] {
                                                                    if (poster == &m_globals->expandHelper())
                                                                        ++m_completed;
                                                                },
                                                                Qt::QueuedConnection);
                                                        });
        m_server = startServerFor(*m_globals, {});
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY(root()->deserialise(m_globals->coreComms().doGetTopLevelAlbums(error)));
        create({}, u"A"_s);
        create(u"A"_s, u"B"_s);
        create(u"A"_s, u"C"_s);
        create(u"A/C"_s, u"D"_s);
    }
    void cleanup()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        m_tester.reset();
        m_globals.reset();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void albumsDeletedMeanwhileAreSkippedWithTheirDescendants()
    {
        const QStringList paths = recorded({u"A"_s, u"A/C"_s, u"A/C/D"_s, u"Holidays"_s});
        QCOMPARE(paths, (QStringList{u"Holidays"_s, u"A"_s, u"A/C"_s, u"A/C/D"_s}));
        Error error;
        m_globals->coreComms().doDeleteAlbum(album(u"A/C"_s)->albumID(), error);
        QVERIFY(!error);
        refresh();
        QCOMPARE(reopen(paths), (QStringList{u"Holidays"_s, u"A"_s}));
        QVERIFY(m_globals->registry().debugCheckDictionary(root()));
    }

    void anEmptyListStillAnnouncesTheEnd()
    {
        QCOMPARE(reopen({}), QStringList());
        QCOMPARE(m_completed, 1);
    }
};

VENDRA_TEST_MAIN(TestExpandHelper)
#include "tst_expandhelper.moc"
