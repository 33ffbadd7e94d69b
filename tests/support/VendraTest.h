#pragma once

#include "common/MessageText.h"

#include <QStandardPaths>
#include <QTest>

// Tests spell their many string constants as u"..."_s.
using namespace Qt::Literals::StringLiterals;

// A throw-away home for the test process and the programs it starts, away from the real one and
// from tests running beside it. Outside scripts/test.sh it also gets no session bus, so no real
// keyring; the tests that need the keyring skip themselves then.
void keepAwayFromTheRealHome();

// Like QTEST_GUILESS_MAIN, with the string tables loaded and QStandardPaths in test mode.
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
