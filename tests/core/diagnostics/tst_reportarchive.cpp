#include "diagnostics/ReportArchive.h"

#include "ArchiveContents.h"
#include "VendraTest.h"

#include <QDir>
#include <QTemporaryDir>

class TestReportArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    void writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        const QString top = m_work.filePath(QStringLiteral("Report 1"));
        QVERIFY(QDir().mkpath(top + QStringLiteral("/nested")));
        writeFile(top + QStringLiteral("/SystemInfo.txt"), "host\n");
        writeFile(top + QStringLiteral("/nested/big.log"), QByteArray(300 * 1024, 'x'));
        writeFile(top + QStringLiteral("/empty.log"), QByteArray());
    }

    void theFolderIsTheTopEntryHoweverItIsNamed_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("folder");
        const QString top = m_work.filePath(QStringLiteral("Report 1"));
        for (const int format : {int(ReportArchive::Zip), int(ReportArchive::Tar)}) {
            const QByteArray kind = format == ReportArchive::Zip ? "zip" : "tar";
            QTest::newRow(QByteArray(kind + " plain").constData()) << format << top;
            QTest::newRow(QByteArray(kind + " trailing slash").constData()) << format << top + u'/';
            QTest::newRow(QByteArray(kind + " dot-dot").constData())
                << format << top + QStringLiteral("/nested/..");
            QTest::newRow(QByteArray(kind + " relative").constData())
                << format << QDir::current().relativeFilePath(top);
        }
    }

    void theFolderIsTheTopEntryHoweverItIsNamed()
    {
        QFETCH(int, format);
        QFETCH(QString, folder);
        const QString archive = m_work.filePath(QStringLiteral("out.archive"));
        Error error;
        QVERIFY2(ReportArchive::write(ReportArchive::Format(format), folder, archive, error),
                 qPrintable(error.toString()));
        const ArchiveContents contents = ArchiveContents::read(archive);
        QVERIFY(contents.ok);
        QCOMPARE(contents.names.first(), QStringLiteral("Report 1/"));
        QStringList names = contents.names;
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("Report 1/"), QStringLiteral("Report 1/SystemInfo.txt"),
                                     QStringLiteral("Report 1/empty.log"), QStringLiteral("Report 1/nested/"),
                                     QStringLiteral("Report 1/nested/big.log")}));
        QCOMPARE(contents.files.value(QStringLiteral("Report 1/SystemInfo.txt")), QByteArray("host\n"));
        QCOMPARE(contents.files.value(QStringLiteral("Report 1/nested/big.log")),
                 QByteArray(300 * 1024, 'x'));
        QCOMPARE(contents.files.value(QStringLiteral("Report 1/empty.log")), QByteArray());
    }

    void aMissingFolderWritesNothing()
    {
        const QString archive = m_work.filePath(QStringLiteral("missing.zip"));
        Error error;
        QVERIFY(!ReportArchive::write(ReportArchive::Zip, m_work.filePath(QStringLiteral("none")), archive,
                                      error));
        QVERIFY(error.isSet());
        QVERIFY(!QFileInfo::exists(archive));
    }

    void anUnwritableDestinationFailsAndLeavesNoFile()
    {
        const QString archive = m_work.filePath(QStringLiteral("no-such-folder/out.zip"));
        Error error;
        QVERIFY(!ReportArchive::write(ReportArchive::Zip, m_work.filePath(QStringLiteral("Report 1")),
                                      archive, error));
        QVERIFY(error.isSet());
        QVERIFY(!QFileInfo::exists(archive));
    }
};

VENDRA_TEST_MAIN(TestReportArchive)
#include "tst_reportarchive.moc"
