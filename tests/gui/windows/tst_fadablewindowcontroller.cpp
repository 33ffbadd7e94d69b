#include "GuiTest.h"
#include "windows/FadableWindowController.h"

#include <QPushButton>
#include <QSignalSpy>

namespace {
std::unique_ptr<QWidget> windowWithButton()
{
    auto window = std::make_unique<QWidget>();
    window->resize(200, 100);
    auto *button = new QPushButton(u"Press"_s, window.get());
    button->setObjectName(u"button"_s);
    return window;
}
} // namespace

class tst_FadableWindowController : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void showFadesInAndRefusesClicksMeanwhile()
    {
        FadableWindowController controller(windowWithButton());
        QWidget *window = controller.window();
        auto *button = window->findChild<QPushButton *>(u"button"_s);
        QSignalSpy clicks(button, &QPushButton::clicked);

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

        // A second show only brings it forward.
        controller.showWindow();
        QVERIFY(!controller.isWindowAnimating());
    }

    void closeBoxFadesOutBeforeClosing()
    {
        FadableWindowController controller(windowWithButton());
        QWidget *window = controller.window();
        QSignalSpy willClose(&controller, &FadableWindowController::windowWillClose);
        controller.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);

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

        // The controller is reused for the next showing.
        controller.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowOpacity(), 1.0);
    }

    void showingATransparentVisibleWindowFadesInAgain()
    {
        FadableWindowController controller(windowWithButton());
        controller.window()->show();
        controller.window()->setWindowOpacity(0.00005);
        controller.showWindow();
        QCOMPARE(controller.animationIdentifier(), int(FadableWindowController::FadingIn));
        QTRY_COMPARE_WITH_TIMEOUT(controller.window()->windowOpacity(), 1.0, 2000);
    }

    void showingDuringAFadeOutKeepsTheWindow()
    {
        FadableWindowController controller(windowWithButton());
        controller.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isWindowAnimating(), 2000);
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
