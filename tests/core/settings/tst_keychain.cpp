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
    return QStringLiteral("keychain-test-%1.example").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
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
    void missingArgumentsFailWithoutAKeyringCall()
    {
        // No keyring needed: a missing argument stops every operation before it reaches the bus.
        Error error;
        QVERIFY(QXKeychain::passwordForService(QStringLiteral("s"), QString(), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        QCOMPARE(error.domain(), QStringLiteral("com.halvane.qxkeychain"));
        QVERIFY(error.description() != QStringLiteral("Text_KeychainMissingArgument"));

        error.clear();
        QVERIFY(QXKeychain::passwordDataForService(QString(), QStringLiteral("a"), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::setPassword(QString(), QStringLiteral("s"), QStringLiteral("a"), error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::setPasswordData(QByteArray("x"), QStringLiteral("s"), QString(), error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
        error.clear();
        QVERIFY(!QXKeychain::deletePasswordForService(QString(), QStringLiteral("a"), error));
        QCOMPARE(error.code(), int(QXKeychain::MissingArgument));
    }

    void savingTwiceKeepsOneItemWithTheSecondPassword()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        Error error;
        QVERIFY(QXKeychain::setPassword(QStringLiteral("first"), service, QStringLiteral("ann"), error));
        QVERIFY(QXKeychain::setPassword(QStringLiteral("zweites Passwort ✓"), service, QStringLiteral("ann"),
                                        error));
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(QXKeychain::passwordForService(service, QStringLiteral("ann"), error),
                 QStringLiteral("zweites Passwort ✓"));

        const QList<QVariantMap> accounts = QXKeychain::accountsForService(service, error);
        QVERIFY(!error);
        QCOMPARE(accounts.size(), 1);
        const QVariantMap item = accounts.first();
        QCOMPARE(item.value(QXKeychain::AttributeAccount).toString(), QStringLiteral("ann"));
        QCOMPARE(item.value(QXKeychain::AttributeService).toString(), service);
        QVERIFY(!item.value(QXKeychain::AttributeLabel).toString().isEmpty());
        QVERIFY(item.value(QXKeychain::AttributeCreationDate).toDateTime().isValid());
        QVERIFY(item.value(QXKeychain::AttributeModificationDate).toDateTime().isValid());
        // The label is for people browsing their keyring: it must not give the secret away.
        QVERIFY(!item.value(QXKeychain::AttributeLabel).toString().contains(QStringLiteral("Passwort")));
    }

    void aPasswordIsFoundOnlyUnderItsServiceAndAccount()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        QVERIFY(QXKeychain::setPassword(QStringLiteral("pw"), service, QStringLiteral("ann")));
        Error error;
        QVERIFY(QXKeychain::passwordForService(service, QStringLiteral("bob"), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        error.clear();
        QVERIFY(QXKeychain::passwordForService(service + u'/', QStringLiteral("ann"), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        // An empty account is a valid query of its own, not a wildcard.
        error.clear();
        QVERIFY(QXKeychain::passwordForService(service, QStringLiteral(""), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        QVERIFY(QXKeychain::setPassword(QStringLiteral("for nobody"), service, QStringLiteral("")));
        QCOMPARE(QXKeychain::passwordForService(service, QStringLiteral("")), QStringLiteral("for nobody"));
        QCOMPARE(QXKeychain::passwordForService(service, QStringLiteral("ann")), QStringLiteral("pw"));
    }

    void binarySecretsAndEmptySecrets()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        const QByteArray bytes("\x00\xff\xfe binary\x00tail", 15);
        Error error;
        QVERIFY(QXKeychain::setPasswordData(bytes, service, QStringLiteral("ann"), error));
        QCOMPARE(QXKeychain::passwordDataForService(service, QStringLiteral("ann"), error), bytes);
        QVERIFY(!error);

        // An empty secret is stored, but reads back as no password rather than an empty one.
        QVERIFY(QXKeychain::setPassword(QStringLiteral(""), service, QStringLiteral("ann"), error));
        QVERIFY(QXKeychain::passwordForService(service, QStringLiteral("ann"), error).isNull());
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(QXKeychain::accountsForService(service).size(), 1);
    }

    void deleteRemovesTheItemAndReportsMissingOnes()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        const QString service = uniqueService();
        Error error;
        QVERIFY(!QXKeychain::deletePasswordForService(service, QStringLiteral("ann"), error));
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));

        QVERIFY(QXKeychain::setPassword(QStringLiteral("pw"), service, QStringLiteral("ann")));
        QVERIFY(QXKeychain::setPassword(QStringLiteral("other"), service, QStringLiteral("bob")));
        error.clear();
        QVERIFY(QXKeychain::deletePasswordForService(service, QStringLiteral("ann"), error));
        QVERIFY(!error);
        QVERIFY(QXKeychain::passwordForService(service, QStringLiteral("ann"), error).isNull());
        QCOMPARE(error.code(), int(QXKeychain::ItemNotFound));
        QCOMPARE(QXKeychain::passwordForService(service, QStringLiteral("bob")), QStringLiteral("other"));
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

        QVERIFY(QXKeychain::setPassword(QStringLiteral("a"), first, QStringLiteral("ann")));
        QVERIFY(QXKeychain::setPassword(QStringLiteral("b"), first, QStringLiteral("bob")));
        QVERIFY(QXKeychain::setPassword(QStringLiteral("c"), second, QStringLiteral("cid")));

        QStringList accounts;
        for (const QVariantMap &item : QXKeychain::accountsForService(first))
            accounts.append(item.value(QXKeychain::AttributeAccount).toString());
        accounts.sort();
        QCOMPARE(accounts, (QStringList{QStringLiteral("ann"), QStringLiteral("bob")}));

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
        QVERIFY(QXKeychain::setPassword(QStringLiteral("k"), kept, QStringLiteral("kim")));
        std::atomic<bool> stop = false;
        std::unique_ptr<QThread> other(QThread::create([&] {
            for (int i = 0; !stop; ++i) {
                const QString account = QStringLiteral("a%1").arg(i % 4);
                QXKeychain::setPassword(QStringLiteral("x"), churned, account);
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
                QFAIL(qPrintable(QStringLiteral("listing %1 failed: %2").arg(i).arg(error.toString())));
            }
        }
        stop = true;
        other->wait();
        for (int i = 0; i < 4; ++i)
            QXKeychain::deletePasswordForService(churned, QStringLiteral("a%1").arg(i));
        QXKeychain::deletePasswordForService(kept, QStringLiteral("kim"));
    }

    void withoutASessionBusNothingIsReadOrWrittenAnywhere()
    {
        // A process that starts with no session bus at all: it must neither hang nor autolaunch a
        // bus, reads find nothing, saves fail clearly, and the password lands in no file.
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        QDir(home.path()).mkdir(QStringLiteral("runtime"));

        const QString secret =
            QStringLiteral("no-bus-secret-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(KEYRING_PROBE_PATH), {secret});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QByteArray stdoutText = probe.readAllStandardOutput();
        const QByteArray stderrText = probe.readAllStandardError();
        const QMap<QString, QString> values = parseProbeOutput(stdoutText);

        QCOMPARE(values.value(QStringLiteral("read-null")), QStringLiteral("1"));
        QCOMPARE(values.value(QStringLiteral("read-code")).toInt(), int(QXKeychain::NotAvailable));
        QCOMPARE(values.value(QStringLiteral("saved")), QStringLiteral("0"));
        QCOMPARE(values.value(QStringLiteral("save-code")).toInt(), int(QXKeychain::NotAvailable));
        QVERIFY(values.value(QStringLiteral("save-text")).contains(QStringLiteral("keyring")));
        QCOMPARE(values.value(QStringLiteral("preferences-password")), QStringLiteral("[]"));
        QVERIFY(values.value(QStringLiteral("settings-file")).startsWith(home.path()));

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
