#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include "VendraTest.h"

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

    void secondInitKeepsTheEntries()
    {
        Log *first = Log::init();
        first->add(u"Failed to delete item"_s, u"Holidays"_s);
        QCOMPARE(Log::init(), first);
        QCOMPARE(Log::instance()->count(), 1);
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

    void addMessageNotificationTakesOnlyStrings()
    {
        Log *log = Log::init();
        auto &center = NotificationCenter::defaultCenter();
        center.postNotificationName(NotificationNames::EventLogAddMessage, 42);
        center.postNotificationName(NotificationNames::EventLogAddMessage);
        QCOMPARE(log->count(), 0);
        center.postNotificationName(NotificationNames::EventLogAddMessage, u"Upload failed"_s);
        QCOMPARE(log->count(), 1);
        QCOMPARE(log->objectAtIndex(0).path(), u"..."_s);
        QCOMPARE(log->objectAtIndex(0).message(), u"Upload failed"_s);
    }

    void clearNotificationEmptiesAndAnnounces()
    {
        Log *log = Log::init();
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogClear);
        QCOMPARE(m_posted, QStringList{NotificationNames::EvetnLogCleared}); // even when already empty
        log->add(u"x"_s, u"y"_s);
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogClear);
        QCOMPARE(log->count(), 0);
    }

    void closedLogNoLongerListens()
    {
        Log::init();
        Log::close();
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogAddMessage,
                                                                 u"lost"_s);
        QCOMPARE(Log::init()->count(), 0);
    }
};

VENDRA_TEST_MAIN(TestLog)
#include "tst_log.moc"
