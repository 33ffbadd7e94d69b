#include "events/NotificationCenter.h"

#include "VendraTest.h"

#include <QSignalSpy>
#include <QThread>

namespace {

struct Delivery
{
    QString name;
    QVariant object;
    QVariantMap userInfo;
    QThread *thread;
};

} // namespace

class TestNotificationCenter : public QObject
{
    Q_OBJECT

private:
    QList<Delivery> m_deliveries;
    QObject m_observer;

    void observe(const QString &name)
    {
        NotificationCenter::defaultCenter().addObserver(&m_observer, name, [this](const Notification &n) {
            m_deliveries.append({n.name(), n.object(), n.userInfo(), QThread::currentThread()});
        });
    }

private Q_SLOTS:
    void init() { m_deliveries.clear(); }
    void cleanup() { NotificationCenter::defaultCenter().removeObserver(&m_observer); }

    void mainThreadPostCallsObserversBeforeReturning()
    {
        observe(u"A"_s);
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(u"A"_s);
        QCOMPARE(m_deliveries.size(), 1);
        QVERIFY(!m_deliveries.first().object.isValid());
        QVERIFY(m_deliveries.first().userInfo.isEmpty());
    }

    void onlyObserversOfTheNameAreCalled()
    {
        observe(u"A"_s);
        observe(u"B"_s);
        NotificationCenter::defaultCenter().postNotificationName(u"B"_s, 7, {{u"k"_s, true}});
        QCOMPARE(m_deliveries.size(), 1);
        QCOMPARE(m_deliveries.first().name, u"B"_s);
        QCOMPARE(m_deliveries.first().object.toInt(), 7);
        QCOMPARE(m_deliveries.first().userInfo.value(u"k"_s).toBool(), true);
    }

    void workerPostsArriveOnMainThreadInOrder()
    {
        observe(u"Seq"_s);
        QThread *worker = QThread::create([] {
            for (int i = 0; i < 200; ++i)
                NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(u"Seq"_s, i);
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        // Nothing ran yet: the worker did not wait and the main loop has not turned.
        QVERIFY(m_deliveries.isEmpty());
        QTRY_COMPARE(m_deliveries.size(), 200);
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(m_deliveries[i].object.toInt(), i);
            QCOMPARE(m_deliveries[i].thread, QCoreApplication::instance()->thread());
        }
    }

    void waitingPostReturnsAfterObserversRan()
    {
        observe(u"W"_s);
        bool deliveredBeforeReturn = false;
        QThread *worker = QThread::create([this, &deliveredBeforeReturn] {
            NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(u"W"_s, {}, {}, true);
            deliveredBeforeReturn = !m_deliveries.isEmpty();
        });
        worker->start();
        QTRY_VERIFY(worker->isFinished());
        delete worker;
        QVERIFY(deliveredBeforeReturn);
        QCOMPARE(m_deliveries.first().thread, QCoreApplication::instance()->thread());
    }

    void directPostFromWorkerRunsOnWorker()
    {
        observe(u"P"_s);
        QThread *worker =
            QThread::create([] { NotificationCenter::defaultCenter().postNotificationName(u"P"_s); });
        worker->start();
        QVERIFY(worker->wait(10000));
        QCOMPARE(m_deliveries.size(), 1);
        QCOMPARE(m_deliveries.first().thread, worker);
        delete worker;
    }

    void destroyedObserverIsNeverCalled()
    {
        int calls = 0;
        {
            QObject shortLived;
            NotificationCenter::defaultCenter().addObserver(&shortLived, u"D"_s,
                                                            [&calls](const Notification &) { ++calls; });
        }
        NotificationCenter::defaultCenter().postNotificationName(u"D"_s);
        QCOMPARE(calls, 0);
    }

    void observerMayUnsubscribeWhileBeingCalled()
    {
        int calls = 0;
        QObject self;
        NotificationCenter::defaultCenter().addObserver(&self, u"U"_s, [&](const Notification &) {
            ++calls;
            NotificationCenter::defaultCenter().removeObserver(&self);
        });
        NotificationCenter::defaultCenter().postNotificationName(u"U"_s);
        NotificationCenter::defaultCenter().postNotificationName(u"U"_s);
        QCOMPARE(calls, 1);
    }

    void workspaceCentreIsSeparate()
    {
        observe(u"FileBrowserObjectChanged"_s);
        NotificationCenter::workspaceCenter().postNotificationName(u"FileBrowserObjectChanged"_s);
        QVERIFY(m_deliveries.isEmpty());
    }
};

VENDRA_TEST_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
