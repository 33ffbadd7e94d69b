#include "GuiTest.h"
#include "windows/FadableWindowController.h"

#include <QPushButton>
#include <QSignalSpy>

class tst_FadableWindowController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Showing fades in and the close box fades out before closing, clicks refused meanwhile.
    void fadesInAndOutRefusingClicksMeanwhile()
    {
        auto content = std::make_unique<QWidget>();
        content->resize(200, 100);
        auto *button = new QPushButton(u"Press"_s, content.get());
        FadableWindowController controller(std::move(content));
        QWidget *window = controller.window();
        QSignalSpy clicks(button, &QPushButton::clicked);
        QSignalSpy willClose(&controller, &FadableWindowController::windowWillClose);

        for (int showing = 0; showing < 2; ++showing) { // the controller is reused for the next one
            controller.showWindow();
            QVERIFY(window->isVisible() && !controller.takesMouseClicks());
            QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
            QCOMPARE(window->windowOpacity(), 0.0);
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(clicks.count(), showing);
            QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
            QCOMPARE(window->windowOpacity(), 1.0);
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(clicks.count(), showing + 1);
            controller.showWindow(); // a second show only brings it forward
            QVERIFY(!controller.isWindowAnimating());

            // What the close box sends: the window stays while it fades, ignoring clicks.
            QVERIFY(!window->close());
            QVERIFY(window->isVisible() && !controller.takesMouseClicks());
            QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingOut));
            QCOMPARE(willClose.count(), showing);
            QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 2000);
            QCOMPARE(willClose.count(), showing + 1);
            QVERIFY(controller.takesMouseClicks() && window->windowOpacity() == 0.0);
        }

        // A window left visible but transparent fades in again; showing during a fade-out keeps it.
        window->show();
        window->setWindowOpacity(0.00005);
        controller.showWindow();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
        QCOMPARE(window->windowOpacity(), 1.0);

        controller.close();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingOut));
        controller.showWindow();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QTest::qWait(FadableWindowController::kFadeMilliseconds * 2);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowOpacity(), 1.0);
    }
};

VENDRA_GUI_TEST_MAIN(tst_FadableWindowController)
#include "tst_fadablewindowcontroller.moc"
