#include "VendraTest.h"
#include "common/ServerText.h"
#include "soap/XMLReader.h"

#include <QProcess>

namespace {

constexpr qint64 MiB = 1 << 20;
// What decoding may take beyond the reply itself: the reader's tree within its bound, the typed
// tree made from it, and a little for the program's own workings.
constexpr qint64 MemoryFactor = XMLReader::maximumExpansion + 2;
constexpr qint64 MemoryAllowance = 48 * MiB;
constexpr qint64 TimeLimitMs = 120000;

} // namespace

// Replies a hostile or broken server could send, decoded as SOAP replies each in a process of its
// own (decode_probe): every one ends in bounded time and memory with the failure that says what
// was wrong, and a very large but honest reply (an album of 100,000 assets) still loads.
class TestHostileReplies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsInBoundedTimeAndMemory_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("key"); // "text": the server's own text, cut to one line; empty: loads
        const QString notValid = u"SOAP_PARSE_NOT_VALID_CONTENT"_s;
        QTest::newRow("an HTML page") << u"html"_s << qint64(MiB) << u"SOAP_PARSE_MISSING_ENVELOPE"_s;
        QTest::newRow("nested a million levels") << u"nested"_s << qint64(3000000) << notValid;
        QTest::newRow("entity bomb") << u"entity-bomb"_s << qint64(0) << notValid;
        QTest::newRow("50 MB of tiny elements") << u"element-flood"_s << qint64(50 * MiB) << notValid;
        QTest::newRow("a 200 MB status text") << u"huge-status"_s << qint64(200 * MiB) << u"text"_s;
        QTest::newRow("an album of 100,000 assets") << u"assets"_s << qint64(46 * MiB) << QString();
    }

    void endsInBoundedTimeAndMemory()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, size);
        QFETCH(QString, key);
        QProcess probe;
        probe.start(QStringLiteral(DECODE_PROBE_PATH), {kind, QString::number(size)});
        QVERIFY(probe.waitForFinished(300000));
        QVERIFY2(probe.exitCode() == 0, probe.readAllStandardError().constData());
        QMap<QString, QString> out;
        for (const QString &line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n'))
            out.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
        const QString description = out.value(u"description"_s);
        if (key == u"text") {
            // A status text the tables lack is shown as it stands: on one line, and cut.
            QVERIFY2(description.startsWith(u"BADNEWS"_s) || description.startsWith(u"BAD NEWS"_s),
                     qPrintable(description.left(300)));
            QVERIFY(!description.contains(u"\\n"_s) && description.size() <= ServerText::MaximumLength + 1 &&
                    description.endsWith(QChar(0x2026)));
        } else {
            QCOMPARE(out.value(u"key"_s), key);
            if (key.isEmpty())
                QVERIFY2(out.value(u"items"_s).toLongLong() >= 100000, qPrintable(out.value(u"items"_s)));
        }
        QVERIFY2(out.value(u"ms"_s).toLongLong() < TimeLimitMs, qPrintable(out.value(u"ms"_s)));
        const qint64 grown =
            (out.value(u"peak_kb"_s).toLongLong() - out.value(u"baseline_kb"_s).toLongLong()) * 1024;
        const qint64 replySize = out.value(u"size"_s).toLongLong();
        QVERIFY2(grown <= MemoryFactor * replySize + MemoryAllowance,
                 qPrintable(u"%1 MiB for a reply of %2 MiB"_s.arg(grown / MiB).arg(replySize / MiB)));
    }
};

VENDRA_TEST_MAIN(TestHostileReplies)
#include "tst_hostilereplies.moc"
