// 50 clients start at once against vendra-server on loopback, each signing in, listing albums and
// uploading 20 files of 100 KB. First curl uploads the same 20 files alone, as the unloaded peer.
// Last line: "50 clients: uploads ok: N/1000, resets: R, p99 ms: P, server peak RSS MiB: M", P being
// the 99th percentile of the uploads; the sign-ins and all requests together are on the line before.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <latch>
#include <mutex>
#include <thread>

namespace {

constexpr int Clients = 50;
constexpr int FilesPerClient = 20;
constexpr int FileSize = 100 * 1000;

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// curl alone: one process, one connection, the 20 uploads in a row; milliseconds per upload.
double curlMsPerUpload(const ReferenceServer &server, const QString &session, qint64 album,
                       const QString &file)
{
    // Straight to loopback, whatever proxy the environment names.
    const QStringList each{"--noproxy", "*", "--silent", "--show-error", "--fail", "--output", "/dev/null"};
    const QString url = server.baseUrl().toString() + "/soapfileupload.hvxr?album=" + QString::number(album);
    QStringList arguments;
    for (int i = 0; i < FilesPerClient; ++i) {
        if (i > 0)
            arguments << "--next";
        arguments << each << "--cookie"
                  << "VENDRA_SESSION=" + session << "--form"
                  << QStringLiteral("file=@%1;filename=curl-%2.bin").arg(file).arg(i) << url;
    }
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start("curl", arguments);
    if (!curl.waitForFinished(60000) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6 / FilesPerClient;
}

// CPU seconds the process has used so far (user and system), from /proc.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? double(fields[11].toLongLong() + fields[12].toLongLong()) / 100.0 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ReferenceServer server;
    ReferenceServer::Options options;
    options.logFile = QDir(server.dataDir()).filePath("server.log");
    options.arguments = QStringList{"--auto-approve"};
    if (!server.start(options)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QByteArray content = TestFiles::randomBytes(FileSize, 1);

    ServerTestClient signer(server);
    const qint64 album = signer.signIn() ? signer.albumId("Family") : -1;
    QTemporaryDir files;
    const QString file = TestFiles::write(files.filePath("file.bin"), content);
    const double curlMs = curlMsPerUpload(server, signer.sessionToken(), album, file);
    if (album < 0 || curlMs < 0)
        return 1;

    std::mutex mutex;
    std::vector<double> latencies;
    std::vector<double> loginLatencies;
    std::vector<double> uploadLatencies;
    std::atomic<int> uploadsOk = 0;
    std::atomic<int> resets = 0;
    std::latch ready(Clients + 1);
    std::vector<std::thread> clients;
    for (int c = 0; c < Clients; ++c) {
        clients.emplace_back([&, c] {
            ServerTestClient client(server);
            std::vector<double> mine;
            QElapsedTimer clock;
            const auto timed = [&](auto request) {
                clock.start();
                const int status = request();
                mine.push_back(double(clock.nsecsElapsed()) / 1e6);
                resets += status == 0;
                return status;
            };
            ready.arrive_and_wait();
            timed([&] { return client.call("CheckVersion", {{"strVersion", "1.0.0"}}).status; });
            timed([&] {
                return client.call("Login", {{"strUsername", "demo"}, {"strPassword", "demo"}}).status;
            });
            timed([&] { return client.call("GetTopLevelAlbums").status; });
            for (int i = 0; i < FilesPerClient; ++i)
                timed([&] {
                    const auto reply =
                        client.upload(album, QStringLiteral("c%1-%2.bin").arg(c).arg(i), content);
                    uploadsOk += reply.result.value("actionresult") == QLatin1String("ok");
                    return reply.status;
                });
            std::lock_guard lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
            loginLatencies.push_back(mine[1]);
            uploadLatencies.insert(uploadLatencies.end(), mine.begin() + 3, mine.end());
        });
    }
    const double cpuBefore = cpuSeconds(server.processId());
    QElapsedTimer wall;
    wall.start();
    ready.arrive_and_wait();
    for (std::thread &client : clients)
        client.join();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double serverCpu = cpuSeconds(server.processId()) - cpuBefore;

    const double uploadP50 = percentile(uploadLatencies, 0.50);
    const double uploadP99 = percentile(uploadLatencies, 0.99);
    const double peakMiB = double(server.peakResidentBytes()) / (1024 * 1024);
    std::printf("curl alone: %.1f ms per upload of %d KB\n", curlMs, FileSize / 1000);
    std::printf(
        "under load: %zu requests in %.2f s (server CPU %.2f s), all requests p50 %.1f ms, p99 %.1f ms\n",
        latencies.size(), seconds, serverCpu, percentile(latencies, 0.50), percentile(latencies, 0.99));
    std::printf("sign-ins p99 %.1f ms (a deliberately slow password hash, 50 at once); uploads p50 %.1f ms, "
                "p99 %.1f ms; upload p50 / curl alone %.2f\n",
                percentile(loginLatencies, 0.99), uploadP50, uploadP99, uploadP50 / curlMs);
    // The percentile is the uploads', which the line counts.
    std::printf("%d clients: uploads ok: %d/%d, resets: %d, p99 ms: %.0f, server peak RSS MiB: %.0f\n",
                Clients, uploadsOk.load(), Clients * FilesPerClient, resets.load(), uploadP99, peakMiB);
    return 0;
}
