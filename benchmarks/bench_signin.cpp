// Signs in to the reference server on loopback 200 times and reports the time of the whole
// five-request sequence. Last line: "sign-in p50 ms: A, p99 ms: B". With --https it signs in over
// TLS, trusting the server's self-signed certificate.
#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/TrustedCertificates.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsLoginSequence.h"

#include "ReferenceServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace {

// Comms, noting when each step starts and ends, to show where a sign-in spends its time.
class TimedComms : public Comms
{
public:
    QElapsedTimer clock;
    QList<QList<double>> stepMs = QList<QList<double>>(5);

    void startCheckVersion() override { mark(); }
    void startLogin() override { mark(); }
    void startGetPendingButton() override { mark(); }
    void startGetPictureButton() override { mark(); }
    void startGetTopLevelAlbums() override { mark(); }
    void checkVersionCompleted(bool) override { record(0); }
    void loginCompleted(bool) override { record(1); }
    void getPendingButtonCompleted(bool) override { record(2); }
    void getPictureButtonCompleted(bool) override { record(3); }
    void getTopLevelAlbumsCompleted(bool) override { record(4); }

private:
    qint64 m_start = 0;
    void mark() { m_start = clock.nsecsElapsed(); }
    void record(int step) { stepMs[step].append(double(clock.nsecsElapsed() - m_start) / 1e6); }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    installMessageTables();

    const bool https = app.arguments().contains(QStringLiteral("--https"));
    ReferenceServer server;
    ReferenceServer::Options options;
    options.tls = https;
    if (!server.start(options)) {
        std::fprintf(stderr, "cannot start vendra-server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    commsGlobals globals;
    globals.setServer(server.host());
    globals.setPortNo(server.port());
    globals.setBUseHTTPS(https);
    if (https)
        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(server.certificatePath()));
    globals.setUserName(QStringLiteral("demo"));
    globals.setPassword(QStringLiteral("demo"));
    const auto comms = std::make_shared<TimedComms>();
    comms->clock.start();

    QEventLoop loop;
    bool succeeded = false;
    QObject observer;
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(&observer, NotificationNames::CommsEventsLoginSuccess, [&](const Notification &) {
        succeeded = true;
        loop.quit();
    });
    center.addObserver(&observer, NotificationNames::CommsEventsLoginFailure, [&](const Notification &) {
        succeeded = false;
        loop.quit();
    });

    constexpr int runs = 200;
    QList<double> milliseconds;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        globals.results().remoteFolderBrowser()->clear();
        globals.clearRemoteFolderDictionaries();
        globals.loginSequence().startLoginSequence(comms);
        loop.exec();
        milliseconds.append(double(timer.nsecsElapsed()) / 1e6);
        if (!succeeded) {
            std::fprintf(stderr, "sign-in %d failed: %s\n", i,
                         qPrintable(globals.loginSequence().error().toString()));
            return 1;
        }
    }
    const char *steps[] = {"CheckVersion", "Login", "GetPendingFilesButtonDetails",
                           "GetMyPicturesButtonDetails", "GetTopLevelAlbums"};
    for (int step = 0; step < 5; ++step)
        std::printf("%s p50 ms: %.1f\n", steps[step], median(comms->stepMs[step]));
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto percentile = [&](double p) {
        return milliseconds.at(qMin(runs - 1, int(p * runs)));
    };
    std::printf("runs: %d, min ms: %.1f, max ms: %.1f\n", runs, milliseconds.first(), milliseconds.last());
    std::printf("sign-in p50 ms: %.1f, p99 ms: %.1f\n", percentile(0.50), percentile(0.99));
    return 0;
}
