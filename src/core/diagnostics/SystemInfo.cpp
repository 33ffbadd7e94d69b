#include "diagnostics/SystemInfo.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QSysInfo>
#include <QThread>

#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace {

// What a missing part prints as.
const QString NothingText = QStringLiteral("(null)");

QString orNothing(const QString &text)
{
    return text.isNull() ? NothingText : text;
}

// A small text file of the kernel or the firmware, trimmed; null when it cannot be read.
QString readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray content = file.read(64 * 1024);
    // Device-tree strings end in a NUL.
    return QString::fromLocal8Bit(content).remove(QChar(0)).trimmed();
}

// The values of one field in every block of /proc/cpuinfo, in order.
QStringList cpuinfoValues(const QString &field)
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    QStringList values;
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n');
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && line.left(colon).trimmed() == field)
            values.append(line.mid(colon + 1).trimmed());
    }
    return values;
}

std::optional<quint64> memTotalBytes()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("MemTotal:")))
            continue;
        const QStringList parts = line.mid(9).simplified().split(u' ');
        bool ok = false;
        const quint64 kibibytes = parts.value(0).toULongLong(&ok);
        if (ok)
            return kibibytes * 1024;
    }
    return std::nullopt;
}

struct passwd *currentUserEntry()
{
    return ::getpwuid(::getuid());
}

} // namespace

QString SystemInfo::info()
{
    QString text;
    text += QStringLiteral("OS Version\t: %1\n").arg(orNothing(OSVersion()));
    text += QStringLiteral("Model\t\t: %1\n\n").arg(orNothing(ModelID()));
    text += QStringLiteral("Processor\t\t: %1 (%2)\n")
                .arg(orNothing(ProcessorName()), orNothing(ProcessorSpeed()));
    text += QStringLiteral("CPU \t\t: %1 (Cores %2)\n")
                .arg(orNothing(ProcessorCount()), orNothing(ProcessorCores()));
    text += QStringLiteral("Architecture\t: %1\n").arg(orNothing(ProcessorArchitecture()));
    text += QStringLiteral("Memory\t\t: %1\n").arg(orNothing(PhysicalMemory()));
    text += QStringLiteral("Language\t\t: %1").arg(QLocale::system().name());
    return text;
}

QString SystemInfo::OSVersion()
{
    const QString release = controlEntry(QStringLiteral("kernel.osrelease"));
    const QString build = controlEntry(QStringLiteral("kernel.version"));
    if (release.isNull() || build.isNull())
        return QString();
    static const QRegularExpression punctuation(QStringLiteral("[[:punct:]]"));
    if (release.split(punctuation, Qt::SkipEmptyParts).isEmpty())
        return QStringLiteral("Unknown");
    return QStringLiteral("%1, kernel %2 (%3)").arg(OSName(), release, build);
}

QString SystemInfo::ModelID()
{
    const QString product = readSmallFile(QStringLiteral("/sys/class/dmi/id/product_name"));
    if (!product.isEmpty())
        return product;
    const QString board = readSmallFile(QStringLiteral("/proc/device-tree/model"));
    return board.isEmpty() ? QString() : board;
}

QString SystemInfo::ProcessorName()
{
    const QStringList names = cpuinfoValues(QStringLiteral("model name"));
    return names.isEmpty() ? QString() : parseBrandName(names.first());
}

QString SystemInfo::ProcessorSpeed()
{
    bool ok = false;
    const double megahertz = cpuinfoValues(QStringLiteral("cpu MHz")).value(0).toDouble(&ok);
    if (ok && megahertz > 0)
        return speedText(quint64(megahertz * 1e6));
    // Processors whose cpuinfo has no clock (most ARM ones) still report their top frequency in kHz.
    const quint64 kilohertz =
        readSmallFile(QStringLiteral("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"))
            .toULongLong(&ok);
    return ok ? speedText(kilohertz * 1000) : QString();
}

