#pragma once

#include "VendraTest.h"

#include <QApplication>
#include <QPainter>

// Like VENDRA_TEST_MAIN, for tests that need widgets: a QApplication instead of a QCoreApplication.
#define VENDRA_GUI_TEST_MAIN(TestObject)                                                                     \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        keepAwayFromTheRealHome();                                                                           \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QApplication app(argc, argv);                                                                        \
        installMessageTables();                                                                              \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

// A window as it shows on the screen (for the screenshots): the window with the dialogs open over it.
inline QImage windowWithDialogs(QWidget *window)
{
    QImage image = window->grab().toImage();
    QPainter painter(&image);
    for (QWidget *dialog : QApplication::topLevelWidgets()) {
        if (dialog != window && dialog->isVisible() && dialog->parentWidget() == window)
            painter.drawPixmap(dialog->geometry().topLeft() - window->geometry().topLeft(), dialog->grab());
    }
    return image;
}
