#include "quota/QuotaWindow.h"

#include "DesktopSession.h"
#include "GuiTest.h"
#include "controls/ProgressSpinner.h"
#include "quota/QuotaView.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "settings/UserDefaults.h"
#include "upload/UploadQueue.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtMath>

class TestQuotaWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<VendraUploaderAppDelegate> m_delegate;
    QTemporaryDir m_folder;

    QString requestLog() const { return m_folder.filePath(u"requests.log"_s); }
    int quotaCalls() const { return requestCount(requestLog(), u"GetQuotaDetails"_s); }

    static QColor pixelAt(const QImage &image, const QPointF &point)
    {
        return image.pixelColor(point.toPoint());
    }

private Q_SLOTS:
    void init() { UserDefaults::open()->clear(); }

    void cleanup()
    {
        if (m_delegate)
            m_delegate->applicationWillTerminate();
        m_delegate.reset();
        m_server.reset();
        UserDefaults::open()->clear();
    }

    // Shown again while fading in, the window asks the server once, when the fade ends (and is saved
    // with VENDRA_SCREENSHOT_DIR set); the figures are drawn and labelled; a failed call shows the
    // data-unavailable label and a full used slice.
    void theServersFiguresAreDrawnAndLabelled()
    {
        m_server = startServer({false, true, {}, requestLog()});
        QVERIFY(m_server);
        QCOMPARE(m_server->runAdmin({u"user"_s, u"set"_s, u"demo"_s, u"--quota"_s, u"4M"_s}), 0);
        m_delegate = std::make_unique<VendraUploaderAppDelegate>();
        launchAndSignIn(*m_delegate, *m_server);
        QTRY_VERIFY_WITH_TIMEOUT(m_delegate->comms()->bAreLoggedIn(), 15000);
        // A file the server counts as used.
        const QString used = TestFiles::write(m_folder.filePath(u"used.bin"_s), QByteArray(1 << 20, 'q'));
        commsGlobal->uploadQueue().addFileUpload(QUrl::fromLocalFile(used), u"Holidays"_s, nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(commsGlobal->uploadQueue().numUploadsInProgressOrWaiting(), 0u, 20000);
        {
            QuotaWindow window;
            const int before = quotaCalls();
            window.showWindow();
            QVERIFY(window.isWindowAnimating());
            window.showWindow();
            QCOMPARE(quotaCalls(), before);
            QTRY_VERIFY(!window.isWindowAnimating());
            QTRY_COMPARE(quotaCalls(), before + 1);
            QTest::qWait(300);
            QCOMPARE(quotaCalls(), before + 1);
            QCOMPARE(window.quotaView()->usedBytes().value_or(0), double(1 << 20));
            if (const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR"); !folder.isEmpty())
                QVERIFY(window.window()->grab().save(folder + u"/quota.png"_s));
        }

        QuotaView view;
        view.resize(400, 150);
        view.refreshView();
        QVERIFY(view.dataUnavailableLabel()->isHidden());
        QVERIFY(!view.progressIndicator()->isAnimating());
        QCOMPARE(view.totalBytes().value_or(-1), double(4 << 20));
        QCOMPARE(view.numFiles().value_or(-1), 1);
        QVERIFY(view.totalFilesLabel()->text().startsWith(u"1 "_s));
        // The rendered pie: inside the used quarter (up and right of the centre, pushed out) is the
        // used colour; the opposite side is the available colour.
        const QImage image = view.grab().toImage();
        const QuotaView::PieGeometry pie = QuotaView::pieGeometry(view.rect(), 4 << 20, 1 << 20);
        QCOMPARE(pixelAt(image, pie.centre + pie.usedOffset + QPointF(20, -20)), view.usedColour());
        QCOMPARE(pixelAt(image, pie.centre + QPointF(-25, 25)), view.availableColour());
        // The gap the displacement opens: just right of the centre, below the used slice's edge.
        QVERIFY(pixelAt(image, pie.centre + QPointF(20, -2)) != view.usedColour());

        QVERIFY(m_server->stop());
        view.refreshView();
        QVERIFY(!view.dataUnavailableLabel()->isHidden());
        QCOMPARE(view.totalBytes().value_or(-1) + view.usedBytes().value_or(-1), 0.0);
        const QImage failed = view.grab().toImage();
        const QuotaView::PieGeometry full = QuotaView::pieGeometry(view.rect(), 0, 0);
        // No allowance is one full used slice; more used than allowed never wraps past a circle.
        QVERIFY(qFuzzyCompare(QuotaView::pieGeometry(view.rect(), 100, 300).usedAngle, 2 * M_PI));
        QCOMPARE(pixelAt(failed, full.centre + full.usedOffset + QPointF(-25, 20)), view.usedColour());
        QCOMPARE(pixelAt(failed, full.centre + full.usedOffset + QPointF(25, 20)), view.usedColour());
    }
};

VENDRA_GUI_TEST_MAIN(TestQuotaWindow)
#include "tst_quotawindow.moc"
