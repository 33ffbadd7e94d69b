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

struct Outcome
{
    QString key;
    QString description;
    qint64 items = -1;
    qint64 ms = -1;
    qint64 size = -1;
    qint64 grownBytes = -1;
};

} // namespace

// Replies a hostile or broken server could send, decoded as SOAP replies each in a process of its
// own (decode_probe): every one ends in bounded time and memory with the failure that says what
// was wrong, and a very large but honest reply (an album of 100,000 assets) still loads.
class TestHostileReplies : public QObject
{
    Q_OBJECT

private:
    static Outcome decode(const QString &kind, qint64 size)
    {
        QProcess probe;
        probe.start(QStringLiteral(DECODE_PROBE_PATH), {kind, QString::number(size)});
        Outcome outcome;
        if (!probe.waitForFinished(300000) || probe.exitCode() != 0) {
            probe.kill();
            qWarning("probe %s failed: %d %s", qPrintable(kind), probe.exitCode(),
                     probe.readAllStandardError().constData());
            return outcome;
        }
        QMap<QString, QString> fields;
        for (const QString &line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n'))
            fields.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
        outcome.key = fields.value(u"key"_s);
        outcome.description = fields.value(u"description"_s);
        outcome.items = fields.value(u"items"_s).toLongLong();
        outcome.ms = fields.value(u"ms"_s).toLongLong();
        outcome.size = fields.value(u"size"_s).toLongLong();
        outcome.grownBytes =
            (fields.value(u"peak_kb"_s).toLongLong() - fields.value(u"baseline_kb"_s).toLongLong()) * 1024;
        return outcome;
    }

private Q_SLOTS:
    void failsInBoundedTimeAndMemory_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("key"); // empty: the server's own text, cut to one line
        const QString notValid = u"SOAP_PARSE_NOT_VALID_CONTENT"_s;
        QTest::newRow("empty") << u"empty"_s << qint64(0) << notValid;
        QTest::newRow("not XML") << u"not-xml"_s << qint64(MiB) << notValid;
        QTest::newRow("an HTML page") << u"html"_s << qint64(MiB) << u"SOAP_PARSE_MISSING_ENVELOPE"_s;
        QTest::newRow("nested a million levels") << u"nested"_s << qint64(3000000) << notValid;
        QTest::newRow("entity bomb") << u"entity-bomb"_s << qint64(0) << notValid;
        QTest::newRow("cut half-way") << u"cut"_s << qint64(8 * MiB) << notValid;
        QTest::newRow("50 MB of tiny elements") << u"element-flood"_s << qint64(50 * MiB) << notValid;
        QTest::newRow("a 200 MB status text") << u"huge-status"_s << qint64(200 * MiB) << QString();
    }

    void failsInBoundedTimeAndMemory()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, size);
        QFETCH(QString, key);
        const Outcome outcome = decode(kind, size);
        QVERIFY2(outcome.size >= 0, "the probe did not report");
        if (key.isEmpty()) {
            // A status text the tables lack is shown as it stands: on one line, and cut.
            QVERIFY2(outcome.description.startsWith(u"BADNEWS"_s) ||
                         outcome.description.startsWith(u"BAD NEWS"_s),
                     qPrintable(outcome.description.left(300)));
            QVERIFY(!outcome.description.contains(u"\\n"_s));
            QVERIFY(outcome.description.size() <= ServerText::MaximumLength + 1);
            QVERIFY(outcome.description.endsWith(QChar(0x2026)));
        } else {
            QCOMPARE(outcome.key, key);
        }
        QVERIFY2(outcome.ms < TimeLimitMs, qPrintable(u"%1 ms"_s.arg(outcome.ms)));
        QVERIFY2(
            outcome.grownBytes <= MemoryFactor * outcome.size + MemoryAllowance,
            qPrintable(
                u"%1 MiB for a reply of %2 MiB"_s.arg(outcome.grownBytes / MiB).arg(outcome.size / MiB)));
    }

    // Generous enough for what an honest server sends.
    void anAlbumOf100000AssetsLoads()
    {
        const Outcome outcome = decode(u"assets"_s, 46 * MiB);
        QVERIFY2(outcome.key.isEmpty(), qPrintable(QString(outcome.key + u": "_s + outcome.description)));
        QVERIFY2(outcome.items >= 100000, qPrintable(QString::number(outcome.items)));
        QVERIFY2(outcome.ms < TimeLimitMs, qPrintable(u"%1 ms"_s.arg(outcome.ms)));
        QVERIFY2(
            outcome.grownBytes <= MemoryFactor * outcome.size + MemoryAllowance,
            qPrintable(
                u"%1 MiB for a reply of %2 MiB"_s.arg(outcome.grownBytes / MiB).arg(outcome.size / MiB)));
    }
};

VENDRA_TEST_MAIN(TestHostileReplies)
#include "tst_hostilereplies.moc"
