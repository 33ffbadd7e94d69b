#pragma once

#include "common/MessageText.h"

#include <QStandardPaths>
#include <QString>
#include <QTest>

// Tests spell their many string constants as u"..."_s.
using namespace Qt::Literals::StringLiterals;

// Every test process gets a throw-away home, so that neither it nor the programs it starts reach
// the real home folder or settings, nor the settings of a test running beside it. Outside
// scripts/test.sh (say, straight from the build folder) it also gets no session bus, so no real
// keyring; the tests that need the keyring skip themselves then.
void keepAwayFromTheRealHome();

// Like QTEST_GUILESS_MAIN, with the string tables loaded and QStandardPaths pointed at test folders,
// so that no test reads or writes the real settings of the machine.
#define VENDRA_TEST_MAIN(TestObject)                                                                         \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        keepAwayFromTheRealHome();                                                                           \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QCoreApplication app(argc, argv);                                                                    \
        installMessageTables();                                                                              \
        TestObject tc;                                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
