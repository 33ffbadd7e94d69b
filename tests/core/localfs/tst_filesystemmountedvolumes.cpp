#include "localfs/FileSystemMountedVolumes.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"
#include "settings/Preferences.h"
#include "settings/UserDefaults.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

QByteArray mountLine(const QString &mountPoint, const QString &type, const QString &source)
{
    static int id = 30;
    QByteArray escaped = mountPoint.toUtf8();
    escaped.replace(' ', "\\040");
    return QByteArray::number(++id) + " 1 8:1 / " + escaped + " rw,relatime shared:1 - " + type.toUtf8() +
           ' ' + source.toUtf8() + " rw\n";
}

QStringList paths(const FileSystemRoot &root)
{
    QStringList result;
    for (const FileSystemItem *child : root.children())
        result.append(child->fullPath());
    return result;
}

// Unmounts on every way out of a test.
struct Mount
{
    QString point;
    bool mounted = false;

    explicit Mount(const QString &at) : point(at)
    {
        mounted = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"vendra-test"_s, point}) == 0;
    }
    void unmount()
    {
        if (mounted)
            mounted = QProcess::execute(u"umount"_s, {point}) != 0;
    }
    ~Mount() { unmount(); }
};

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
        QTest::newRow("stick under /media") << u"/media/me/STICK"_s << u"vfat"_s << u"/dev/sdb1"_s << true;
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
        const QList<MountTable::Entry> entries = MountTable::parse(mountLine(mountPoint, type, source));
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().mountPoint, mountPoint);
        QCOMPARE(entries.first().fileSystemType, type);
        QCOMPARE(MountTable::isVolume(entries.first()), volume);
    }

    void parsesEscapesAndOptionalFields()
    {
        const QByteArray table =
            "36 35 98:0 /mnt1 /mnt/with\\040blank\\011tab rw,noatime master:1 shared:2 - ext3 "
            "/dev/root rw,errors=continue\nbroken line\n\n";
        const QList<MountTable::Entry> entries = MountTable::parse(table);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().mountPoint, u"/mnt/with blank\ttab"_s);
        QCOMPARE(entries.first().fileSystemType, u"ext3"_s);
        QCOMPARE(entries.first().source, u"/dev/root"_s);
    }

    void aRealMountIsSeenAtOnce()
    {
        if (geteuid() != 0)
            QSKIP("mounting needs root");
        QTemporaryDir point(u"/mnt/vendra-test-XXXXXX"_s);
        if (!point.isValid())
            QSKIP("no folder can be made under /mnt");
        FileSystemMountedVolumes devices(u"Devices"_s);
        QVERIFY(!paths(devices).contains(point.path()));
        Mount mount(point.path());
        if (!mount.mounted)
            QSKIP("this machine does not allow a tmpfs mount");
        QTRY_VERIFY_WITH_TIMEOUT(paths(devices).contains(point.path()), 2000);
        QCOMPARE(paths(devices).last(), point.path());
        mount.unmount();
        QVERIFY(!mount.mounted);
        QTRY_VERIFY_WITH_TIMEOUT(!paths(devices).contains(point.path()), 2000);
    }
};

VENDRA_TEST_MAIN(TestFileSystemMountedVolumes)
#include "tst_filesystemmountedvolumes.moc"
