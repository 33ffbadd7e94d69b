// Decodes one hostile (or merely large) SOAP reply in a process of its own, so that its peak memory
// can be told apart from everything else a test does:
//   decode_probe CASE SIZE
// builds the reply of that case, about SIZE bytes long, holds it as the transport would, then
// decodes it as a reply to its method and prints, one per line: key=, description=, items=, ms=,
// size=, baseline_kb= (resident before decoding) and peak_kb= (the resident peak while decoding).
#include "SoapReplies.h"
#include "common/Error.h"
#include "common/MessageText.h"
#include "soap/wsNSSoapComms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

// An album's listing of about size bytes, its assets described as a media server does.
QByteArray assets(qint64 size)
{
    QByteArray items;
    items.reserve(size + 1024);
    for (qint64 id = 1; items.size() < size; ++id) {
        const QByteArray number = QByteArray::number(id);
        items += "<item xsi:type=\"tns:Asset\"><m_bCanDelete xsi:type=\"xsd:boolean\">1</m_bCanDelete>"
                 "<m_bCanRename xsi:type=\"xsd:boolean\">1</m_bCanRename>"
                 "<m_bPending xsi:type=\"xsd:boolean\">0</m_bPending>"
                 "<m_nAlbumID xsi:type=\"xsd:int\">4711</m_nAlbumID><m_nAssetID xsi:type=\"xsd:int\">" +
                 number +
                 "</m_nAssetID><m_nAssetType xsi:type=\"xsd:int\">1</m_nAssetType>"
                 "<m_nFilesize xsi:type=\"xsd:long\">2000000</m_nFilesize>"
                 "<m_strFilename xsi:type=\"xsd:string\">IMG_" +
                 number + ".jpg</m_strFilename></item>";
    }
    return SoapReplies::reply("GetAssetsByAlbumID",
                              "<arrAssets xsi:type=\"SOAP-ENC:Array\">" + items + "</arrAssets>");
}

QByteArray reply(const QString &kind, qint64 size)
{
    if (kind == QLatin1String("html"))
        return "<!DOCTYPE html><html><head><title>Welcome</title></head><body><p>" + QByteArray(size, 'x') +
               "</p></body></html>";
    if (kind == QLatin1String("nested"))
        return SoapReplies::nested("GetAssetsByAlbumID", size / 3);
    if (kind == QLatin1String("entity-bomb"))
        return SoapReplies::entityBomb("GetAssetsByAlbumID");
    if (kind == QLatin1String("huge-status"))
        return SoapReplies::reply("Login", {}, "BAD\nNEWS " + QByteArray(size, 'x'));
    if (kind == QLatin1String("element-flood"))
        return SoapReplies::reply("GetAssetsByAlbumID",
                                  "<arrAssets>" + QByteArray("<a/>").repeated(size / 4) + "</arrAssets>");
    if (kind == QLatin1String("assets"))
        return assets(size);
    return {};
}

qint64 statusKilobytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    installMessageTables();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    const QByteArray data = reply(arguments.at(1), arguments.at(2).toLongLong());
    const QString method = arguments.at(1) == QLatin1String("huge-status")
                               ? QStringLiteral("Login")
                               : QStringLiteral("GetAssetsByAlbumID");

    // From here on the peak counts the decoding alone.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return 3;
    clear.close();
    const qint64 baseline = statusKilobytes("VmRSS");
    QElapsedTimer clock;
    clock.start();
    Error error;
    const QVariantMap result = wsNSSoapComms::deserialise(method, data, {QStringLiteral("arrAssets")}, error);
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = statusKilobytes("VmHWM");

    QTextStream out(stdout);
    out << "key=" << error.messageKey() << '\n'
        << "description=" << QString(error.description()).replace(u'\n', QStringLiteral("\\n")) << '\n'
        << "items="
        << result.value(QStringLiteral("arrAssets")).toMap().value(QStringLiteral("item")).toList().size()
        << '\n'
        << "ms=" << elapsed << '\n'
        << "size=" << data.size() << '\n'
        << "baseline_kb=" << baseline << '\n'
        << "peak_kb=" << peak << '\n';
    return 0;
}
