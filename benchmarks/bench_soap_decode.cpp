// Decodes a GetAssetsByAlbumID reply of 10,000 assets and compares the time with a bare
// QXmlStreamReader pass over the same bytes. The last line is the ratio of the two best times.

#include "soap/wsNSSoapComms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr int assetCount = 10000;
constexpr int repetitions = 7;

QByteArray assetsReply()
{
    QByteArray xml;
    xml.reserve(assetCount * 700);
    xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
           " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
           " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
           "<SOAP-ENV:Body><SOAP-ENV:GetAssetsByAlbumIDResponse>"
           "<Result xsi:type=\"tns:Result\"><APIResponse xsi:type=\"xsd:string\">OK</APIResponse>"
           "<ActionResponse xsi:type=\"xsd:string\">OK</ActionResponse></Result>";
    xml += "<arrAssets xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"tns:Asset[" +
           QByteArray::number(assetCount) + "]\">";
    for (int i = 0; i < assetCount; ++i) {
        const QByteArray id = QByteArray::number(100000 + i);
        xml += "<item xsi:type=\"tns:Asset\">"
               "<m_bCanDelete xsi:type=\"xsd:boolean\">1</m_bCanDelete>"
               "<m_bCanRename xsi:type=\"xsd:boolean\">" +
               QByteArray(i % 3 ? "1" : "0") +
               "</m_bCanRename>"
               "<m_bPending xsi:type=\"xsd:boolean\">0</m_bPending>"
               "<m_nAlbumID xsi:type=\"xsd:int\">4711</m_nAlbumID>"
               "<m_nAssetID xsi:type=\"xsd:int\">" +
               id +
               "</m_nAssetID>"
               "<m_nAssetType xsi:type=\"xsd:int\">1</m_nAssetType>"
               "<m_nFilesize xsi:type=\"xsd:long\">" +
               QByteArray::number(2000000 + 37 * i) +
               "</m_nFilesize>"
               "<m_strFilename xsi:type=\"xsd:string\">IMG_" +
               id + "_Summer &amp;amp; Friends.jpg</m_strFilename></item>";
    }
    xml += "</arrAssets></SOAP-ENV:GetAssetsByAlbumIDResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return xml;
}

template <typename Work> qint64 bestNanoseconds(Work work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed());
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QByteArray reply = assetsReply();
    out << "reply: " << reply.size() << " bytes, " << assetCount << " assets\n";

    qint64 tokens = 0;
    const qint64 parse = bestNanoseconds([&] {
        QXmlStreamReader reader(reply);
        reader.setNamespaceProcessing(false);
        tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        if (reader.hasError())
            qFatal("bare parse failed: %s", qPrintable(reader.errorString()));
    });

    qsizetype decoded = 0;
    const qint64 decode = bestNanoseconds([&] {
        Error error;
        const QVariantMap result = wsNSSoapComms::deserialise(QStringLiteral("GetAssetsByAlbumID"), reply,
                                                              {QStringLiteral("arrAssets")}, error);
        if (error)
            qFatal("decode failed: %s", qPrintable(error.toString()));
        const QVariantList items =
            result.value(QStringLiteral("arrAssets")).toMap().value(QStringLiteral("item")).toList();
        decoded = items.size();
    });
    if (decoded != assetCount)
        qFatal("decoded %lld assets instead of %d", qlonglong(decoded), assetCount);

    out << "bare QXmlStreamReader pass: " << QString::number(parse / 1e6, 'f', 2) << " ms (" << tokens
        << " tokens)\n";
    out << "wsNSSoapComms::deserialise: " << QString::number(decode / 1e6, 'f', 2) << " ms (" << decoded
        << " assets)\n";
    out << "decode/parse ratio: " << QString::number(double(decode) / double(parse), 'f', 2) << "\n";
    return 0;
}
