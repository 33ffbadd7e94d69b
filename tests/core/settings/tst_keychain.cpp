#include "settings/QXKeychain.h"

#include "VendraTest.h"

#include <QDirIterator>
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

QString uniqueService()
{
    return u"keychain-test-%1.example"_s.arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QMap<QString, QString> parseProbeOutput(const QByteArray &output)
{
    QMap<QString, QString> values;
    for (const QString &line : QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
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
        // No keyring needed: a missing argument stops every operation before it reaches the bus.
        Error error;
        QVERIFY(QXKeychain::passwordForService(u"s"_s, QString(), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        QCOMPARE(error.domain(), u"com.halvane.qxkeychain"_s);
        QVERIFY(error.description() != u"Text_KeychainMissingArgument"_s);

        error.clear();
        QVERIFY(QXKeychain::passwordDataForService(QString(), u"a"_s, error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::setPassword(QString(), u"s"_s, u"a"_s, error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::setPasswordData(QByteArray("x"), u"s"_s, QString(), error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::deletePasswordForService(QString(), u"a"_s, error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
    }

    void savingTwiceKeepsOneItemWithTheSecondPassword()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        Error error;
        QVERIFY(QXKeychain::setPassword(u"first"_s, service, u"ann"_s, error));
        QVERIFY(QXKeychain::setPassword(u"zweites Passwort ✓"_s, service, u"ann"_s, error));
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(QXKeychain::passwordForService(service, u"ann"_s, error), u"zweites Passwort ✓"_s);

        const QList<QVariantMap> accounts = QXKeychain::accountsForService(service, error);
        QVERIFY(!error);
        QCOMPARE(accounts.size(), 1);
        const QVariantMap item = accounts.first();
        QCOMPARE(item.value(QXKeychain::AttributeAccount).toString(), u"ann"_s);
        QCOMPARE(item.value(QXKeychain::AttributeService).toString(), service);
        QVERIFY(!item.value(QXKeychain::AttributeLabel).toString().isEmpty());
        QVERIFY(item.value(QXKeychain::AttributeCreationDate).toDateTime().isValid());
        QVERIFY(item.value(QXKeychain::AttributeModificationDate).toDateTime().isValid());
        // The label is for people browsing their keyring: it must not give the secret away.
        QVERIFY(!item.value(QXKeychain::AttributeLabel).toString().contains(u"Passwort"_s));
    }

    void aPasswordIsFoundOnlyUnderItsServiceAndAccount()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        QVERIFY(QXKeychain::setPassword(u"pw"_s, service, u"ann"_s));
        Error error;
        QVERIFY(QXKeychain::passwordForService(service, u"bob"_s, error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        error.clear();
        QVERIFY(QXKeychain::passwordForService(service + u'/', u"ann"_s, error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        // An empty account is a valid query of its own, not a wildcard.
        error.clear();
        QVERIFY(QXKeychain::passwordForService(service, u""_s, error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        QVERIFY(QXKeychain::setPassword(u"for nobody"_s, service, u""_s));
        QCOMPARE(QXKeychain::passwordForService(service, u""_s), u"for nobody"_s);
        QCOMPARE(QXKeychain::passwordForService(service, u"ann"_s), u"pw"_s);
    }

    void binarySecretsAndEmptySecrets()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        const QByteArray bytes("\x00\xff\xfe binary\x00tail", 15);
        Error error;
        QVERIFY(QXKeychain::setPasswordData(bytes, service, u"ann"_s, error));
        QCOMPARE(QXKeychain::passwordDataForService(service, u"ann"_s, error), bytes);
        QVERIFY(!error);

        // An empty secret is stored, but reads back as no password rather than an empty one.
        QVERIFY(QXKeychain::setPassword(u""_s, service, u"ann"_s, error));
        QVERIFY(QXKeychain::passwordForService(service, u"ann"_s, error).isNull());
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(QXKeychain::accountsForService(service).size(), 1);
    }

    void deleteRemovesTheItemAndReportsMissingOnes()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        Error error;
        QVERIFY(!QXKeychain::deletePasswordForService(service, u"ann"_s, error));
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));

        QVERIFY(QXKeychain::setPassword(u"pw"_s, service, u"ann"_s));
        QVERIFY(QXKeychain::setPassword(u"other"_s, service, u"bob"_s));
        error.clear();
        QVERIFY(QXKeychain::deletePasswordForService(service, u"ann"_s, error));
        QVERIFY(!error);
        QVERIFY(QXKeychain::passwordForService(service, u"ann"_s, error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        QCOMPARE(QXKeychain::passwordForService(service, u"bob"_s), u"other"_s);
    }

    void listingCoversOneServiceOrAll()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString first = uniqueService();
        const QString second = uniqueService();
        Error error;
        QVERIFY(QXKeychain::accountsForService(first, error).isEmpty());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));

        QVERIFY(QXKeychain::setPassword(u"a"_s, first, u"ann"_s));
        QVERIFY(QXKeychain::setPassword(u"b"_s, first, u"bob"_s));
        QVERIFY(QXKeychain::setPassword(u"c"_s, second, u"cid"_s));

        QStringList accounts;
        for (const QVariantMap &item : QXKeychain::accountsForService(first))
            accounts.append(item.value(QXKeychain::AttributeAccount).toString());
        accounts.sort();
        QCOMPARE(accounts, (QStringList{u"ann"_s, u"bob"_s}));

        QSet<QString> services;
        error.clear();
        for (const QVariantMap &item : QXKeychain::allAccounts(error))
            services.insert(item.value(QXKeychain::AttributeService).toString());
        QVERIFY(!error);
        QVERIFY(services.contains(first));
        QVERIFY(services.contains(second));
    }

    // Another program saving and deleting passwords at the same time must not make a listing fail:
    // an item deleted while the list is read is simply no longer in it.
    void listingWhileItemsComeAndGo()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
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
        for (int i = 0; i < 40; ++i) {
            Error error;
            bool keptListed = false;
            for (const QVariantMap &item : QXKeychain::allAccounts(error))
                keptListed = keptListed || item.value(QXKeychain::AttributeService).toString() == kept;
            if (error || !keptListed) {
                stop = true;
                other->wait();
                QFAIL(qPrintable(u"listing %1 failed: %2"_s.arg(i).arg(error.toString())));
            }
        }
        stop = true;
        other->wait();
        for (int i = 0; i < 4; ++i)
            QXKeychain::deletePasswordForService(churned, u"a%1"_s.arg(i));
        QXKeychain::deletePasswordForService(kept, u"kim"_s);
    }

    void withoutASessionBusNothingIsReadOrWrittenAnywhere()
    {
        // A process that starts with no session bus at all: it must neither hang nor autolaunch a
        // bus, reads find nothing, saves fail clearly, and the password lands in no file.
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
        environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
        environment.insert(u"XDG_STATE_HOME"_s, home.filePath(u"state"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"runtime"_s));
        QDir(home.path()).mkdir(u"runtime"_s);

        const QString secret = u"no-bus-secret-%1"_s.arg(QUuid::createUuid().toString(QUuid::Id128));
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(KEYRING_PROBE_PATH), {secret});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QByteArray stdoutText = probe.readAllStandardOutput();
        const QByteArray stderrText = probe.readAllStandardError();
        const QMap<QString, QString> values = parseProbeOutput(stdoutText);

        QCOMPARE(values.value(u"read-null"_s), u"1"_s);
        QCOMPARE(values.value(u"read-code"_s).toInt(), int(QXKeychain::NotAvailable));
        QCOMPARE(values.value(u"saved"_s), u"0"_s);
        QCOMPARE(values.value(u"save-code"_s).toInt(), int(QXKeychain::NotAvailable));
        QVERIFY(values.value(u"save-text"_s).contains(u"keyring"_s));
        QCOMPARE(values.value(u"preferences-password"_s), u"[]"_s);
        QVERIFY(values.value(u"settings-file"_s).startsWith(home.path()));

        QVERIFY(!stdoutText.contains(secret.toUtf8()));
        QVERIFY(!stderrText.contains(secret.toUtf8()));
        int files = 0;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains(secret.toUtf8()), qPrintable(file.fileName()));
            ++files;
        }
        QVERIFY(files >= 1); // the settings file was written
    }
};

VENDRA_TEST_MAIN(TestKeychain)
#include "tst_keychain.moc"
