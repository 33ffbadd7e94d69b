#include "settings/Preferences.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QTemporaryDir>
#include <QUuid>

#include <memory>

namespace {

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

    // Values come back from a new store as written, under the keys older versions read; an empty
    // server reads as the default port over HTTPS.
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
        p->setUseHttps(false);
        for (const QString &server : {u""_s, u"media.example"_s}) {
            p->setServer(server);
            QCOMPARE(p->port(), server.isEmpty() ? 443 : 8443);
            QCOMPARE(p->useHttps(), server.isEmpty());
        }
    }

    // Another process reads the file when told of a change, so the change is on disk by then; a
    // plain-text password an old version left in the settings goes with that save.
    void changedEventIsPostedAfterTheFlushWithoutAPlainTextPassword()
    {
        if (!qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") ||
            !qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs the private keyring of scripts/test.sh");
        Preferences *p = Preferences::instance();
        p->setServer(u"prefs-%1.example"_s.arg(QUuid::createUuid().toString(QUuid::Id128)));
        p->setUser(u"flushed-user"_s);
        QObject observer; // destroyed, it is never called again
        QList<bool> flushedAtPost;
        NotificationCenter::defaultCenter().addObserver(
            &observer, NotificationNames::EventPreferencesChanged, [&](const Notification &) {
                flushedAtPost.append(settingsText().contains(u"user=flushed-user"_s) &&
                                     !settingsText().contains(u"old plain text"_s));
            });
        for (const bool save : {true, false}) {
            UserDefaults::open()->setValue(Preferences::KeyPassword, u"old plain text"_s);
            p->setPassword(u"pw"_s, save);
            p->sendEventPrefrencesChanged();
            QVERIFY(!UserDefaults::open()->contains(Preferences::KeyPassword));
        }
        QCOMPARE(flushedAtPost, (QList<bool>{true, true}));
    }
};

VENDRA_TEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
