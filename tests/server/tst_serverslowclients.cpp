// Slow and greedy clients: trickling connections do not keep others from being served and are cut
// off, oversized request heads are refused with 431 without costing memory, uploads without a
// session are refused before their body is read, and a refusal that leaves a body unread closes.
#include "ServerTestClient.h"
#include "VendraTest.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;

// A blocking TCP connection to the server, closed with the object.
class RawConnection
{
public:
    explicit RawConnection(const ReferenceServer &server) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{AF_INET, htons(quint16(server.port())), {htonl(INADDR_LOOPBACK)}, {}};
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            m_closed = true;
    }
    ~RawConnection() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(RawConnection)

    // False once the server has closed or reset the connection.
    bool send(const QByteArray &data)
    {
        for (qsizetype done = 0, sent = 0; done < data.size(); done += sent)
            if ((sent = ::send(m_fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL)) <= 0)
                return false;
        return true;
    }
    // What arrives within timeoutMs, until the server closes the connection (closed() then says so).
    QByteArray receive(int timeoutMs)
    {
        QByteArray received;
        QElapsedTimer clock;
        clock.start();
        while (!m_closed) {
            pollfd entry{m_fd, POLLIN, 0};
            if (::poll(&entry, 1, int(qMax<qint64>(0, timeoutMs - clock.elapsed()))) <= 0)
                break;
            char buffer[64 * 1024];
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                m_closed = true;
            else
                received.append(buffer, got);
        }
        return received;
    }
    bool closed() const { return m_closed; }

private:
    int m_fd;
    bool m_closed = false;
};

// The server's peak memory stays far below what the requests would take if it held them.
bool smallPeak(const ReferenceServer &server)
{
    const qint64 peak = server.peakResidentBytes();
    qInfo("server peak: %lld bytes", peak);
    return peak > 0 && peak < 64 * MiB;
}

} // namespace

class TestServerSlowClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tricklingConnectionsDoNotStopService();
    void millionHeaderLinesAreRefused();
    void uploadWithoutSessionIsRefusedUnread();
    void refusalWithUnreadBodyCloses();
};

