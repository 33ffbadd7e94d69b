#include "SoapCall.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <charconv>

namespace {

// Far deeper than any request needs; stops documents built to exhaust the parser.
constexpr int MaxDepth = 16;

QStringView localName(QStringView qualifiedName)
{
    const qsizetype colon = qualifiedName.indexOf(u':');
    return colon < 0 ? qualifiedName : qualifiedName.mid(colon + 1);
}

} // namespace

std::string SoapCall::param(const std::string &name) const
{
    const auto found = params.find(name);
    return found == params.end() ? std::string() : found->second;
}

std::optional<int64_t> SoapCall::idParam(const std::string &name) const
{
    const std::string text = param(name);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

bool SoapCall::parse(const std::string &body, SoapCall &call, std::string &error)
{
    QXmlStreamReader reader(QByteArray::fromRawData(body.data(), qsizetype(body.size())));
    reader.setNamespaceProcessing(false);
    // Path of element names from the document element down; the method element sits at depth 3
    // (Envelope, Body, method) and its parameters at depth 4.
    int depth = 0;
    bool inBody = false;
    QString parameterName;
    QString parameterText;
    bool parameterNil = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            ++depth;
            if (depth > MaxDepth) {
                error = "request nested too deeply";
                return false;
            }
            const QStringView name = localName(reader.qualifiedName());
            if (depth == 1 && name != u"Envelope") {
                error = "no SOAP envelope";
                return false;
            }
            if (depth == 2 && name == u"Body")
                inBody = true;
            if (inBody && depth == 3) {
                if (!call.method.empty()) {
                    error = "more than one method in the body";
                    return false;
                }
                call.method = name.toString().toStdString();
            }
            if (inBody && depth == 4) {
                parameterName = name.toString();
                parameterText.clear();
                parameterNil =
                    reader.attributes().value(QLatin1String("xsi:type")) == QLatin1String("xsd:nil");
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (inBody && depth == 4)
                parameterText += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            if (inBody && depth == 4 && !parameterNil) {
                call.params[parameterName.toStdString()] = parameterText.toStdString();
            }
            if (depth == 2)
                inBody = false;
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        error = "malformed XML: " + reader.errorString().toStdString();
        return false;
    }
    if (call.method.empty()) {
        error = "no method in the SOAP body";
        return false;
    }
    return true;
}
