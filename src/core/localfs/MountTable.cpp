#include "localfs/MountTable.h"

#include <QSet>

namespace {

// Kernel file systems that hold no user files.
const QSet<QString> &pseudoFileSystems()
{
    static const QSet<QString> types{
        QStringLiteral("autofs"),    QStringLiteral("proc"),        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),  QStringLiteral("devpts"),      QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),   QStringLiteral("securityfs"),  QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),   QStringLiteral("pstore"),      QStringLiteral("bpf"),
        QStringLiteral("configfs"),  QStringLiteral("fusectl"),     QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"), QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),      QStringLiteral("rpc_pipefs"),  QStringLiteral("selinuxfs"),
        QStringLiteral("swap"),      QStringLiteral("ramfs"),       QStringLiteral("squashfs"),
    };
    return types;
}

bool isUnder(const QString &path, const QString &folder)
{
    return path.startsWith(folder + u'/');
}

// Folders of the system itself: a block device mounted there is no volume of the user's.
bool isSystemFolder(const QString &path)
{
    static const QStringList folders{
        QStringLiteral("/boot"), QStringLiteral("/efi"),      QStringLiteral("/snap"),
        QStringLiteral("/proc"), QStringLiteral("/sys"),      QStringLiteral("/dev"),
        QStringLiteral("/run"),  QStringLiteral("/var/lib"),  QStringLiteral("/etc"),
        QStringLiteral("/usr"),  QStringLiteral("/var/snap"),
    };
    for (const QString &folder : folders) {
        if (path == folder || isUnder(path, folder))
            return true;
    }
    return false;
}

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo octal escapes.
QString unescape(const QByteArray &field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                bytes.append(char(value));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QString::fromUtf8(bytes);
}

} // namespace

MountTable::MountTable(const QString &file, QObject *parent) : QObject(parent), m_file(file), m_watched(file)
{
    // The kernel marks /proc/self/mountinfo exceptional (POLLPRI) on every change of the table; each
    // read from the start takes the mark away again. A regular file never raises it.
    if (m_watched.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_watched.readAll();
        m_notifier = std::make_unique<QSocketNotifier>(m_watched.handle(), QSocketNotifier::Exception);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
            m_watched.seek(0);
            m_watched.readAll();
            Q_EMIT changed();
        });
    }
}

MountTable::~MountTable() = default;

QList<MountTable::Entry> MountTable::entries() const
{
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

QStringList MountTable::volumePaths() const
{
    QStringList paths;
    for (const Entry &entry : entries()) {
        if (entry.mountPoint == u'/') {
            paths.append(entry.mountPoint);
            break;
        }
    }
    for (const Entry &entry : entries()) {
        if (isVolume(entry) && !paths.contains(entry.mountPoint))
            paths.append(entry.mountPoint);
    }
    return paths;
}

QList<MountTable::Entry> MountTable::parse(const QByteArray &mountInfo)
{
    // id parent major:minor root mount-point options [optional fields] - type source super-options
    QList<Entry> entries;
    for (const QByteArray &line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 6 || separator + 2 >= fields.size())
            continue;
        entries.append(
            {unescape(fields[4]), unescape(fields[separator + 1]), unescape(fields[separator + 2])});
    }
    return entries;
}

bool MountTable::isVolume(const Entry &entry)
{
    if (pseudoFileSystems().contains(entry.fileSystemType))
        return false;
    const QString &path = entry.mountPoint;
    if (path == u'/')
        return true;
    if (isUnder(path, QStringLiteral("/media")) || isUnder(path, QStringLiteral("/run/media")) ||
        isUnder(path, QStringLiteral("/mnt")))
        return true;
    return entry.source.startsWith(QStringLiteral("/dev/")) && !isSystemFolder(path);
}
