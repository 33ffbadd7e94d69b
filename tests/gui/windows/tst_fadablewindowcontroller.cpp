#include "GuiTest.h"
#include "windows/FadableWindowController.h"

#include <QPushButton>
#include <QSignalSpy>

class tst_FadableWindowController : public QObject
{
    Q_OBJECT

private:
    static std::unique_ptr<QWidget> windowWithButton()
    {
        auto window = std::make_unique<QWidget>();
        window->resize(200, 100);
        new QPushButton(u"Press"_s, window.get());
        return window;
    }

private Q_SLOTS:
    // Showing fades in and the close box fades out before closing, clicks refused meanwhile; the
    // controller is reused for the next showing.
    void fadesInAndOutRefusingClicksMeanwhile()
    {
        FadableWindowController controller(windowWithButton());
        QWidget *window = controller.window();
        auto *button = window->findChild<QPushButton *>();
        QSignalSpy clicks(button, &QPushButton::clicked);
        QSignalSpy willClose(&controller, &FadableWindowController::windowWillClose);

        controller.showWindow();
        QVERIFY(window->isVisible());
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QCOMPARE(window->windowOpacity(), 0.0);
        QVERIFY(!controller.takesMouseClicks());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
        QCOMPARE(window->windowOpacity(), 1.0);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        controller.showWindow(); // a second show only brings it forward
        QVERIFY(!controller.isWindowAnimating());

        // What the close box sends: the window stays while it fades, ignoring clicks.
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingOut));
        QVERIFY(!controller.takesMouseClicks());
        QCOMPARE(willClose.count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 2000);
        QCOMPARE(willClose.count(), 1);
        QCOMPARE(window->windowOpacity(), 0.0);
        QVERIFY(controller.takesMouseClicks());

        controller.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowOpacity(), 1.0);
    }

    // A window left visible but transparent fades in again; showing during a fade-out keeps it.
    void showingWhileTransparentOrFadingOutFadesIn()
    {
        FadableWindowController controller(windowWithButton());
        controller.window()->show();
        controller.window()->setWindowOpacity(0.00005);
        controller.showWindow();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
        QCOMPARE(controller.window()->windowOpacity(), 1.0);

        controller.close();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingOut));
        controller.showWindow();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QTest::qWait(FadableWindowController::kFadeMilliseconds * 2);
        QVERIFY(controller.window()->isVisible());
        QCOMPARE(controller.window()->windowOpacity(), 1.0);
    }
};

VENDRA_GUI_TEST_MAIN(tst_FadableWindowController)
#include "tst_fadablewindowcontroller.moc"
