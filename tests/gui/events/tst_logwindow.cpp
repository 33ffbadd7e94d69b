#include "events/LogWindow.h"

#include "GuiTest.h"
#include "events/Log.h"
#include "events/LogTableModel.h"
#include "events/LogView.h"

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
        // A view made later shows what is there already: the log is the same one.
        QCOMPARE(LogView().model()->rowCount(), 3);
    }

    // With VENDRA_SCREENSHOT_DIR set (under Xvfb), saves the window with its entries first.
    void theClearButtonEmptiesTheLog()
    {
        LogWindow window;
        for (const auto &[message, path] :
             QList<std::pair<QString, QString>>{{u"The upload was refused by the server (QUOTA_EXCEEDED)."_s,
                                                 u"/home/demo/Pictures/IMG_0412.jpg"_s},
                                                {u"Failed to create folder"_s, u"Trip to the coast"_s},
                                                {u"Rename failed for item"_s, u"Holidays/2019"_s},
                                                {u"Failed to delete item"_s, u"beach.jpg"_s}})
            window.logView()->add(message, path);
        window.showWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!window.isWindowAnimating(), 2000);
        if (const QString folder = qEnvironmentVariable("VENDRA_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(window.window()->grab().save(folder + u"/event-log.png"_s));
        QTest::mouseClick(window.clearButton(), Qt::LeftButton);
        QCOMPARE(Log::instance()->count(), 0);
        QCOMPARE(window.logView()->model()->rowCount(), 0);
    }
};

VENDRA_GUI_TEST_MAIN(TestLogWindow)
#include "tst_logwindow.moc"
