#include "controls/NSAlertAttributed.h"

#include "GuiTest.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>

class TestNSAlertAttributed : public QObject
{
    Q_OBJECT

private:
    // What the message view shows, as plain text.
    static QString shownText(const NSAlertAttributed &alert)
    {
        QTextDocument document;
        document.setHtml(alert.messageView()->text());
        return document.toPlainText();
    }

    // Opens the alert on a shown window and waits for it to show.
    static void begin(NSAlertAttributed *alert, QWidget &window, QList<int> &codes)
    {
        alert->beginSheetModalForWindow(&window, [&codes](int code) { codes.append(code); });
        QTRY_VERIFY(alert->isVisible());
    }

private Q_SLOTS:
    // The buttons answer their codes from the right and Escape is cancel. With only the return button
    // (the other one's title emptied again), Return or any other way of closing answers 1000, and the
    // alert goes away by itself.
    void buttonsAnswerTheirCodesAndEscapeIsCancel()
    {
        QWidget window;
        window.show();
        QList<int> codes;
        for (const int pressed : {0, 1, 2, -1}) { // the buttons from the right, then Escape
            auto *alert = new NSAlertAttributed(&window);
            alert->setReturnButtonTitle(u"Create Zip"_s);
            alert->setOtherButtonTitle(u"Ignore"_s);
            alert->setCancelButtonTitle(u"Cancel"_s);
            begin(alert, window, codes);
            const QList<QPushButton *> buttons{alert->defaultButton(), alert->otherButton(),
                                               alert->cancelButton()};
            QVERIFY(buttons[1]->isVisible() && buttons[2]->isVisible());
            // Return at the right, the other button beside it, cancel at the left.
            QVERIFY(buttons[1]->geometry().right() <= buttons[0]->geometry().left());
            QVERIFY(buttons[2]->geometry().right() < buttons[1]->geometry().left());
            if (pressed < 0)
                QTest::keyClick(alert, Qt::Key_Escape);
            else
                QTest::mouseClick(buttons[pressed], Qt::LeftButton);
        }
        QPointer<NSAlertAttributed> alert = new NSAlertAttributed(&window);
        alert->setOtherButtonTitle(u"Later"_s);
        alert->setOtherButtonTitle(QString());
        begin(alert, window, codes);
        QVERIFY(alert->defaultButton()->isVisible() && !alert->otherButton()->isVisible() &&
                !alert->cancelButton()->isVisible());
        QTest::keyClick(alert->defaultButton(), Qt::Key_Return);
        QTRY_VERIFY(alert.isNull());
        NSAlertAttributed closed;
        connect(&closed, &NSAlertAttributed::buttonSelected, this, [&codes](int c) { codes.append(c); });
        closed.reject();
        QCOMPARE(codes, (QList<int>{1000, 1001, 1002, 1002, 1000, 1000}));
    }

    void markUpBreaksLinesAndDecodesEntities()
    {
        QWidget window;
        window.show();
        QList<int> codes;
        auto *alert = new NSAlertAttributed(&window);
        alert->setMessageText(u"Title"_s);
        alert->setInformativeText(
            u"first line\nsecond &lt;line&gt; &amp; <a href=\"https://example.org\">link</a>"_s);
        begin(alert, window, codes);
        QCOMPARE(shownText(*alert), u"first line\nsecond <line> & link"_s);
        QCOMPARE(alert->messageView()->textFormat(), Qt::RichText);
        // Everything fits inside the alert, the second line too.
        QVERIFY(alert->rect().contains(alert->messageView()->geometry()));
        QVERIFY(alert->messageView()->geometry().bottom() < alert->defaultButton()->geometry().top());
        QVERIFY(alert->messageView()->height() >=
                alert->messageView()->heightForWidth(NSAlertAttributed::kTextWidth));
        QCOMPARE(alert->messageView()->accessibleName(), u"first line\nsecond <line> & link"_s);
        alert->defaultButton()->click();
        QCOMPARE(codes, QList<int>{1000});
    }
};

VENDRA_GUI_TEST_MAIN(TestNSAlertAttributed)
#include "tst_nsalertattributed.moc"
