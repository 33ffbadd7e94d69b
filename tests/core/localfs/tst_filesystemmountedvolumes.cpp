#include "localfs/FileSystemMountedVolumes.h"

#include "localfs/FileSystemItem.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"

#include "VendraTest.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// A table of one entry, with two optional fields, blanks escaped as the kernel does, and lines
// that are no entry.
QByteArray mountTable(const QString &mountPoint, const QString &type, const QString &source)
{
    const QByteArray escaped = mountPoint.toUtf8().replace(' ', "\\040").replace('\t', "\\011");
    return "36 35 98:0 /mnt1 " + escaped + " rw,noatime master:1 shared:2 - " + type.toUtf8() + ' ' +
           source.toUtf8() + " rw,errors=continue\nbroken line\n\n";
}

} // namespace

class TestFileSystemMountedVolumes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(u"config"_s));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_dir.path()));
        QVERIFY(Preferences::init());
    }

    void cleanupTestCase() { Preferences::close(); }

    void whichMountsAreVolumes_data()
    {
        QTest::addColumn<QString>("mountPoint");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("volume");
        QTest::newRow("root in a container") << u"/"_s << u"overlay"_s << u"overlay"_s << true;
        QTest::newRow("stick under /media")
            << u"/media/me/MY STICK\t2"_s << u"vfat"_s << u"/dev/sdb1"_s << true;
        QTest::newRow("home partition") << u"/home"_s << u"ext4"_s << u"/dev/sda3"_s << true;
        QTest::newRow("boot partition") << u"/boot/efi"_s << u"vfat"_s << u"/dev/sda1"_s << false;
        QTest::newRow("automounter") << u"/media/net"_s << u"autofs"_s << u"systemd-1"_s << false;
        QTest::newRow("network share elsewhere") << u"/srv/share"_s << u"nfs"_s << u"host:/share"_s << false;
    }

    void whichMountsAreVolumes()
    {
        QFETCH(QString, mountPoint);
        QFETCH(QString, type);
        QFETCH(QString, source);
        QFETCH(bool, volume);
        const QList<MountTable::Entry> entries = MountTable::parse(mountTable(mountPoint, type, source));
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().mountPoint, mountPoint);
        QCOMPARE(entries.first().fileSystemType, type);
        QCOMPARE(entries.first().source, source);
        QCOMPARE(MountTable::isVolume(entries.first()), volume);
    }

    void aRealMountIsSeenAtOnce()
    {
        if (geteuid() != 0)
            QSKIP("mounting needs root");
        QTemporaryDir point(u"/mnt/vendra-test-XXXXXX"_s);
        if (!point.isValid())
            QSKIP("no folder can be made under /mnt");
        FileSystemMountedVolumes devices(u"Devices"_s);
        const QUrl url = QUrl::fromLocalFile(point.path());
        QVERIFY(!devices.containsChildPath(url));
        const auto mount = [&](const QString &tool, const QStringList &arguments) {
            return QProcess::execute(tool, arguments + QStringList{point.path()}) == 0;
        };
        if (!mount(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"vendra-test"_s}))
            QSKIP("this machine does not allow a tmpfs mount");
        auto unmount = qScopeGuard([&] { mount(u"umount"_s, {}); });
        QTRY_VERIFY_WITH_TIMEOUT(devices.containsChildPath(url), 2000);
        QCOMPARE(devices.children().last()->fullPath(), point.path());
        unmount.dismiss();
        QVERIFY(mount(u"umount"_s, {}));
        QTRY_VERIFY_WITH_TIMEOUT(!devices.containsChildPath(url), 2000);
    }
};

VENDRA_TEST_MAIN(TestFileSystemMountedVolumes)
#include "tst_filesystemmountedvolumes.moc"
