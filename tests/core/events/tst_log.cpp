#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include "VendraTest.h"

namespace {

void post(const QString &name, const QVariant &object = {})
{
    NotificationCenter::defaultCenter().postNotificationName(name, object);
}

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    QStringList m_posted;

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &name :
             {NotificationNames::EventLogItemAdded, NotificationNames::EvetnLogCleared}) {
            NotificationCenter::defaultCenter().addObserver(&m_observer, name, [this](const Notification &n) {
                QCOMPARE(n.object().value<Log *>(), Log::instance());
                m_posted.append(n.name());
            });
        }
    }

    void init() { m_posted.clear(); }
    void cleanup() { Log::close(); }

    void oneLogUntilClosed()
    {
        QVERIFY(!Log::instance());
        Log *first = Log::init();
        first->add(u"Failed to delete item"_s, u"Holidays"_s);
        QCOMPARE(Log::init(), first);
        QCOMPARE(Log::instance()->count(), 1);
        Log::close();
        QVERIFY(!Log::instance());
        post(NotificationNames::EventLogAddMessage, u"lost"_s); // a closed log no longer listens
        QCOMPARE(Log::init()->count(), 0);
    }

    void newestEntryComesFirst()
    {
        Log *log = Log::init();
        log->add(u"one"_s, u"/a"_s);
        log->add(u"two"_s, u"/b"_s);
        log->add(u"three"_s, u"/c"_s);
        QCOMPARE(log->count(), 3);
        QCOMPARE(log->objectAtIndex(0).message(), u"three"_s);
        QCOMPARE(log->objectAtIndex(0).path(), u"/c"_s);
        QCOMPARE(log->objectAtIndex(2).message(), u"one"_s);
        QVERIFY(log->objectAtIndex(0).time() >= log->objectAtIndex(2).time());
        QVERIFY(log->objectAtIndex(0).time() > 1.7e9); // seconds since 1970, not milliseconds
        QCOMPARE(m_posted, QStringList(3, NotificationNames::EventLogItemAdded));
    }

    void notificationsAddStringsAndClear()
    {
        Log *log = Log::init();
        post(NotificationNames::EventLogAddMessage, 42);
        post(NotificationNames::EventLogAddMessage);
        QCOMPARE(log->count(), 0);
        post(NotificationNames::EventLogClear);
        QCOMPARE(m_posted, QStringList{NotificationNames::EvetnLogCleared}); // even when already empty
        post(NotificationNames::EventLogAddMessage, u"Upload failed"_s);
        QCOMPARE(log->count(), 1);
        QCOMPARE(log->objectAtIndex(0).path(), u"..."_s);
        QCOMPARE(log->objectAtIndex(0).message(), u"Upload failed"_s);
        post(NotificationNames::EventLogClear);
        QCOMPARE(log->count(), 0);
    }
};

VENDRA_TEST_MAIN(TestLog)
#include "tst_log.moc"