void TestServerSlowClients::tricklingConnectionsDoNotStopService()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    constexpr int Count = 100;
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < Count; ++i)
        slow.push_back(std::make_unique<RawConnection>(server));
    // One byte a second on each, the start of a plausible request that never ends.
    const QByteArray head = "POST /soap/soap_server_uploadtool.hvxr HTTP/1.1\r\nHost: x\r\nX-Slow: "
                            "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy";
    std::atomic<bool> stop = false;
    std::atomic<int> cutOff = 0;
    std::atomic<int> timedOut = 0;
    QElapsedTimer sinceStart;
    sinceStart.start();
    std::thread trickle([&] {
        std::vector<bool> done(Count, false);
        for (int second = 0; !stop && second < 20; ++second) {
            for (size_t i = 0; i < Count; ++i) {
                const QByteArray reply = done[i] ? QByteArray() : slow[i]->receive(0);
                if (!done[i] && (!slow[i]->send(head.mid(second % head.size(), 1)) || slow[i]->closed() ||
                                 !reply.isEmpty())) {
                    done[i] = true;
                    timedOut += reply.startsWith("HTTP/1.1 408 ");
                    ++cutOff;
                }
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    });
    const auto joinTrickle = qScopeGuard([&] {
        stop = true;
        trickle.join();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    // A normal client meanwhile: signed in and listing within 2 s.
    QElapsedTimer clock;
    clock.start();
    ServerTestClient client(server);
    QVERIFY(client.signIn() && client.call(u"GetTopLevelAlbums"_s).ok());
    QVERIFY2(clock.elapsed() < 2000 && cutOff == 0, qPrintable(QString::number(clock.elapsed())));

    // The head time limit then cuts every trickling connection off, with a 408 where it can.
    QTRY_COMPARE_WITH_TIMEOUT(cutOff.load(), Count, 15000);
    QVERIFY2(sinceStart.elapsed() < 14000, qPrintable(QString::number(sinceStart.elapsed())));
    QCOMPARE(timedOut.load(), Count);
    QVERIFY(client.call(u"GetTopLevelAlbums"_s).ok() && smallPeak(server));
}

void TestServerSlowClients::millionHeaderLinesAreRefused()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    // Ten at once, each a million lines (about 20 MB) sent as fast as the server takes them.
    constexpr int Count = 10;
    std::vector<std::unique_ptr<RawConnection>> greedy;
    std::vector<std::thread> senders;
    QByteArray lines;
    for (int i = 0; i < 10000; ++i)
        lines += "X-Filler-" + QByteArray::number(i) + ": y\r\n";
    QElapsedTimer clock;
    clock.start();
    for (int c = 0; c < Count; ++c) {
        RawConnection *connection = greedy.emplace_back(std::make_unique<RawConnection>(server)).get();
        senders.emplace_back([connection, &lines] {
            bool open = connection->send("GET /pictures HTTP/1.1\r\nHost: x\r\n");
            for (int i = 0; open && i < 100; ++i)
                open = connection->send(lines);
            connection->send("\r\n");
        });
    }
    QList<QByteArray> replies;
    for (const auto &connection : greedy)
        replies << connection->receive(10000);
    for (std::thread &sender : senders)
        sender.join();
    for (const QByteArray &reply : replies)
        QVERIFY2(reply.startsWith("HTTP/1.1 431 "), reply.left(200).constData());
    QVERIFY2(clock.elapsed() < 10000 && smallPeak(server), qPrintable(QString::number(clock.elapsed())));

    // Just within the limits is served.
    RawConnection fits(server);
    QVERIFY(fits.send("GET / HTTP/1.1\r\nHost: x\r\n" + lines.left(lines.indexOf("X-Filler-97:")) +
                      "Connection: close\r\n\r\n"));
    QVERIFY(fits.receive(5000).startsWith("HTTP/1.1 200 "));
}

void TestServerSlowClients::uploadWithoutSessionIsRefusedUnread()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient signer(server);
    QVERIFY(signer.signIn());
    const qint64 album = signer.albumId(u"Family"_s);

    // Without a session, and signed in but into an album that is not there.
    for (const QString &cookie : QStringList{QString(), u"VENDRA_SESSION="_s + signer.sessionToken()}) {
        const qint64 target = cookie.isEmpty() ? album : 999999;
        RawConnection connection(server);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(
            connection.send("POST /soapfileupload.hvxr?album=" + QByteArray::number(target) +
                            " HTTP/1.1\r\nHost: x\r\nCookie: " + cookie.toUtf8() +
                            "\r\nContent-Type: multipart/form-data; boundary=b\r\nContent-Encoding: gzip\r\n"
                            "Content-Length: 1073741824\r\n\r\n"));
        // The answer comes before any of the body is sent.
        const QByteArray reply = connection.receive(3000);
        QVERIFY2(reply.startsWith("HTTP/1.1 200 ") && reply.contains("Connection: close") &&
                     reply.contains(cookie.isEmpty() ? "apiresult=\"NOT_LOGGED_IN\"" : "ALBUM_NOT_FOUND"),
                 reply.constData());
        // The body is not read: the connection ends long before a gibibyte has gone.
        const QByteArray piece(MiB, 'z');
        qint64 sent = 0;
        while (sent < (qint64(1) << 30) && connection.send(piece))
            sent += piece.size();
        QVERIFY2(sent < 64 * MiB && clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }
    QVERIFY(smallPeak(server) && signer.call(u"GetTopLevelAlbums"_s).ok());
}

void TestServerSlowClients::refusalWithUnreadBodyCloses()
{
    ReferenceServer server;
    QVERIFY2(server.start({.arguments = {u"--max-transfer-size"_s, u"64K"_s}}),
             qPrintable(server.errorString()));
    ServerTestClient signer(server);
    QVERIFY(signer.signIn());
    const QByteArray cookie = "Cookie: VENDRA_SESSION=" + signer.sessionToken().toUtf8() + "\r\n";
    // Bodies that hold requests of their own, which must never be answered.
    QByteArray smuggled;
    while (smuggled.size() < 200000)
        smuggled += "GET /pictures HTTP/1.1\r\nHost: x\r\n\r\n";
    const QList<QByteArray> heads{
        // Too large for the transfer size: 413.
        "POST /soapfileupload.hvxr?album=1 HTTP/1.1\r\nHost: x\r\n" + cookie +
            "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
            QByteArray::number(smuggled.size()) + "\r\n\r\n",
        // A SOAP request larger than any SOAP request: 413.
        "POST /soap/soap_server_uploadtool.hvxr HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\n"
        "Content-Length: 2000000\r\n\r\n",
        // No such address, a body of unknown length: 404.
        "POST /elsewhere HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n30d40\r\n",
        // A GET with a body.
        "GET /pictures HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n",
    };
    for (const QByteArray &head : heads) {
        RawConnection connection(server);
        QVERIFY(connection.send(head + smuggled));
        const QByteArray reply = connection.receive(5000);
        QVERIFY2(connection.closed() && reply.count("HTTP/1.1 ") == 1 && reply.contains("Connection: close"),
                 head.constData());
    }
    QVERIFY(signer.call(u"GetTopLevelAlbums"_s).ok());
}

VENDRA_TEST_MAIN(TestServerSlowClients)
#include "tst_serverslowclients.moc"
