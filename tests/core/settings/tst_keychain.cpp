#include "settings/QXKeychain.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <memory>

namespace {

// The keyring tests only ever run against the throw-away keyring that scripts/test.sh starts.
bool inTestKeyring()
{
    return qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") &&
           qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

#define REQUIRE_TEST_KEYRING()                                                                               \
    if (!inTestKeyring())                                                                                    \
    QSKIP("needs the private keyring of scripts/test.sh")

QString uniqueService()
{
    return u"keychain-test-%1.example"_s.arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QStringList attributeOf(const QList<QVariantMap> &items, const QString &attribute)
{
    QStringList values;
    for (const QVariantMap &item : items)
        values.append(item.value(attribute).toString());
    values.sort();
    return values;
}

} // namespace

class TestKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Leftovers would slow every later listing in the same keyring, as in repeated runs.
    void cleanupTestCase()
    {
        if (!inTestKeyring())
            return;
        for (const QVariantMap &item : QXKeychain::allAccounts()) {
            const QString service = item.value(QXKeychain::AttributeService).toString();
            if (service.startsWith(u"keychain-test-"_s))
                QXKeychain::deletePasswordForService(service,
                                                     item.value(QXKeychain::AttributeAccount).toString());
        }
    }

    void missingArgumentsFailWithoutAKeyringCall()
    {
        Error errors[3];
        QVERIFY(QXKeychain::passwordForService(u"s"_s, QString(), errors[0]).isNull());
        QVERIFY(!QXKeychain::setPassword(QString(), u"s"_s, u"a"_s, errors[1]));
        QVERIFY(!QXKeychain::deletePasswordForService(QString(), u"a"_s, errors[2]));
        for (const Error &error : errors)
            QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
    }

    // Items are saved, replaced, found, listed and deleted by exactly their service and account.
    void itemsAreKeptByServiceAndAccount()
    {
        REQUIRE_TEST_KEYRING();
        const QString service = uniqueService();
        Error error;
        QVERIFY(QXKeychain::setPassword(u"first"_s, service, u"ann"_s, error)); // replaced next
        QVERIFY(QXKeychain::setPassword(u"zweites Passwort ✓"_s, service, u"ann"_s, error));
        QVERIFY(QXKeychain::setPassword(u"b"_s, service, u"bob"_s, error));
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(QXKeychain::passwordForService(service, u"ann"_s, error), u"zweites Passwort ✓"_s);
        const QList<QVariantMap> items = QXKeychain::accountsForService(service, error);
        QCOMPARE(attributeOf(items, QXKeychain::AttributeAccount), (QStringList{u"ann"_s, u"bob"_s}));
        // The label is for people browsing their keyring: it must not give the secret away.
        for (const QVariantMap &item : items)
            QVERIFY(!item.value(QXKeychain::AttributeLabel).toString().contains(u"Passwort"_s));

        // An empty account is a valid query of its own, not a wildcard.
        for (const auto &[s, account] :
             {std::pair(service, u"carl"_s), std::pair(QString(service + u'/'), u"ann"_s),
              std::pair(service, u""_s)}) {
            QVERIFY(QXKeychain::passwordForService(s, account, error).isNull());
            QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        }
        error.clear();
        QVERIFY(QXKeychain::deletePasswordForService(service, u"ann"_s, error));
        QVERIFY(!QXKeychain::deletePasswordForService(service, u"ann"_s, error));
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        QCOMPARE(QXKeychain::passwordForService(service, u"bob"_s), u"b"_s);

        // An empty secret is stored, but reads back as no password rather than an empty one.
        QVERIFY(QXKeychain::setPassword(u""_s, service, u"bob"_s));
        QVERIFY(QXKeychain::passwordForService(service, u"bob"_s).isNull());
        QCOMPARE(QXKeychain::accountsForService(service).size(), 1);
    }

    // Another program saving and deleting passwords at the same time must not make a listing fail:
    // an item deleted while the list is read is simply no longer in it.
    void listingWhileItemsComeAndGo()
    {
        REQUIRE_TEST_KEYRING();
        const QString churned = uniqueService();
        const QString kept = uniqueService();
        QVERIFY(QXKeychain::setPassword(u"k"_s, kept, u"kim"_s));
        std::atomic<bool> stop = false;
        std::unique_ptr<QThread> other(QThread::create([&] {
            for (int i = 0; !stop; ++i) {
                const QString account = u"a%1"_s.arg(i % 4);
                QXKeychain::setPassword(u"x"_s, churned, account);
                QXKeychain::deletePasswordForService(churned, account);
            }
        }));
        other->start();
        QString failure;
        for (int i = 0; i < 40 && failure.isEmpty(); ++i) {
            Error error;
            const QList<QVariantMap> items = QXKeychain::allAccounts(error);
            if (error || !attributeOf(items, QXKeychain::AttributeService).contains(kept))
                failure = u"listing %1 failed: %2"_s.arg(i).arg(error.toString());
        }
        stop = true;
        other->wait();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // A process with no session bus at all must neither hang nor autolaunch a bus: saves fail
    // clearly, reads find nothing, and the password lands in no file.
    void withoutASessionBusNothingIsReadOrWrittenAnywhere()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DBUS_SESSION_BUS_ADDRESS"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
            environment.remove(name);
        environment.insert(u"HOME"_s, home.path());
        // A runtime folder of its own, too: the test's own may hold a bus socket.
        for (const QString &name :
             {u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_STATE_HOME"_s, u"XDG_RUNTIME_DIR"_s})
            environment.insert(name, home.filePath(name));
        QVERIFY(QDir(home.path()).mkdir(u"XDG_RUNTIME_DIR"_s));
        const QString secret = u"no-bus-secret-%1"_s.arg(QUuid::createUuid().toString(QUuid::Id128));
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(KEYRING_PROBE_PATH), {secret});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n');
        QCOMPARE(lines.mid(0, 2),
                 (QStringList{u"saved=0"_s, u"save-code=%1"_s.arg(QXKeychain::NotAvailable)}));
        QVERIFY(lines.value(2).startsWith(u"save-text="_s) && lines.value(2).contains(u"keyring"_s));
        // Reading it back through the preferences finds nothing either.
        QCOMPARE(lines.value(3), u"preferences-password=[]"_s);
        const QString settingsFile = lines.value(4).section(u'=', 1);
        QVERIFY(settingsFile.startsWith(home.path()) && QFileInfo::exists(settingsFile));
        QVERIFY(!TestFiles::read(settingsFile).contains(secret.toUtf8()));
        QVERIFY(!lines.join(u'\n').contains(secret) &&
                !probe.readAllStandardError().contains(secret.toUtf8()));
    }
};

VENDRA_TEST_MAIN(TestKeychain)
#include "tst_keychain.moc"
