#include "settings/Preferences.h"

#include "diagnostics/LogFile.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QUuid>

#include <memory>

namespace {

// The password tests only ever run against the throw-away keyring that scripts/test.sh starts.
bool inTestKeyring()
{
    return qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") &&
           qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

#define REQUIRE_TEST_KEYRING()                                                                               \
    if (!inTestKeyring())                                                                                    \
    QSKIP("needs the private keyring of scripts/test.sh")

QString unique(const QString &pattern)
{
    return pattern.arg(QUuid::createUuid().toString(QUuid::Id128));
}

QString settingsText()
{
    return QString::fromUtf8(TestFiles::read(UserDefaults::open()->fileName()));
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_config;

private Q_SLOTS:
    void init()
    {
        // A fresh, empty configuration folder for every test: a first run on a clean account.
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config->path());
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_config->path()));
        QVERIFY(Preferences::init());
    }

    void cleanup() { Preferences::close(); }

    // The switches' defaults are checked with the General pane.
    void firstRunReadsTheRegisteredDefaults()
    {
        Preferences *p = Preferences::instance();
        QCOMPARE(p->port(), 443);
        QCOMPARE(p->useHttps(), true);
        QCOMPARE(p->savePassword(), true);
        QCOMPARE(p->numberSimultaneousUploads(), 4);
        QVERIFY(!p->server().isNull()); // a null server would make the keyring refuse the lookup
        if (inTestKeyring())
            QCOMPARE(p->password(), u""_s);
        QVERIFY(!QFile::exists(UserDefaults::open()->fileName())); // reading writes nothing
    }

    // Values come back from a new store as written, under the keys older versions read.
    void valuesSurviveANewStoreUnderTheirKeys()
    {
        Preferences *p = Preferences::instance();
        p->setServer(u"https://media.example/path/"_s);
        p->setPort(8443);
        p->setUser(u"Ånn Smith, \"ann\"; #1 = [x]"_s);
        p->setAutoLogin(true);
        p->setNumberSimultaneousUploads(-3); // stored unchanged; the queue clamps it
        p->setDisableFinder(true);
        Preferences::close();
        p = Preferences::init();
        QCOMPARE(p->server(), u"https://media.example/path/"_s);
        QCOMPARE(p->user(), u"Ånn Smith, \"ann\"; #1 = [x]"_s);
        QCOMPARE(p->numberSimultaneousUploads(), -3);
        for (const QString &line : {u"portno=8443"_s, u"dontshow=true"_s, u"disableFinderKey=true"_s})
            QVERIFY2(settingsText().contains(line), qPrintable(line));
    }

    void anEmptyServerReadsAsDefaultPortAndHttps()
    {
        Preferences *p = Preferences::instance();
        p->setPort(8080);
        p->setUseHttps(false);
        for (const QString &server : {u""_s, u"media.example"_s, u""_s}) {
            p->setServer(server);
            QCOMPARE(p->port(), server.isEmpty() ? 443 : 8080);
            QCOMPARE(p->useHttps(), server.isEmpty());
        }
    }

    void changedEventIsPostedAfterTheFlush()
    {
        Preferences *p = Preferences::instance();
        p->setUser(u"flushed-user"_s);
        QObject observer;
        QList<Notification> seen;
        bool flushedBeforePost = false;
        NotificationCenter::defaultCenter().addObserver(
            &observer, NotificationNames::EventPreferencesChanged, [&](const Notification &n) {
                seen.append(n);
                flushedBeforePost = settingsText().contains(u"user=flushed-user"_s);
            });
        p->sendEventPrefrencesChanged();
        NotificationCenter::defaultCenter().removeObserver(&observer);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().name(), u"EventPreferencesChanged"_s);
        QCOMPARE(seen.first().object().value<Preferences *>(), p);
        QVERIFY(seen.first().userInfo().isEmpty());
        QVERIFY(flushedBeforePost);
    }

    void passwordIsKeyedByServerAndUser()
    {
        REQUIRE_TEST_KEYRING();
        Preferences *p = Preferences::instance();
        const QString server = unique(u"prefs-%1.example"_s);
        p->setServer(server);
        p->setUser(u"ann"_s);
        p->setPassword(u"s3cret pw"_s, true);
        QCOMPARE(QXKeychain::passwordForService(server, u"ann"_s), u"s3cret pw"_s);
        for (const auto &[s, user, expected] :
             {std::tuple(server, u"bob"_s, u""_s), std::tuple(QString(server + u":443"_s), u"ann"_s, u""_s),
              std::tuple(server, u"ann"_s, u"s3cret pw"_s)}) {
            p->setServer(s);
            p->setUser(user);
            QCOMPARE(p->password(), expected);
        }

        // Saving with the flag off deletes the item, and only that one.
        QVERIFY(QXKeychain::setPassword(u"bobs"_s, server, u"bob"_s));
        p->setPassword(u"s3cret pw"_s, false);
        QCOMPARE(p->savePassword(), false);
        QCOMPARE(p->password(), u""_s);
        QVERIFY(QXKeychain::passwordForService(server, u"ann"_s).isNull());
        QCOMPARE(QXKeychain::passwordForService(server, u"bob"_s), u"bobs"_s);

        // The flag alone leaves the keyring as it is; an empty password replaces the old one.
        p->setPassword(u"again"_s, true);
        p->setSavePassword(false);
        QCOMPARE(p->password(), u"again"_s);
        p->setPassword(QString(), true);
        QCOMPARE(p->password(), u""_s);
    }

    void noPasswordSurvivesInSettingsOrLogFiles()
    {
        REQUIRE_TEST_KEYRING();
        QTemporaryDir state;
        QVERIFY(state.isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        const QString secret = unique(u"pw-%1"_s);
        {
            LogFile log; // every diagnostic line of the saves goes to the log file
            Preferences *p = Preferences::instance();
            // A retired plain-text password from an old version goes with the first save.
            UserDefaults::open()->setValue(Preferences::KeyPassword, secret);
            QVERIFY(settingsText().contains(secret));
            p->setServer(unique(u"prefs-%1.example"_s));
            p->setUser(u"ann"_s);
            p->setPassword(secret, true);
            p->sendEventPrefrencesChanged();
            QCOMPARE(p->password(), secret);
            QVERIFY(!UserDefaults::open()->contains(Preferences::KeyPassword));

            UserDefaults::open()->setValue(Preferences::KeyPassword, secret);
            p->setPassword(secret, false);
            p->sendEventPrefrencesChanged();
            QVERIFY(!UserDefaults::open()->contains(Preferences::KeyPassword));
        }
        int files = 0;
        for (const QString &root : {m_config->path(), state.path()})
            for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 it.hasNext(); ++files)
                QVERIFY2(!TestFiles::read(it.next()).contains(secret.toUtf8()), qPrintable(it.filePath()));
        QCOMPARE(files, 2); // the settings file and this run's log file
        qunsetenv("XDG_STATE_HOME");
    }
};

VENDRA_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
