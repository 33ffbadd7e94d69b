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

// The log's order, its view and its clear button are tested through the log window.
class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Log::close(); }

    // Messages posted by name arrive without a path, anything but text is ignored, and a closed log
    // no longer listens.
    void postedMessagesUntilClosed()
    {
        Log *log = Log::init();
        post(NotificationNames::EventLogAddMessage, 42);
        post(NotificationNames::EventLogAddMessage);
        QCOMPARE(log->count(), 0);
        post(NotificationNames::EventLogAddMessage, u"Upload failed"_s);
        QCOMPARE(log->count(), 1);
        QCOMPARE(log->objectAtIndex(0).path(), u"..."_s);
        QCOMPARE(log->objectAtIndex(0).message(), u"Upload failed"_s);
        QVERIFY(log->objectAtIndex(0).time() > 1.7e9); // seconds since 1970, not milliseconds
        QCOMPARE(Log::init(), log);
        Log::close();
        post(NotificationNames::EventLogAddMessage, u"lost"_s);
        QCOMPARE(Log::init()->count(), 0);
    }
};

VENDRA_TEST_MAIN(TestLog)
#include "tst_log.moc"
