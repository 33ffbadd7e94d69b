#include "diagnostics/SystemInfo.h"

#include "VendraTest.h"

#include <sys/utsname.h>

class TestSystemInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("last bytes") << SystemInfo::memoryText(10239) << u"10239 Bytes"_s;
        QTest::newRow("last kilobytes") << SystemInfo::memoryText(1048575) << u"1024.00 KB"_s;
        QTest::newRow("gigabytes") << SystemInfo::memoryText(17179869184) << u"16.00 GB"_s;
        QTest::newRow("megahertz") << SystemInfo::speedText(999999999) << u"1000.00 MHz"_s;
        QTest::newRow("gigahertz") << SystemInfo::speedText(2500000000) << u"2.50 GHz"_s;
        QTest::newRow("hertz") << SystemInfo::speedText(999999) << u"999999 Hz"_s;
        QTest::newRow("brand") << SystemInfo::parseBrandName(u"Intel(R) Core(TM) i7-4870HQ CPU @ 2.50GHz"_s)
                               << u"Intel Core i7"_s;
        QTest::newRow("CPU inside a word stays")
            << SystemInfo::parseBrandName(u"VirtualCPU 2"_s) << u"VirtualCPU"_s;
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    void kernelParametersComeFromProcSys()
    {
        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QCOMPARE(SystemInfo::controlEntry(u"kernel.osrelease"_s), QString::fromLocal8Bit(names.release));
        QVERIFY(SystemInfo::controlEntryNum(u"kernel.pid_max"_s).value_or(0) > 0);
        QVERIFY(SystemInfo::controlEntry(u"kernel.no_such_parameter"_s).isNull());
        QVERIFY(!SystemInfo::controlEntryNum(u"kernel.osrelease"_s).has_value());
        // Names are parameters, never paths out of /proc/sys.
        QVERIFY(SystemInfo::controlEntry(u"../../etc/passwd"_s).isNull());
        QVERIFY(SystemInfo::controlEntry(u"kernel/osrelease"_s).isNull());
    }

    // This machine has processors and memory, so the host's own files were read and understood.
    void theHostIsDescribed()
    {
        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QVERIFY(SystemInfo::OSVersion().contains(QString::fromLocal8Bit(names.release)));
        QVERIFY(SystemInfo::ProcessorCount().toInt() >= 1);
        QVERIFY(SystemInfo::ProcessorCount().toInt() <= SystemInfo::ProcessorCores().toInt());
        QVERIFY(SystemInfo::PhysicalMemory().endsWith(u" GB"_s) ||
                SystemInfo::PhysicalMemory().endsWith(u" MB"_s));
        QVERIFY(!SystemInfo::userName().isEmpty());
    }
};

VENDRA_TEST_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
