#include "preferences/PreferenceWindow.h"
#include "preferences/PreferencesProfileView.h"

#include "GuiTest.h"
#include "TestFiles.h"
#include "TypeSignIn.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"
#include "windows/LoginWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

// With no keyring running, a password that is to be saved says so where it was asked for, and goes
// nowhere else.
class TestKeyringMissing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<commsGlobals> m_globals;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        // A session bus that nobody answers on: read before the first call to the keyring.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_folder.filePath(u"no-bus"_s)));
        QVERIFY(!QXKeychain::isAvailable());
    }

    void init()
    {
        UserDefaults::open()->clear();
        QVERIFY(Preferences::init());
        m_globals = std::make_unique<commsGlobals>();
    }

    void cleanup()
    {
        m_globals.reset();
        Preferences::close();
        UserDefaults::open()->clear();
    }

    void theProfilePaneSaysSo()
    {
        PreferenceWindow window(m_folder.path());
        window.showWindow();
        window.selectProfile();
        PreferencesProfileView *view = window.profile();
        QVERIFY(view->passwordNote()->isHidden());
        typeInto(view->serverNameField(), u"media.example"_s);
        typeInto(view->userNameField(), u"ann"_s);
        typeInto(view->passwordField(), u"secret-words"_s);
        if (!view->savePasswordBox()->isChecked())
            view->savePasswordBox()->click();
        view->updateButton()->click();
        QVERIFY(!view->passwordNote()->isHidden());
        QCOMPARE(view->passwordNote()->text(), messageText(u"Text_KeyringMissing"_s));
        // The session still has it for this run; nothing kept it anywhere else.
        QCOMPARE(commsGlobal->password(), u"secret-words"_s);
        QCOMPARE(Preferences::instance()->password(), QString());
        Preferences::instance()->synchronize();
        QVERIFY(!TestFiles::read(UserDefaults::open()->fileName()).contains("secret-words"));

        // The sign-in window says so too; unticked, there is nothing to warn about.
        commsGlobal->setBSavePassword(true);
        LoginWindow login;
        login.showWindow();
        // Unticked, there is nothing to warn about.
        for (const bool save : {true, false, true}) {
            QCOMPARE(login.savePasswordBox()->isChecked(), save);
            QCOMPARE(login.statusLabel()->text(), save ? messageText(u"Text_KeyringMissing"_s) : QString());
            login.savePasswordBox()->click();
        }
    }
};

VENDRA_GUI_TEST_MAIN(TestKeyringMissing)
#include "tst_keyringmissing.moc"
