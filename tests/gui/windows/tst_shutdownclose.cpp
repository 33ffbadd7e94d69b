#include "GuiTest.h"
#include "TestFiles.h"
#include "diagnostics/CrashHandler.h"
#include "events/Log.h"
#include "events/LogView.h"
#include "events/LogWindow.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/LocalFileBrowser.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"
#include "windows/LoginWindow.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

// At shut-down the event log, the crash handler and the settings store close while the windows
// still exist and the program still turns its event loop (signing out waits up to a second).
class TestShutdownClose : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowsOutliveTheClosedSingletons()
    {
        QTemporaryDir folder;
        TestFiles::write(folder.filePath(u"mountinfo"_s), "");
        TestFiles::write(folder.filePath(u"bookmarks"_s), "");
        commsGlobals globals;
        Preferences::init();
        Log::init();
        QVERIFY(CrashHandler::init());

        auto browser = std::make_unique<LocalFileBrowser>(folder.filePath(u"mountinfo"_s),
                                                          folder.filePath(u"bookmarks"_s));
        LoginWindow login;
        login.showWindow();
        LogWindow logWindow;
        logWindow.showWindow();
        Log::instance()->add(u"failed"_s, u"a.jpg"_s);
        QCOMPARE(logWindow.logView()->model()->rowCount(), 1);

        Log::close();
        CrashHandler::close();
        Preferences::close();
        QCOMPARE(logWindow.logView()->model()->rowCount(), 0);

        // What still reaches the windows meanwhile touches nothing that is gone, and brings
        // nothing back.
        for (const QString &name : {NotificationNames::EventPreferencesChanged,
                                NotificationNames::EventLogAddMessage, NotificationNames::EventLogClear})
            NotificationCenter::defaultCenter().postNotificationName(name, u"late"_s);
        logWindow.clearButton()->click();
        QCoreApplication::processEvents();
        QCOMPARE(logWindow.logView()->model()->rowCount(), 0);
        login.close();
        logWindow.close();
        browser.reset();
        QVERIFY(!Log::instance() && !CrashHandler::instance() && !Preferences::instance());
        // The run is marked as ended in order.
        QCOMPARE(UserDefaults::open()->value(CrashHandler::LaunchedKey, true).toBool(), false);
    }
};

VENDRA_GUI_TEST_MAIN(TestShutdownClose)
#include "tst_shutdownclose.moc"
