#include "CliProcess.h"
#include "MeasuredProcess.h"
#include "RawHttpServer.h"
#include "ReferenceServer.h"
#include "SoapReplies.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "common/ServerText.h"
#include "soap/XMLReader.h"
#include "soap/wsNSSoapComms.h"

#include <QTemporaryDir>

#include <map>

namespace {

constexpr qint64 MiB = 1 << 20;
// What vendra-cli takes for a run whose replies are small, with room to spare.
constexpr qint64 SmallRunMiB = 64;
// A failure the client sees at once ends well within this (a TLS probe may add a few seconds).
constexpr qint64 PromptMs = 30000;
// The client gives up on a silent server after its idle limit, and on any exchange at its overall
// deadline; a little later is fine, much later is not.
constexpr qint64 IdleLimitMs = 60000;
constexpr qint64 SlackMs = 15000;

// The head of a reply that announces length bytes of body and sets the session cookie.
QByteArray sessionHead(qint64 length)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nSet-Cookie: "
           "VENDRA_SESSION=hostile\r\n"
           "Content-Length: " +
           QByteArray::number(length) + "\r\n\r\n";
}

QByteArray sessionReply(const QByteArray &body)
{
    return sessionHead(body.size()) + body;
}

// What a case expects of its run.
struct Expected
{
    int exitCode = 0;
    QString errorLine;  // the start of the "vendra-cli: " line on standard error, when not empty
    QStringList output; // texts of standard output
    qint64 maxMs = PromptMs;
    qint64 maxMiB = SmallRunMiB;
};

struct Case
{
    Expected expected;
    std::unique_ptr<RawHttpServer> hostile;
    std::unique_ptr<ReferenceServer> server;
    std::unique_ptr<CliProcess> cli; // a home of its own: the runs go side by side
    std::unique_ptr<MeasuredProcess> run;
};

} // namespace

