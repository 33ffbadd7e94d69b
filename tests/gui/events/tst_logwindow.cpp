#include "events/LogWindow.h"

#include "GuiTest.h"
#include "events/Log.h"
#include "events/LogTableModel.h"
#include "events/LogView.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <QPushButton>
#include <QSignalSpy>

class TestLogWindow : public QObject
{
    Q_OBJECT

private:
    static QStringList row(const LogView &view, int r)
    {
        QStringList values;
        for (int column = 0; column < LogTableModel::ColumnCount; ++column)
            values.append(view.model()->index(r, column).data().toString());
        return values;
    }

private Q_SLOTS:
    void init() { Log::init()->clear(); }
    void cleanupTestCase() { Log::close(); }

    void newestEntryFirst()
    {
        LogView view;
        QSignalSpy inserted(view.model(), &QAbstractItemModel::rowsInserted);
        view.add(u"first"_s, u"/home/u/a.jpg"_s);
        view.add(u"second"_s, u"Holidays"_s);
        Log::instance()->add(u"third"_s, u"Family/2019"_s);
        QCOMPARE(view.model()->rowCount(), 3);
        QCOMPARE(row(view, 0), (QStringList{u"0"_s, u"Family/2019"_s, u"third"_s}));
        QCOMPARE(row(view, 2), (QStringList{u"2"_s, u"/home/u/a.jpg"_s, u"first"_s}));
        // Each entry arrives as one row at the top.
        QCOMPARE(inserted.count(), 3);
        for (const QList<QVariant> &arguments : inserted)
            QCOMPARE((QList<int>{arguments.at(1).toInt(), arguments.at(2).toInt()}), (QList<int>{0, 0}));
    }

    // A view made later shows what is there already: the log is the same one.
    void aSecondViewSharesTheLog()
    {
        Log::instance()->add(u"before"_s, u"..."_s);
        LogView view;
        QCOMPARE(view.logModel()->log(), Log::instance());
        QCOMPARE(view.model()->rowCount(), 1);
    }

    void theClearButtonEmptiesTheLog()
    {
        LogWindow window;
        window.logView()->add(u"Failed to delete item"_s, u"Holidays/old.jpg"_s);
        window.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!window.isWindowAnimating(), 2000);
        QTest::mouseClick(window.clearButton(), Qt::LeftButton);
        QCOMPARE(Log::instance()->count(), 0);
        QCOMPARE(window.logView()->model()->rowCount(), 0);
    }

    // Not a check: with VENDRA_SCREENSHOT_DIR set (under Xvfb), saves the window with entries.
    void screenshot()
    {
        const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("VENDRA_SCREENSHOT_DIR is not set");
        Log *log = Log::instance();
        log->add(u"The upload was refused by the server (QUOTA_EXCEEDED)."_s,
                 u"/home/demo/Pictures/IMG_0412.jpg"_s);
        log->add(u"Failed to create folder"_s, u"Trip to the coast"_s);
        log->add(u"Rename failed for item"_s, u"Holidays/2019"_s);
        log->add(u"Failed to delete item"_s, u"beach.jpg"_s);
        LogWindow window;
        window.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!window.isWindowAnimating(), 2000);
        QTest::qWait(200);
        QVERIFY(window.window()->grab().save(folder + u"/event-log.png"_s));
    }
};

VENDRA_GUI_TEST_MAIN(TestLogWindow)
#include "tst_logwindow.moc"
