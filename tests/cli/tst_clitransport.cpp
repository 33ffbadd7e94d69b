#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "TinyProxy.h"
#include "VendraTest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QByteArray sha256Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

} // namespace

class TestCliTransport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_local;
    CliProcess m_cli;

    CliProcess::Result cli(const ReferenceServer &server, const QStringList &arguments, int timeoutMs = 60000)
    {
        return m_cli.run(CliProcess::demoOn(server) + arguments, {}, timeoutMs);
    }

private Q_SLOTS:
    void initTestCase() { m_cli.setPasswordVariable(u"demo"_s); }

    // A large file over HTTPS is streamed: the whole command stays far below the file's size in
    // memory, and the file arrives byte for byte.
    void aLargeUploadOverHttpsIsStreamed()
    {
        ReferenceServer server;
        QVERIFY2(server.start({.tls = true}), qPrintable(server.errorString()));
        const QString local = m_local.filePath(u"large.bin"_s);
        {
            QFile file(local);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (quint32 piece = 0; piece < 256; ++piece)
                QCOMPARE(file.write(TestFiles::randomBytes(1 << 20, piece)), qint64(1) << 20);
        }
        const CliProcess::Result result = cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, local}, 120000);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        const qint64 peakMiB = result.peakKiB / 1024;
        qInfo("vendra-cli's peak memory for 256 MiB over HTTPS: %lld MiB", peakMiB);
        QVERIFY2(peakMiB < 64, qPrintable(u"%1 MiB"_s.arg(peakMiB)));
        QCOMPARE(sha256Of(server.albumFilePath(u"demo"_s, u"Family"_s, u"large.bin"_s)), sha256Of(local));
    }

    // Without a proxy of its own the environment's is used, and no_proxy passes it by.
    void theEnvironmentsProxyAndItsExceptions()
    {
        TinyProxy proxy;
        QVERIFY(proxy.start());
        ReferenceServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        CliProcess cli;
        cli.setPasswordVariable(u"demo"_s);
        cli.setEnvironmentVariable(u"http_proxy"_s, proxy.url());
        const QStringList albums = CliProcess::demoOn(server) << u"albums"_s;
        QCOMPARE(cli.run(albums).exitCode, 0);
        const qsizetype carried = proxy.requests().size();
        QVERIFY(carried > 0);

        cli.setEnvironmentVariable(u"no_proxy"_s, u"127.0.0.1"_s);
        QCOMPARE(cli.run(albums).exitCode, 0);
        QCOMPARE(proxy.requests().size(), carried);

        // A proxy that is not there is a failure with its reason, not a silent direct connection.
        cli.setEnvironmentVariable(u"no_proxy"_s, QString());
        const CliProcess::Result result =
            cli.run(QStringList{u"--proxy"_s, u"http://127.0.0.1:1"_s} + albums);
        QVERIFY2(result.exitCode != 0 && !result.err.isEmpty(), qPrintable(result.out));
    }

    // 20 MiB at 2 MiB/s take ten seconds when four uploads share the cap.
    void theSpeedCapHoldsForAllUploadsTogether()
    {
        constexpr int files = 4;
        ReferenceServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QStringList paths;
        for (int i = 0; i < files; ++i)
            paths.append(TestFiles::write(m_local.filePath(u"capped%1.bin"_s.arg(i)),
                                          TestFiles::randomBytes((qint64(20) << 20) / files, quint32(i))));
        const CliProcess::Result result =
            cli(server, u"upload --parallel 4 --limit-rate 2M --to Family"_s.split(u' ') + paths);
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY2(result.ms >= 9000 && result.ms <= 11000, qPrintable(u"%1 ms"_s.arg(result.ms)));
        for (const QString &path : std::as_const(paths))
            QCOMPARE(sha256Of(server.albumFilePath(u"demo"_s, u"Family"_s, QFileInfo(path).fileName())),
                     sha256Of(path));
    }

    // Sign-in, the album listing and an upload all go through the proxy named on the command line,
    // HTTPS through a CONNECT tunnel; stored in the profile, it serves later runs too. The SOAP calls
    // of a run share one connection, though sign-in, listing and sign-out run on different threads.
    // Plain HTTP through a proxy is the desktop tests'. Last, as it stores a proxy in the profile.
    void throughAProxy()
    {
        TinyProxy proxy;
        QVERIFY(proxy.start());
        ReferenceServer server;
        QVERIFY2(server.start({.tls = true}), qPrintable(server.errorString()));
        const QString local =
            TestFiles::write(m_local.filePath(u"proxied.bin"_s), TestFiles::randomBytes(300000, 3));
        const QString tunnel = u"CONNECT 127.0.0.1:%1"_s.arg(server.port());
        // Command, and the tunnels it may open: one for the SOAP calls, one more for the upload.
        const QList<std::pair<QStringList, qsizetype>> runs{
            {{u"login"_s}, 1}, {{u"albums"_s}, 1}, {{u"upload"_s, u"--to"_s, u"Family"_s, local}, 2}};
        for (const auto &[command, tunnels] : runs) {
            const qsizetype before = proxy.requests().filter(tunnel).size();
            const CliProcess::Result result = cli(server, QStringList{u"--proxy"_s, proxy.url()} + command);
            QVERIFY2(result.exitCode == 0, qPrintable(result.err));
            const QStringList carried = proxy.requests();
            QVERIFY2(carried.filter(tunnel).size() - before == tunnels, qPrintable(carried.join(u'\n')));
        }
        QCOMPARE(sha256Of(server.albumFilePath(u"demo"_s, u"Family"_s, u"proxied.bin"_s)), sha256Of(local));

        const qsizetype before = proxy.requests().size();
        QVERIFY(
            m_cli.run({u"profile"_s, u"--proxy"_s, proxy.url()}).out.contains(u"Proxy: "_s + proxy.url()));
        QCOMPARE(cli(server, {u"albums"_s}).exitCode, 0);
        QVERIFY(proxy.requests().size() > before);
    }
};

VENDRA_TEST_MAIN(TestCliTransport)
#include "tst_clitransport.moc"
