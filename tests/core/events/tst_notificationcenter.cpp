#include "events/NotificationCenter.h"

#include "VendraTest.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace {

NotificationCenter &center()
{
    return NotificationCenter::defaultCenter();
}

} // namespace

class TestNotificationCenter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Posts from a worker run on the main thread in their order; a waiting post returns only once
    // its observers ran.
    void workerPostsArriveOnMainThreadInOrder()
    {
        QObject observer;
        QList<std::pair<int, QThread *>> deliveries; // and the thread it ran on
        center().addObserver(&observer, u"Seq"_s, [&](const Notification &n) {
            deliveries.append({n.object().toInt(), QThread::currentThread()});
        });
        qsizetype deliveredBeforeReturn = 0;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (int i = 0; i < 200; ++i)
                center().postNotificationOnMainThreadWithName(u"Seq"_s, i);
            center().postNotificationOnMainThreadWithName(u"Seq"_s, 200, {}, true);
            deliveredBeforeReturn = deliveries.size();
        }));
        worker->start();
        QTRY_VERIFY(worker->isFinished());
        QCOMPARE(deliveredBeforeReturn, 201);
        for (int i = 0; i <= 200; ++i) {
            QCOMPARE(deliveries[i], std::pair(i, QCoreApplication::instance()->thread()));
        }
    }

    void removedOrDestroyedObserversAreNotCalled()
    {
        int calls = 0;
        {
            QObject shortLived;
            center().addObserver(&shortLived, u"D"_s, [&calls](const Notification &) { calls += 100; });
        }
        QObject self; // unsubscribes while being called
        center().addObserver(&self, u"D"_s, [&](const Notification &) {
            ++calls;
            center().removeObserver(&self);
        });
        center().postNotificationName(u"D"_s);
        center().postNotificationName(u"D"_s);
        QCOMPARE(calls, 1);
    }

    // Observers come and go on the main thread while a worker posts without pause: each is called
    // on the main thread only, and never once it is removed or destroyed.
    void mainThreadObserversAreSafeWhileAWorkerPosts()
    {
        std::atomic<bool> stop = false;
        std::atomic<int> posted = 0;
        std::unique_ptr<QThread> worker(QThread::create([&stop, &posted] {
            while (!stop) {
                center().postNotificationName(u"Busy"_s, int(posted++));
                QThread::usleep(20);
            }
        }));
        int calls = 0, wrongThread = 0, afterGone = 0, alive = -1; // the observer not yet removed
        worker->start();
        QTRY_VERIFY(posted > 0);
        for (int id = 0; id < 300; ++id) {
            auto observer = std::make_unique<QObject>();
            alive = id;
            center().addMainThreadObserver(observer.get(), u"Busy"_s, [&, id](const Notification &) {
                ++calls;
                wrongThread += QThread::currentThread() != qApp->thread();
                afterGone += id != alive;
            });
            QThread::usleep(200);
            QCoreApplication::processEvents();
            if (id % 2)
                center().removeObserver(observer.get());
            alive = -1;
            observer.reset();
        }
        stop = true;
        QVERIFY(worker->wait(10000));
        // What was handed over before the end arrives now, for observers that are all gone.
        QCoreApplication::processEvents();
        QVERIFY(calls > 0);
        QCOMPARE(wrongThread, 0);
        QCOMPARE(afterGone, 0);
    }
};

VENDRA_TEST_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
