#include "diagnostics/SystemInfo.h"

#include "VendraTest.h"

#include <sys/utsname.h>

class TestSystemInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts()
    {
        QCOMPARE(SystemInfo::memoryText(1048575), u"1024.00 KB"_s); // the last kilobytes
        QCOMPARE(SystemInfo::memoryText(17179869184), u"16.00 GB"_s);
        QCOMPARE(SystemInfo::speedText(999999999), u"1000.00 MHz"_s);
        QCOMPARE(SystemInfo::speedText(999999), u"999999 Hz"_s);
        QCOMPARE(SystemInfo::parseBrandName(u"Intel(R) Core(TM) i7-4870HQ CPU @ 2.50GHz"_s),
                 u"Intel Core i7"_s);
        QCOMPARE(SystemInfo::parseBrandName(u"VirtualCPU 2"_s), u"VirtualCPU"_s); // CPU inside a word stays
    }

    // The host's description as a whole is tested through the preferences' system pane.
    void kernelParametersComeFromProcSys()
    {
        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QCOMPARE(SystemInfo::controlEntry(u"kernel.osrelease"_s), QString::fromLocal8Bit(names.release));
        QVERIFY(SystemInfo::controlEntry(u"kernel.no_such_parameter"_s).isNull());
        // Names are parameters, never paths out of /proc/sys.
        QVERIFY(SystemInfo::controlEntry(u"../../etc/passwd"_s).isNull());
    }
};

VENDRA_TEST_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