// vendra-cli against hostile servers and upload replies that do not confirm what was sent: every
// case ends with its own message and exit status, in bounded time and memory. The cases run side by
// side, since some take the client's full idle limit or overall deadline: all start in initTestCase,
// and each row collects one.
class TestCliFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_local;
    std::map<QString, Case> m_cases;

    static QString text(const char *key) { return messageText(QString::fromLatin1(key)); }

    // A sign-in against a server that answers every request with the answer fails (exit status 2)
    // with the message, within the bounds.
    void signInAgainst(const QString &name, const RawHttpServer::Answer &answer, const QString &errorLine,
                       qint64 maxMs = PromptMs, qint64 maxMiB = SmallRunMiB)
    {
        Case &c = m_cases[name];
        c.expected = {2, errorLine, {}, maxMs, maxMiB};
        c.hostile = std::make_unique<RawHttpServer>(answer);
        c.cli = std::make_unique<CliProcess>();
        c.cli->setPasswordVariable(u"demo"_s);
        c.run = c.cli->launch({u"--server"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(c.hostile->port()),
                               u"--http"_s, u"--user"_s, u"demo"_s, u"login"_s});
    }

    // An upload of a five-byte file to a reference server that keeps it but misreports it.
    void uploadWithReply(const QString &name, const QString &kind, const QString &reason)
    {
        Case &c = m_cases[name];
        const QString file = TestFiles::write(m_local.filePath(kind + u"/five.bin"_s), "12345");
        c.expected = {1, {}, {u"Uploaded 0 of 1 files"_s, u"\n  %1: %2"_s.arg(file, reason)}};
        c.server = std::make_unique<ReferenceServer>();
        QVERIFY2(
            c.server->start({.arguments = {u"--auto-approve"_s, u"--fault"_s, u"upload-reply="_s + kind}}),
            qPrintable(c.server->errorString()));
        c.cli = std::make_unique<CliProcess>();
        c.cli->setPasswordVariable(u"demo"_s);
        c.run = c.cli->launch(CliProcess::demoOn(*c.server) +
                              QStringList{u"upload"_s, u"--to"_s, u"Family"_s, file});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_local.isValid());
        const QString notValid = text("SOAP_PARSE_NOT_VALID_CONTENT");
        signInAgainst(u"not XML"_s, sessionReply("502 Bad Gateway: the upstream server did not answer\r\n"),
                      notValid);
        signInAgainst(u"empty"_s, sessionReply({}), notValid);
        // 3 MB of open elements; decoding them may take a few times that.
        signInAgainst(u"nested a million levels"_s,
                      sessionReply(SoapReplies::nested("CheckVersion", 1000000)), notValid);
        signInAgainst(u"entity bomb"_s, sessionReply(SoapReplies::entityBomb("CheckVersion")), notValid);

        // Read no further than the bound, and not decoded: the bound and a little more in memory.
        const QByteArray document = SoapReplies::reply("CheckVersion", {}, "@");
        const qsizetype at = document.indexOf('@');
        const qint64 huge = 200 * MiB;
        RawHttpServer::Answer tooLarge(sessionHead(document.size() - 1 + huge) + document.left(at));
        tooLarge.filler = "x";
        tooLarge.fillerBytes = huge;
        tooLarge.tail = document.mid(at + 1);
        signInAgainst(u"200 MB"_s, tooLarge,
                      text("NetworkError_ReplyTooLarge").arg(wsNSSoapComms::maxReplySize / MiB), PromptMs,
                      wsNSSoapComms::maxReplySize / MiB + SmallRunMiB);
        // A server's text is shown on one line and cut, however long it is. Decoding the reply may
        // take what the XML reader allows.
        const qint64 statusMiB = 10;
        signInAgainst(u"a status text of 10 MB"_s,
                      sessionReply(SoapReplies::reply("CheckVersion", {},
                                                      "BAD\nNEWS " + QByteArray(statusMiB * MiB, 'x'))),
                      u"BAD"_s, PromptMs, SmallRunMiB + (XMLReader::maximumExpansion + 2) * statusMiB);

        const QByteArray whole = SoapReplies::reply(
            "CheckVersion", "<objVersionDetails><m_bVersionIsCompatible xsi:type=\"xsd:boolean\">1"
                            "</m_bVersionIsCompatible></objVersionDetails>");
        signInAgainst(u"cut half-way"_s, QByteArray(sessionHead(whole.size()) + whole.left(whole.size() / 2)),
                      text("NetworkError_Closed"));
        signInAgainst(u"never sent"_s, RawHttpServer::Answer({}, RawHttpServer::Answer::Ending::Hang),
                      text("NetworkError_TimedOut"), IdleLimitMs + SlackMs);
        // A byte every half second never lets the idle limit end the call; the deadline does.
        signInAgainst(u"trickled"_s,
                      RawHttpServer::Answer(sessionHead(whole.size() + 1000000) + whole.left(100),
                                            RawHttpServer::Answer::Ending::Trickle),
                      text("NetworkError_TimedOut"), wsNSSoapComms::overallDeadline.count() + SlackMs);
        signInAgainst(u"without a cookie"_s, RawHttpServer::response(whole),
                      text("CONNECTION_COOKIE_NOT_FOUND"));

        uploadWithReply(u"upload reply: another size"_s, u"wrong-size"_s,
                        text("Text_UploadReplyWrongSize").arg(u"\"6\""_s).arg(5));
        uploadWithReply(u"upload reply: another album"_s, u"wrong-album"_s,
                        text("Text_UploadReplyWrongAlbum").section(u"%1"_s, 0, 0));
        uploadWithReply(u"upload reply: a web page"_s, u"html"_s,
                        text("Text_UploadReplyUnreadable").section(u"%1"_s, 0, 0));
        uploadWithReply(u"upload reply: nothing"_s, u"empty"_s, text("Text_UploadReplyEmpty"));
    }

    void eachEndsWithItsMessageInBoundedTimeAndMemory_data()
    {
        QTest::addColumn<QString>("name");
        for (const auto &[name, c] : m_cases)
            QTest::newRow(qPrintable(name)) << name;
    }

    void eachEndsWithItsMessageInBoundedTimeAndMemory()
    {
        QFETCH(QString, name);
        const Case &c = m_cases.at(name);
        const Expected &expected = c.expected;
        const CliProcess::Result result = c.run->finish(int(expected.maxMs + SlackMs));
        const QString report = u"exit %1 after %2 ms, %3 MiB\n%4%5"_s.arg(result.exitCode)
                                   .arg(result.ms)
                                   .arg(result.peakKiB / 1024)
                                   .arg(result.out.left(2000), result.err.left(2000));
        qInfo("%s", qPrintable(report.section(u'\n', 0, 0)));
        // With an error line: one line that says what happened, never the server's reply at length.
        const bool errorShown =
            expected.errorLine.isEmpty() ||
            (result.err.startsWith(u"vendra-cli: "_s + expected.errorLine) && result.err.count(u'\n') == 1 &&
             result.err.size() < ServerText::MaximumLength + 200);
        QVERIFY2(result.exitCode == expected.exitCode && result.ms <= expected.maxMs && result.peakKiB > 0 &&
                     result.peakKiB <= expected.maxMiB * 1024 && errorShown &&
                     std::all_of(expected.output.begin(), expected.output.end(),
                                 [&](const QString &output) { return result.out.contains(output); }),
                 qPrintable(report));
    }

    void cleanupTestCase() { m_cases.clear(); }
};

VENDRA_TEST_MAIN(TestCliFaults)
#include "tst_clifaults.moc"
