#include "app/MainWindow.h"

#include "DesktopSession.h"
#include "GuiTest.h"
#include "albums/remoteFileBrowserHelper.h"
#include "session/commsGlobals.h"
#include "upload/UploadQueue.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMainWindow>
#include <QTemporaryDir>

// A notification server on the test's own session bus that records what it is asked to show.
class RecordingNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown; // summary, body and actions of each

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown.append(QStringList{summary, body, actions.join(u',')}.join(u'|'));
        return uint(shown.size());
    }
};

// One notification per batch, only while the window is not active; clicking it raises the window.
class TestBatchNotifier : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    // Uploads a new folder of so many files into Family and waits until the queue is idle.
    void uploadFolderOf(int files)
    {
        const QString folder = m_work.filePath(u"batch%1"_s.arg(files));
        for (int i = 0; i < files; ++i)
            TestFiles::write(folder + u"/f%1.bin"_s.arg(i), TestFiles::randomBytes(500, quint32(i)));
        remoteFileBrowserHelper &helper = commsGlobal->remoteBrowserHelper();
        QVERIFY(helper.uploadFiles(
            {QUrl::fromLocalFile(folder)},
            helper.indexForNode(commsGlobal->registry().findRemoteAlbumByName(u"Family"_s).get())));
        QTRY_COMPARE_WITH_TIMEOUT(commsGlobal->uploadQueue().numUploadsInProgressOrWaiting(), 0u, 60000);
    }

private Q_SLOTS:
    void notifiesOncePerBatchWhileInactive()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notifications"_s);
        QVERIFY2(bus.isConnected(), "no session bus");
        RecordingNotifications recorder;
        QVERIFY(bus.registerObject(u"/org/freedesktop/Notifications"_s, &recorder,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY2(bus.registerService(u"org.freedesktop.Notifications"_s), "the name is taken on this bus");

        const std::unique_ptr<ReferenceServer> server = startServer({false, true, {u"--auto-approve"_s}, {}});
        QVERIFY(server);
        VendraUploaderAppDelegate delegate;
        launchAndSignIn(delegate, *server);
        QTRY_VERIFY_WITH_TIMEOUT(delegate.mainWindow() && delegate.mainWindow()->toolbarActive(), 30000);
        QWidget *window = delegate.mainWindow()->mainWidget();

        // Active: no word.
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());
        uploadFolderOf(2);
        QTest::qWait(500);
        QCOMPARE(recorder.shown.size(), 0);

        // Another window in front: one word for the batch, whatever its size.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!window->isActiveWindow());
        uploadFolderOf(5);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.shown.size(), 1, 5000);
        QTest::qWait(500);
        QCOMPARE(recorder.shown.size(), 1);
        QVERIFY2(recorder.shown.first().startsWith(u"Uploads finished|5 arrived, 0 failed|"_s) &&
                     recorder.shown.first().contains(u"default"_s),
                 qPrintable(recorder.shown.first()));

        // Clicking it raises the window.
        QDBusMessage clicked = QDBusMessage::createSignal(
            u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        clicked << uint(1) << u"default"_s;
        QVERIFY(bus.send(clicked));
        QTRY_VERIFY_WITH_TIMEOUT(window->isActiveWindow(), 5000);
        bus.unregisterService(u"org.freedesktop.Notifications"_s);
    }
};

VENDRA_GUI_TEST_MAIN(TestBatchNotifier)
#include "tst_batchnotifier.moc"
