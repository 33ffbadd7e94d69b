// Slow and greedy clients: trickling connections do not keep others from being served and are cut
// off, oversized request heads are refused with 431 without costing memory, and refusals close the
// connection without reading the body.
#include "ServerTestClient.h"
#include "VendraTest.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
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
    // Unconnected, it fails every send.
    explicit RawConnection(const ReferenceServer &server) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(server.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    ~RawConnection() { ::close(m_fd); }
    Q_DISABLE_COPY_MOVE(RawConnection)

    // False once the server has closed or reset the connection.
    bool send(const QByteArray &data)
    {
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t sent =
                ::send(m_fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            done += sent;
        }
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
    void refusalsLeaveTheBodyUnreadAndClose();
};

void TestServerSlowClients::tricklingConnectionsDoNotStopService()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 100; ++i)
        slow.push_back(std::make_unique<RawConnection>(server));
    // One byte a second on each, the start of a plausible request that never ends. A normal client
    // meanwhile signs in and lists within 2 s; the head time limit then cuts every trickling
    // connection off with a 408.
    const QByteArray head =
        "POST /soap/soap_server_uploadtool.hvxr HTTP/1.1\r\nHost: x\r\nX-Slow: " + QByteArray(40, 'y');
    ServerTestClient client(server);
    int timedOut = 0;
    QElapsedTimer sinceStart;
    sinceStart.start();
    for (int second = 0; second < 20 && !slow.empty(); ++second) {
        for (auto it = slow.begin(); it != slow.end();) {
            const QByteArray reply = (*it)->receive(0);
            const bool cutOff = !(*it)->send(head.mid(second, 1)) || (*it)->closed() || !reply.isEmpty();
            timedOut += reply.startsWith("HTTP/1.1 408 ");
            it = cutOff ? slow.erase(it) : it + 1;
        }
        if (second == 1) {
            QCOMPARE(slow.size(), size_t(100));
            QElapsedTimer clock;
            clock.start();
            QVERIFY(client.signIn() && client.call(u"GetTopLevelAlbums"_s).ok());
            QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        }
        QTest::qSleep(1000);
    }
    QVERIFY(slow.empty());
    QVERIFY2(sinceStart.elapsed() < 15000, qPrintable(QString::number(sinceStart.elapsed())));
    QCOMPARE(timedOut, 100);
    QVERIFY(client.call(u"GetTopLevelAlbums"_s).ok());
    QVERIFY(smallPeak(server));
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
        greedy.push_back(std::make_unique<RawConnection>(server));
        RawConnection *connection = greedy.back().get();
        senders.emplace_back([connection, &lines] {
            if (!connection->send("GET /pictures HTTP/1.1\r\nHost: x\r\n"))
                return;
            for (int i = 0; i < 100; ++i)
                if (!connection->send(lines))
                    return;
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
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(smallPeak(server));

    // Just within the limits is served.
    RawConnection fits(server);
    QVERIFY(fits.send("GET / HTTP/1.1\r\nHost: x\r\n" + lines.left(lines.indexOf("X-Filler-97:")) +
                      "Connection: close\r\n\r\n"));
    QVERIFY(fits.receive(5000).startsWith("HTTP/1.1 200 "));
}

// Refusals that come before the body is read: the answer comes before any of the body is sent, the
// connection closes, and the body (requests of its own, which must never be answered) stays unread.
void TestServerSlowClients::refusalsLeaveTheBodyUnreadAndClose()
{
    ReferenceServer server;
    QVERIFY2(server.start({.arguments = {u"--max-transfer-size"_s, u"64K"_s}}),
             qPrintable(server.errorString()));
    ServerTestClient signer(server);
    QVERIFY(signer.signIn());
    const QByteArray family = QByteArray::number(signer.albumId(u"Family"_s));
    const QByteArray cookie = "Cookie: VENDRA_SESSION=" + signer.sessionToken().toUtf8() + "\r\n";
    const auto upload = [](const QByteArray &album) {
        return "POST /soapfileupload.hvxr?album=" + album +
               " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=b\r\n";
    };
    const QByteArray gibibyte = "Content-Length: 1073741824\r\n\r\n";
    const QList<QPair<QByteArray, QByteArray>> heads{
        // A head, and what the answer to it holds.
        {upload(family) + "Content-Encoding: gzip\r\n" + gibibyte, "apiresult=\"NOT_LOGGED_IN\""},
        {upload("999999") + cookie + gibibyte, "ALBUM_NOT_FOUND"},
        {upload(family) + cookie + "Content-Length: 200000\r\n\r\n", "HTTP/1.1 413 "},
        {"POST /soap/soap_server_uploadtool.hvxr HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\n"
         "Content-Length: 2000000\r\n\r\n",
         "HTTP/1.1 413 "},
        {"POST /elsewhere HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n30d40\r\n",
         "HTTP/1.1 404 "},
        {"GET /pictures HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n", "HTTP/1.1 "},
    };
    QByteArray smuggled;
    while (smuggled.size() < MiB)
        smuggled += "GET /pictures HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const auto &[head, answer] : heads) {
        RawConnection connection(server);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(connection.send(head));
        QByteArray reply = connection.receive(3000);
        QVERIFY2(reply.startsWith("HTTP/1.1 ") && reply.contains(answer),
                 QByteArray(head + reply).constData());
        qint64 sent = 0;
        while (sent < 64 * MiB && connection.send(smuggled))
            sent += smuggled.size();
        reply += connection.receive(5000);
        QVERIFY2(sent < 64 * MiB && connection.closed(), head.constData());
        QVERIFY2(reply.count("HTTP/1.1 ") == 1 && reply.contains("Connection: close"), reply.constData());
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }
    QVERIFY(smallPeak(server));
    QVERIFY(signer.call(u"GetTopLevelAlbums"_s).ok());
}

VENDRA_TEST_MAIN(TestServerSlowClients)
#include "tst_serverslowclients.moc"
