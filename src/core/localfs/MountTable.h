#pragma once

#include <QFile>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <memory>

// The kernel's table of mounts (/proc/self/mountinfo) and the rule for which mounts a person thinks
// of as volumes. While open, changed() is emitted on every mount and unmount.
class MountTable : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QString mountPoint;
        QString fileSystemType;
        QString source;
    };

    // file is read as mountinfo; a regular file (for tests) is read but gives no change events.
    explicit MountTable(const QString &file = QStringLiteral("/proc/self/mountinfo"),
                        QObject *parent = nullptr);
    ~MountTable() override;

    // The table as it is now; empty when the file cannot be read.
    QList<Entry> entries() const;
    // "/" first, then the other volumes in table order, each mount point once.
    QStringList volumePaths() const;

    static QList<Entry> parse(const QByteArray &mountInfo);
    // "/", removable media (/media, /run/media, /mnt) and other block-device mounts; never a pseudo
    // file system, never "autofs".
    static bool isVolume(const Entry &entry);

Q_SIGNALS:
    void changed();

private:
    QString m_file;
    QFile m_watched;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
