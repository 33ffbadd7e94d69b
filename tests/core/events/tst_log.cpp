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
        first->add(QStringLiteral("Failed to delete item"), QStringLiteral("Holidays"));
        QCOMPARE(Log::init(), first);
        QCOMPARE(Log::instance()->count(), 1);
    }

    void newestEntryComesFirst()
    {
        Log *log = Log::init();
        log->add(QStringLiteral("one"), QStringLiteral("/a"));
        log->add(QStringLiteral("two"), QStringLiteral("/b"));
        log->add(QStringLiteral("three"), QStringLiteral("/c"));
        QCOMPARE(log->count(), 3);
        QCOMPARE(log->objectAtIndex(0).message(), QStringLiteral("three"));
        QCOMPARE(log->objectAtIndex(0).path(), QStringLiteral("/c"));
        QCOMPARE(log->objectAtIndex(2).message(), QStringLiteral("one"));
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
        center.postNotificationName(NotificationNames::EventLogAddMessage, QStringLiteral("Upload failed"));
        QCOMPARE(log->count(), 1);
        QCOMPARE(log->objectAtIndex(0).path(), QStringLiteral("..."));
        QCOMPARE(log->objectAtIndex(0).message(), QStringLiteral("Upload failed"));
    }

    void clearNotificationEmptiesAndAnnounces()
    {
        Log *log = Log::init();
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogClear);
        QCOMPARE(m_posted, QStringList{NotificationNames::EvetnLogCleared}); // even when already empty
        log->add(QStringLiteral("x"), QStringLiteral("y"));
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogClear);
        QCOMPARE(log->count(), 0);
    }

    void closedLogNoLongerListens()
    {
        Log::init();
        Log::close();
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogAddMessage,
                                                                 QStringLiteral("lost"));
        QCOMPARE(Log::init()->count(), 0);
    }
};

VENDRA_TEST_MAIN(TestLog)
#include "tst_log.moc"
