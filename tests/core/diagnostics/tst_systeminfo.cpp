#include "diagnostics/SystemInfo.h"

#include "VendraTest.h"

#include <QLocale>

#include <sys/utsname.h>

class TestSystemInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void memoryText_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << quint64(10239) << u"10239 Bytes"_s;
        QTest::newRow("kilobytes") << quint64(10240) << u"10.00 KB"_s;
        QTest::newRow("last kilobytes") << quint64(1048575) << u"1024.00 KB"_s;
        QTest::newRow("megabytes") << quint64(536870912) << u"512.00 MB"_s;
        QTest::newRow("gigabytes") << (quint64(1) << 30) << u"1.00 GB"_s;
        QTest::newRow("large") << quint64(17179869184) << u"16.00 GB"_s;
    }

    void memoryText()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(SystemInfo::memoryText(bytes), text);
    }

    void speedText_data()
    {
        QTest::addColumn<quint64>("hertz");
        QTest::addColumn<QString>("text");
        QTest::newRow("gigahertz") << quint64(2500000000) << u"2.50 GHz"_s;
        QTest::newRow("one gigahertz") << quint64(1000000000) << u"1.00 GHz"_s;
        QTest::newRow("megahertz") << quint64(999999999) << u"1000.00 MHz"_s;
        QTest::newRow("one megahertz") << quint64(1000000) << u"1.00 MHz"_s;
        QTest::newRow("hertz") << quint64(999999) << u"999999 Hz"_s;
    }

    void speedText()
    {
        QFETCH(quint64, hertz);
        QFETCH(QString, text);
        QCOMPARE(SystemInfo::speedText(hertz), text);
    }

    void parseBrandName_data()
    {
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("name");
        QTest::newRow("intel") << u"Intel(R) Core(TM) i7-4870HQ CPU @ 2.50GHz"_s << u"Intel Core i7"_s;
        QTest::newRow("no CPU piece")
            << u"AMD Ryzen 7 5800X 8-Core Processor"_s << u"AMD Ryzen Core Processor"_s;
        QTest::newRow("lower-case signs") << u"Foo(r) Bar(Tm) Baz"_s << u"Foo Bar Baz"_s;
        QTest::newRow("CPU inside a word stays") << u"VirtualCPU 2"_s << u"VirtualCPU"_s;
        QTest::newRow("empty") << u""_s << u""_s;
    }

    void parseBrandName()
    {
        QFETCH(QString, brand);
        QFETCH(QString, name);
        QCOMPARE(SystemInfo::parseBrandName(brand), name);
        QVERIFY(SystemInfo::parseBrandName(QString()).isNull());
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

    void theDescriptionHasEveryLineInOrder()
    {
        const QString info = SystemInfo::info();
        const QStringList labels = {u"OS Version\t: "_s,  u"\nModel\t\t: "_s,      u"\n\nProcessor\t\t: "_s,
                                    u"\nCPU \t\t: "_s,    u"\nArchitecture\t: "_s, u"\nMemory\t\t: "_s,
                                    u"\nLanguage\t\t: "_s};
        qsizetype at = -1;
        for (const QString &label : labels) {
            const qsizetype next = info.indexOf(label, at + 1);
            QVERIFY2(next > at, qPrintable(label));
            at = next;
        }
        QVERIFY(info.startsWith(labels.first()));
        QVERIFY(info.endsWith(u"Language\t\t: "_s + QLocale::system().name()));

        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QVERIFY(SystemInfo::OSVersion().contains(QString::fromLocal8Bit(names.release)));
        QVERIFY(info.contains(u"Architecture\t: "_s + SystemInfo::ProcessorArchitecture() + u'\n'));
        // This machine has at least one processor and some memory, so these parts were readable.
        QVERIFY(SystemInfo::ProcessorCores().toInt() >= 1);
        QVERIFY(SystemInfo::ProcessorCount().toInt() >= 1);
        QVERIFY(SystemInfo::ProcessorCount().toInt() <= SystemInfo::ProcessorCores().toInt());
        QVERIFY(SystemInfo::PhysicalMemory().endsWith(u" GB"_s) ||
                SystemInfo::PhysicalMemory().endsWith(u" MB"_s));
        QVERIFY(!SystemInfo::userName().isEmpty());
    }
};

VENDRA_TEST_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
