#include "diagnostics/ReportArchive.h"

#include "ArchiveContents.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QTemporaryDir>

class TestReportArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        const QString top = m_work.filePath(u"Report 1"_s);
        QVERIFY(QDir().mkpath(top + u"/nested"_s));
        TestFiles::write(top + u"/SystemInfo.txt"_s, "host\n");
        TestFiles::write(top + u"/nested/big.log"_s, QByteArray(300 * 1024, 'x'));
        TestFiles::write(top + u"/empty.log"_s, QByteArray());
    }

    void theFolderIsTheTopEntryHoweverItIsNamed_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("folder");
        const QString top = m_work.filePath(u"Report 1"_s);
        QTest::newRow("zip, trailing slash") << int(ReportArchive::Zip) << QString(top + u'/');
        QTest::newRow("tar, relative dot-dot")
            << int(ReportArchive::Tar) << QDir::current().relativeFilePath(top + u"/nested/.."_s);
    }

    void theFolderIsTheTopEntryHoweverItIsNamed()
    {
        QFETCH(int, format);
        QFETCH(QString, folder);
        const QString archive = m_work.filePath(u"out.archive"_s);
        Error error;
        QVERIFY2(ReportArchive::write(ReportArchive::Format(format), folder, archive, error),
                 qPrintable(error.toString()));
        const ArchiveContents contents = ArchiveContents::read(archive);
        QVERIFY(contents.ok);
        QCOMPARE(contents.names.first(), u"Report 1/"_s);
        QStringList names = contents.names;
        names.sort();
        QCOMPARE(names, (QStringList{u"Report 1/"_s, u"Report 1/SystemInfo.txt"_s, u"Report 1/empty.log"_s,
                                     u"Report 1/nested/"_s, u"Report 1/nested/big.log"_s}));
        QCOMPARE(contents.files.value(u"Report 1/SystemInfo.txt"_s), QByteArray("host\n"));
        QCOMPARE(contents.files.value(u"Report 1/nested/big.log"_s), QByteArray(300 * 1024, 'x'));
        QCOMPARE(contents.files.value(u"Report 1/empty.log"_s), QByteArray());
    }

    void failuresLeaveNoFile()
    {
        // A folder that is not there, and a destination that cannot be written.
        for (const auto &[folder, archive] : {std::pair(u"none"_s, u"missing.zip"_s),
                                              std::pair(u"Report 1"_s, u"no-such-folder/out.zip"_s)}) {
            Error error;
            QVERIFY(!ReportArchive::write(ReportArchive::Zip, m_work.filePath(folder),
                                          m_work.filePath(archive), error));
            QVERIFY(error.isSet());
            QVERIFY(!QFileInfo::exists(m_work.filePath(archive)));
        }
    }
};

VENDRA_TEST_MAIN(TestReportArchive)
#include "tst_reportarchive.moc"