QString SystemInfo::ProcessorCount()
{
    const QStringList packages = cpuinfoValues(QStringLiteral("physical id"));
    const QStringList cores = cpuinfoValues(QStringLiteral("core id"));
    if (packages.isEmpty() || packages.size() != cores.size())
        return ProcessorCores();
    QSet<QString> physical;
    for (qsizetype i = 0; i < packages.size(); ++i)
        physical.insert(packages.at(i) + u'/' + cores.at(i));
    return QString::number(physical.size());
}

QString SystemInfo::ProcessorCores()
{
    const qsizetype processors = cpuinfoValues(QStringLiteral("processor")).size();
    return QString::number(processors > 0 ? processors : QThread::idealThreadCount());
}

QString SystemInfo::ProcessorArchitecture()
{
    return QSysInfo::currentCpuArchitecture();
}

QString SystemInfo::PhysicalMemory()
{
    const std::optional<quint64> bytes = memTotalBytes();
    return bytes ? memoryText(*bytes) : QString();
}

QString SystemInfo::name()
{
    return QSysInfo::machineHostName();
}

QString SystemInfo::userName()
{
    const struct passwd *entry = currentUserEntry();
    return entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
}

QString SystemInfo::fullUserName()
{
    const struct passwd *entry = currentUserEntry();
    if (!entry || !entry->pw_gecos)
        return QString();
    // The first comma-separated field of the GECOS entry is the full name.
    return QString::fromLocal8Bit(entry->pw_gecos).section(u',', 0, 0);
}

QString SystemInfo::OSName()
{
    return QSysInfo::prettyProductName();
}

QString SystemInfo::controlEntry(const QString &name)
{
    static const QRegularExpression validName(QStringLiteral("^[A-Za-z0-9_-]+(\\.[A-Za-z0-9_-]+)*$"));
    if (!validName.match(name).hasMatch())
        return QString();
    QFile file(QStringLiteral("/proc/sys/") + QString(name).replace(u'.', u'/'));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray value = file.read(64 * 1024);
    if (value.endsWith('\n'))
        value.chop(1);
    return QString::fromLocal8Bit(value);
}

QString SystemInfo::parseBrandName(const QString &brand)
{
    if (brand.isNull())
        return QString();
    QStringList pieces(QString{});
    for (const QChar c : brand) {
        if (c.isLetterOrNumber())
            pieces.last() += c;
        else
            pieces.append(QString());
    }
    QStringList kept;
    for (const QString &piece : std::as_const(pieces)) {
        if (piece == QLatin1String("CPU"))
            break;
        // Empty pieces and the remains of the (R) and (TM) signs go, and so do model numbers.
        if (piece.isEmpty() || piece.compare(QLatin1String("r"), Qt::CaseInsensitive) == 0 ||
            piece.compare(QLatin1String("tm"), Qt::CaseInsensitive) == 0 || piece.at(0).isDigit())
            continue;
        kept.append(piece);
    }
    return kept.join(u' ');
}

QString SystemInfo::speedText(quint64 hertz)
{
    if (hertz > 999'999'999)
        return QString::asprintf("%0.2f GHz", double(float(hertz) / 1e9f));
    if (hertz > 999'999)
        return QString::asprintf("%0.2f MHz", double(float(hertz) / 1e6f));
    return QString::asprintf("%llu Hz", static_cast<unsigned long long>(hertz));
}

QString SystemInfo::memoryText(quint64 bytes)
{
    if (bytes <= 10'239)
        return QString::asprintf("%d Bytes", int(bytes));
    if (bytes <= 1'048'575)
        return QString::asprintf("%0.2f KB", double(float(bytes) / 1024.0f));
    if (bytes < (quint64(1) << 30))
        return QString::asprintf("%0.2f MB", double(float(bytes) / 1048576.0f));
    return QString::asprintf("%0.2f GB", double(float(bytes) / 1073741824.0f));
}
