#include "settings/Preferences.h"

#include "diagnostics/LogFile.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include "VendraTest.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include <memory>

namespace {

bool inTestKeyring()
{
    return qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") &&
           qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

QString uniqueServer()
{
    return u"prefs-%1.example"_s.arg(QUuid::createUuid().toString(QUuid::Id128));
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_config;

    QString settingsText() const
    {
        QFile file(UserDefaults::open()->fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

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

    void firstRunReadsTheRegisteredDefaults()
    {
        Preferences *p = Preferences::instance();
        QCOMPARE(p->versionNumber(), 0);
        QCOMPARE(p->server(), u""_s);
        QVERIFY(!p->server().isNull());
        QCOMPARE(p->port(), 443);
        QCOMPARE(p->useHttps(), true);
        QCOMPARE(p->user(), u""_s);
        QCOMPARE(p->savePassword(), true);
        QCOMPARE(p->autoLogin(), false);
        QCOMPARE(p->reExpandFoldersOnRefresh(), false);
        QCOMPARE(p->numberSimultaneousUploads(), 4);
        QCOMPARE(p->remoteViewAutoExpandsOnDrags(), false);
        QCOMPARE(p->disableFinder(), false);
        QCOMPARE(p->autoSyncPlacesWithFinder(), true);
        QCOMPARE(p->autoExpandFinderFolders(), false);
        if (inTestKeyring())
            QCOMPARE(p->password(), u""_s);
        QCOMPARE(Preferences::registeredDefaults().size(), 14);
        // Reading writes nothing.
        QVERIFY(!QFile::exists(UserDefaults::open()->fileName()));
    }

    // Values come back from a new store as written, under the keys older versions read.
    void settersWriteThroughAndSurviveANewStore()
    {
        Preferences *p = Preferences::instance();
        p->setServer(u"https://media.example/path/"_s);
        p->setPort(8443);
        p->setUser(u"Ånn Smith, \"ann\"; #1 = [x]"_s);
        p->setAutoLogin(true);
        p->setNumberSimultaneousUploads(-3);
        p->setDisableFinder(true);
        p->sendEventPrefrencesChanged();

        Preferences::close();
        p = Preferences::init();
        QCOMPARE(p->server(), u"https://media.example/path/"_s);
        QCOMPARE(p->user(), u"Ånn Smith, \"ann\"; #1 = [x]"_s);
        QCOMPARE(p->numberSimultaneousUploads(), -3); // stored unchanged; the queue clamps it
        const QString text = settingsText();
        QVERIFY(text.contains(u"portno=8443"_s));
        QVERIFY(text.contains(u"dontshow=true"_s));
        QVERIFY(text.contains(u"disableFinderKey=true"_s));
    }

    void anEmptyServerReadsAsDefaultPortAndHttps()
    {
        Preferences *p = Preferences::instance();
        p->setPort(8080);
        p->setUseHttps(false);
        QCOMPARE(p->port(), 443);
        QCOMPARE(p->useHttps(), true);
        p->setServer(u"media.example"_s);
        QCOMPARE(p->port(), 8080);
        QCOMPARE(p->useHttps(), false);
        p->setServer(u""_s);
        QCOMPARE(p->port(), 443);
        QCOMPARE(p->useHttps(), true);
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
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        Preferences *p = Preferences::instance();
        const QString server = uniqueServer();
        p->setServer(server);
        p->setUser(u"ann"_s);
        p->setPassword(u"s3cret pw"_s, true);
        QCOMPARE(p->password(), u"s3cret pw"_s);
        QCOMPARE(QXKeychain::passwordForService(server, u"ann"_s), u"s3cret pw"_s);

        p->setUser(u"bob"_s);
        QCOMPARE(p->password(), u""_s);
        p->setUser(u"ann"_s);
        p->setServer(server + u":443"_s);
        QCOMPARE(p->password(), u""_s);
        p->setServer(server);
        QCOMPARE(p->password(), u"s3cret pw"_s);

        // Saving with the flag off deletes the item, and only that one.
        QVERIFY(QXKeychain::setPassword(u"bobs"_s, server, u"bob"_s));
        p->setPassword(u"s3cret pw"_s, false);
        QCOMPARE(p->savePassword(), false);
        QCOMPARE(p->password(), u""_s);
        QVERIFY(QXKeychain::passwordForService(server, u"ann"_s).isNull());
        QCOMPARE(QXKeychain::passwordForService(server, u"bob"_s), u"bobs"_s);

        // The flag alone leaves the keyring as it is.
        p->setPassword(u"again"_s, true);
        p->setSavePassword(false);
        QCOMPARE(p->password(), u"again"_s);
    }

    void savingAnEmptyPasswordReplacesTheOldOne()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        Preferences *p = Preferences::instance();
        p->setServer(uniqueServer());
        p->setUser(u"ann"_s);
        p->setPassword(u"old"_s, true);
        p->setPassword(QString(), true);
        QCOMPARE(p->password(), u""_s);
    }

    void noPasswordSurvivesInSettingsOrLogFiles()
    {
        if (!inTestKeyring())
            QSKIP("needs the private keyring of scripts/test.sh");
        QTemporaryDir state;
        QVERIFY(state.isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        const QString secret = u"pw-%1"_s.arg(QUuid::createUuid().toString(QUuid::Id128));
        {
            LogFile log; // every diagnostic line of the saves goes to the log file
            Preferences *p = Preferences::instance();
            {
                // A retired plain-text password from an old version.
                const auto raw = UserDefaults::open();
                raw->setValue(Preferences::KeyPassword, secret);
                raw->sync();
            }
            QVERIFY(settingsText().contains(secret));
            p->setServer(uniqueServer());
            p->setUser(u"ann"_s);
            p->setPassword(secret, true);
            p->sendEventPrefrencesChanged();
            QCOMPARE(p->password(), secret);
            QVERIFY(!settingsText().contains(
                QRegularExpression(u"^password="_s, QRegularExpression::MultilineOption)));

            UserDefaults::open()->setValue(Preferences::KeyPassword, secret);
            p->setPassword(secret, false);
            p->sendEventPrefrencesChanged();
            QVERIFY(!UserDefaults::open()->contains(Preferences::KeyPassword));
        }
        int files = 0;
        for (const QString &root : {m_config->path(), state.path()}) {
            QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                QVERIFY2(!file.readAll().contains(secret.toUtf8()), qPrintable(file.fileName()));
                ++files;
            }
        }
        QCOMPARE(files, 2); // the settings file and this run's log file
        qunsetenv("XDG_STATE_HOME");
    }
};

VENDRA_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
