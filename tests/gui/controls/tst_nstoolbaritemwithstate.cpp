#include "controls/NSToolbarItemWithState.h"

#include "GuiTest.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <QImage>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

class TestNSToolbarItemWithState : public QObject
{
    Q_OBJECT

private:
    static QIcon filled(Qt::GlobalColor color)
    {
        QPixmap pixmap(32, 32);
        pixmap.fill(color);
        return QIcon(pixmap);
    }

    static QRgb colourOf(const QIcon &icon, QIcon::Mode mode = QIcon::Normal)
    {
        return icon.pixmap(32, 32, mode).toImage().pixel(16, 16);
    }

    static NSToolbarItemWithState::Images images()
    {
        return {filled(Qt::gray), filled(Qt::darkGray), filled(Qt::red), filled(Qt::darkRed)};
    }

    static void post(const QVariant &object, const QVariantMap &userInfo = {})
    {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadWithName(
            NotificationNames::NSToolbarItemSetState, object, userInfo);
    }

private Q_SLOTS:
    void stateSwitchesTheImages()
    {
        NSToolbarItemWithState item(NSToolbarItemWithState::LogIdentifier, images());
        QVERIFY(!item.active());
        QCOMPARE(colourOf(item.icon()), QColor(Qt::gray).rgb());
        QCOMPARE(colourOf(item.icon(), QIcon::Active), QColor(Qt::darkGray).rgb());
        item.setActive(true);
        QCOMPARE(colourOf(item.icon()), QColor(Qt::red).rgb());
        QCOMPARE(colourOf(item.icon(), QIcon::Active), QColor(Qt::darkRed).rgb());
        // An image set directly does not beat the state's images.
        item.setImage(filled(Qt::blue));
        QCOMPARE(colourOf(item.icon()), QColor(Qt::red).rgb());
    }

    void badgedImagesLightUpAtTheCorner()
    {
        const NSToolbarItemWithState::Images images = NSToolbarItemWithState::badgedImages(filled(Qt::gray));
        const QImage plain = images.primary.pixmap(32, 32).toImage();
        const QImage lit = images.secondary.pixmap(32, 32).toImage();
        QCOMPARE(lit.pixel(2, 30), plain.pixel(2, 30));
        QCOMPARE(QColor(lit.pixel(26, 6)), QColor(0xe0, 0x5a, 0x1e));
        QVERIFY(QColor(images.primaryAlt.pixmap(32, 32).toImage().pixel(2, 30)).lightness() <
                QColor(plain.pixel(2, 30)).lightness());
    }

    void notificationsSwitchAllOrTheNamedItem()
    {
        NSToolbarItemWithState log(NSToolbarItemWithState::LogIdentifier, images());
        NSToolbarItemWithState pending(NSToolbarItemWithState::PendingIdentifier, images());
        QToolBar toolbar;
        toolbar.addAction(&log);
        toolbar.addAction(&pending);

        post(true);
        QVERIFY(log.active() && pending.active());
        post(0);
        QVERIFY(!log.active() && !pending.active());

        post({}, {{u"itemIdentifier"_s, u"ZRM_Pending"_s}, {u"value"_s, 1}});
        QVERIFY(!log.active() && pending.active());
        // The toolbar's button shows the lit image.
        auto *button = qobject_cast<QToolButton *>(toolbar.widgetForAction(&pending));
        QVERIFY(button);
        QCOMPARE(colourOf(button->icon()), QColor(Qt::red).rgb());

        // A value that is not a number, and an identifier of no item, change nothing.
        post({}, {{u"itemIdentifier"_s, u"ZRM_Pending"_s}, {u"value"_s, u"0"_s}});
        QVERIFY(pending.active());
        post({}, {{u"itemIdentifier"_s, u"ZRM_Other"_s}, {u"value"_s, true}});
        QVERIFY(!log.active());
        // A string object is no number either: the user info decides then.
        post(u"1"_s, {{u"itemIdentifier"_s, u"ZRM_Log"_s}, {u"value"_s, true}});
        QVERIFY(log.active());
    }
};

VENDRA_GUI_TEST_MAIN(TestNSToolbarItemWithState)
#include "tst_nstoolbaritemwithstate.moc"
