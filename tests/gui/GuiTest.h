#pragma once

#include "VendraTest.h"

#include <QApplication>

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
