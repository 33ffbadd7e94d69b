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
        QTest::newRow("bytes") << quint64(10239) << QStringLiteral("10239 Bytes");
        QTest::newRow("kilobytes") << quint64(10240) << QStringLiteral("10.00 KB");
        QTest::newRow("last kilobytes") << quint64(1048575) << QStringLiteral("1024.00 KB");
        QTest::newRow("megabytes") << quint64(536870912) << QStringLiteral("512.00 MB");
        QTest::newRow("gigabytes") << (quint64(1) << 30) << QStringLiteral("1.00 GB");
        QTest::newRow("large") << quint64(17179869184) << QStringLiteral("16.00 GB");
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
        QTest::newRow("gigahertz") << quint64(2500000000) << QStringLiteral("2.50 GHz");
        QTest::newRow("one gigahertz") << quint64(1000000000) << QStringLiteral("1.00 GHz");
        QTest::newRow("megahertz") << quint64(999999999) << QStringLiteral("1000.00 MHz");
        QTest::newRow("one megahertz") << quint64(1000000) << QStringLiteral("1.00 MHz");
        QTest::newRow("hertz") << quint64(999999) << QStringLiteral("999999 Hz");
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
        QTest::newRow("intel") << QStringLiteral("Intel(R) Core(TM) i7-4870HQ CPU @ 2.50GHz")
                               << QStringLiteral("Intel Core i7");
        QTest::newRow("no CPU piece") << QStringLiteral("AMD Ryzen 7 5800X 8-Core Processor")
                                      << QStringLiteral("AMD Ryzen Core Processor");
        QTest::newRow("lower-case signs")
            << QStringLiteral("Foo(r) Bar(Tm) Baz") << QStringLiteral("Foo Bar Baz");
        QTest::newRow("CPU inside a word stays")
            << QStringLiteral("VirtualCPU 2") << QStringLiteral("VirtualCPU");
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("");
    }

    void parseBrandName()
    {
        QFETCH(QString, brand);
        QFETCH(QString, name);
        QCOMPARE(SystemInfo::parseBrandName(brand), name);
    }

    void parseBrandNameOfNothingIsNothing() { QVERIFY(SystemInfo::parseBrandName(QString()).isNull()); }

    void kernelParametersComeFromProcSys()
    {
        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QCOMPARE(SystemInfo::controlEntry(QStringLiteral("kernel.osrelease")),
                 QString::fromLocal8Bit(names.release));
        QVERIFY(SystemInfo::controlEntryNum(QStringLiteral("kernel.pid_max")).value_or(0) > 0);
        QVERIFY(SystemInfo::controlEntry(QStringLiteral("kernel.no_such_parameter")).isNull());
        QVERIFY(!SystemInfo::controlEntryNum(QStringLiteral("kernel.osrelease")).has_value());
        // Names are parameters, never paths out of /proc/sys.
        QVERIFY(SystemInfo::controlEntry(QStringLiteral("../../etc/passwd")).isNull());
        QVERIFY(SystemInfo::controlEntry(QStringLiteral("kernel/osrelease")).isNull());
    }

    void theDescriptionHasEveryLineInOrder()
    {
        const QString info = SystemInfo::info();
        const QStringList labels = {QStringLiteral("OS Version\t: "),      QStringLiteral("\nModel\t\t: "),
                                    QStringLiteral("\n\nProcessor\t\t: "), QStringLiteral("\nCPU \t\t: "),
                                    QStringLiteral("\nArchitecture\t: "),  QStringLiteral("\nMemory\t\t: "),
                                    QStringLiteral("\nLanguage\t\t: ")};
        qsizetype at = -1;
        for (const QString &label : labels) {
            const qsizetype next = info.indexOf(label, at + 1);
            QVERIFY2(next > at, qPrintable(label));
            at = next;
        }
        QVERIFY(info.startsWith(labels.first()));
        QVERIFY(info.endsWith(QStringLiteral("Language\t\t: ") + QLocale::system().name()));

        struct utsname names;
        QCOMPARE(::uname(&names), 0);
        QVERIFY(SystemInfo::OSVersion().contains(QString::fromLocal8Bit(names.release)));
        QVERIFY(
            info.contains(QStringLiteral("Architecture\t: ") + SystemInfo::ProcessorArchitecture() + u'\n'));
        // This machine has at least one processor and some memory, so these parts were readable.
        QVERIFY(SystemInfo::ProcessorCores().toInt() >= 1);
        QVERIFY(SystemInfo::ProcessorCount().toInt() >= 1);
        QVERIFY(SystemInfo::ProcessorCount().toInt() <= SystemInfo::ProcessorCores().toInt());
        QVERIFY(SystemInfo::PhysicalMemory().endsWith(QStringLiteral(" GB")) ||
                SystemInfo::PhysicalMemory().endsWith(QStringLiteral(" MB")));
        QVERIFY(!SystemInfo::userName().isEmpty());
    }
};

VENDRA_TEST_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
