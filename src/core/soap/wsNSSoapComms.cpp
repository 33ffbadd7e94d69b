#include "soap/wsNSSoapComms.h"

#include "common/ServerText.h"
#include "diagnostics/DiagnosticLine.h"
#include "http/HttpExchange.h"
#include "http/SharedCookieJar.h"
#include "soap/NSStringExtended.h"
#include "soap/XMLReader.h"

#include <charconv>
#include <limits>
#include <vector>

namespace {

const QString textKey = QStringLiteral("text");
const QString typeKey = QStringLiteral("xsi:type");
const QString okText = QStringLiteral("OK");

template <typename Number> QString shortestText(Number value)
{
    char buffer[64];
    const auto [end, status] = std::to_chars(buffer, buffer + sizeof buffer, value);
    Q_UNUSED(status);
    return QString::fromLatin1(buffer, end - buffer);
}

QString typedElement(const QString &name, QLatin1StringView type, const QString &text)
{
    return QLatin1Char('<') % name % QLatin1String(" xsi:type=\"") % type % QLatin1String("\">") % text %
           QLatin1String("</") % name % QLatin1Char('>');
}

// The element for one parameter, or nothing for a kind that has no XML type.
QString serializeParam(const QString &name, const QVariant &value)
{
    if (!value.isValid())
        return typedElement(name, QLatin1StringView("xsd:nil"), QStringLiteral("nil"));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return typedElement(name, QLatin1StringView("xsd:boolean"), QString::number(value.toBool() ? 1 : 0));
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return typedElement(name, QLatin1StringView("xsd:boolean"), QString::number(value.toInt()));
    case QMetaType::LongLong:
        return typedElement(name, QLatin1StringView("xsd:long"), QString::number(value.toLongLong()));
    case QMetaType::Int:
        return typedElement(name, QLatin1StringView("xsd:int"), QString::number(value.toInt()));
    case QMetaType::Float:
        return typedElement(name, QLatin1StringView("xsd:float"), shortestText(value.toFloat()));
    case QMetaType::Double:
        return typedElement(name, QLatin1StringView("xsd:double"), shortestText(value.toDouble()));
    case QMetaType::QString:
        return typedElement(name, QLatin1StringView("xsd:string"),
                            NSStringExtended::stringByAddingHTMLEntities(value.toString()));
    case QMetaType::QVariantMap: {
        const QVariantMap nested = value.toMap();
        return typedElement(name, QLatin1StringView("xsd:dictionary"),
                            wsNSSoapComms::serializeParams(nested, nested.keys()));
    }
    default:
        return {};
    }
}

// --- decoding of typed leaves; each reads the longest leading text of its kind, like a C scanner.

qsizetype skipSpace(QStringView text, qsizetype at)
{
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    return at;
}

bool leadingBoolean(QStringView text)
{
    qsizetype at = skipSpace(text, 0);
    if (at == text.size())
        return false;
    const char16_t first = text.at(at).unicode();
    if (first == u'Y' || first == u'y' || first == u'T' || first == u't')
        return true;
    if (first == u'+' || first == u'-')
        ++at;
    while (at < text.size() && text.at(at) == u'0')
        ++at;
    return at < text.size() && text.at(at) >= u'1' && text.at(at) <= u'9';
}

qlonglong leadingInteger(QStringView text)
{
    qsizetype at = skipSpace(text, 0);
    bool negative = false;
    if (at < text.size() && (text.at(at) == u'+' || text.at(at) == u'-'))
        negative = text.at(at++) == u'-';
    constexpr qulonglong limit = qulonglong(std::numeric_limits<qlonglong>::max());
    qulonglong magnitude = 0;
    for (; at < text.size() && text.at(at) >= u'0' && text.at(at) <= u'9'; ++at) {
        magnitude = magnitude * 10 + (text.at(at).unicode() - u'0');
        if (magnitude > limit + 1) {
            magnitude = limit + 1; // saturate, as a scanner does
            while (at < text.size() && text.at(at).isDigit())
                ++at;
            break;
        }
    }
    if (negative)
        return magnitude > limit ? std::numeric_limits<qlonglong>::min() : -qlonglong(magnitude);
    return magnitude > limit ? std::numeric_limits<qlonglong>::max() : qlonglong(magnitude);
}

// The leading decimal number of the text (sign, digits, fraction, exponent), or empty.
QStringView leadingDecimal(QStringView text)
{
    const qsizetype start = skipSpace(text, 0);
    qsizetype at = start;
    auto digits = [&] {
        const qsizetype from = at;
        while (at < text.size() && text.at(at) >= u'0' && text.at(at) <= u'9')
            ++at;
        return at - from;
    };
    if (at < text.size() && (text.at(at) == u'+' || text.at(at) == u'-'))
        ++at;
    qsizetype count = digits();
    if (at < text.size() && text.at(at) == u'.') {
        ++at;
        count += digits();
    }
    if (count == 0)
        return {};
    if (at < text.size() && (text.at(at) == u'e' || text.at(at) == u'E')) {
        const qsizetype mantissaEnd = at++;
        if (at < text.size() && (text.at(at) == u'+' || text.at(at) == u'-'))
            ++at;
        if (digits() == 0)
            at = mantissaEnd;
    }
    return text.mid(start, at - start);
}

bool typeIs(const QString &type, QLatin1StringView name)
{
    return type.compare(name, Qt::CaseInsensitive) == 0;
}

QVariant convertLeaf(const QString &text, const QString &type)
{
    if (typeIs(type, QLatin1StringView("xsd:string")))
        return NSStringExtended::stringByRemovingHTMLEntites(text);
    if (typeIs(type, QLatin1StringView("xsd:int")) || typeIs(type, QLatin1StringView("xsd:long")))
        return leadingInteger(text);
    if (typeIs(type, QLatin1StringView("xsd:boolean")))
        return leadingBoolean(text);
    if (typeIs(type, QLatin1StringView("xsd:double")))
        return leadingDecimal(text).toDouble();
    if (typeIs(type, QLatin1StringView("xsd:float")))
        return leadingDecimal(text).toFloat();
    return text;
}

// The "text" of a map entry holding a reader map, when it is one.
const QString *textOf(const QVariantMap &map, const QString &key)
{
    const auto entry = map.constFind(key);
    if (entry == map.constEnd() || entry->typeId() != QMetaType::QVariantMap)
        return nullptr;
    const auto &inner = *static_cast<const QVariantMap *>(entry->constData());
    const auto text = inner.constFind(textKey);
    if (text == inner.constEnd() || text->typeId() != QMetaType::QString)
        return nullptr;
    return static_cast<const QString *>(text->constData());
}

// The server's status text without its spaces, trimmed, as a message key. A key the tables lack is
// shown as it stands, so one longer than any table holds is cut to what a window or a log line
// takes, without copying the rest of what may be a very long text.
QString asKey(QStringView status)
{
    QString key;
    for (const QChar character : status.trimmed()) {
        if (character == QLatin1Char(' '))
            continue;
        if (key.size() > ServerText::MaximumLength)
            break;
        key.append(character);
    }
    key = key.trimmed();
    return key.size() > ServerText::MaximumLength ? ServerText::shown(key) : key;
}

const QVariantMap *mapEntry(const QVariantMap &map, const QString &key)
{
    const auto entry = map.constFind(key);
    if (entry == map.constEnd() || entry->typeId() != QMetaType::QVariantMap)
        return nullptr;
    return static_cast<const QVariantMap *>(entry->constData());
}

// One map being converted by deserialise(). A reply can nest as deep as the reader allows and a
// caller's map deeper still, so the walk keeps its own stack instead of recursing.
struct ConversionFrame
{
    explicit ConversionFrame(const QVariantMap &map, const QString &keyInParent)
        : source(map), key(keyInParent)
    {
        // The iterators point into the shared map data, which stays put when the frame moves.
        next = source.constBegin();
        end = source.constEnd();
    }

    QVariantMap source;
    QVariantMap::const_iterator next;
    QVariantMap::const_iterator end;
    QString key;
    QVariantMap result;

    // The array entry being converted, element by element, when listIndex >= 0.
    QVariantList list;
    qsizetype listIndex = -1;
    QString listKey;
    QVariantList converted;
};

} // namespace

QVariantMap wsNSSoapComms::methodInvocationWith(const QUrl &url, const QString &method,
                                                const QString &nameSpace,
                                                const QMap<QString, QString> &httpHeaders,
                                                const QStringList &paramOrder, const QVariantMap &params,
                                                const QStringList &resultKeys, Error &error)
{
    HttpRequest request;
    request.url = url;
    request.body = createEnvelope(method, nameSpace, paramOrder, params).toUtf8();
    request.headers.emplaceBack("Content-Type", "text/xml; charset=utf-8");
    for (auto header = httpHeaders.constBegin(); header != httpHeaders.constEnd(); ++header)
        request.headers.emplaceBack(header.key().toUtf8(), header.value().toUtf8());
    request.headers.emplaceBack("Content-Length", QByteArray::number(request.body.size()));
    request.idleTimeout = idleTimeout;
    request.deadline = overallDeadline;
    request.maxReplySize = maxReplySize;

    const HttpResponse reply = HttpExchange::post(request, error);
    if (error) {
        VENDRA_DIAG(QStringLiteral("%1 to %2 failed: %3")
                        .arg(method, url.toString(QUrl::RemoveUserInfo), error.toString()));
        return {};
    }
    const QByteArray &data = reply.body;
    // An empty answer goes on to the checks too, so that it fails there instead of passing as an
    // empty success.
    if (!checkCookiesForURL(url, error))
        return {};
    return deserialise(method, data, resultKeys, error);
}

QString wsNSSoapComms::createEnvelope(const QString &method, const QString &nameSpace,
                                      const QStringList &paramOrder, const QVariantMap &params)
{
    QString envelope = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                      "<SOAP-ENV:Envelope"
                                      " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                                      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                                      " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                      " SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                      " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">");
    envelope += QLatin1String("<SOAP-ENV:Body>");
    if (!method.isEmpty()) {
        envelope += QLatin1String("<m:") % method % QLatin1String(" xmlns:m=\"urn:") % nameSpace %
                    QLatin1String("\">") % serializeParams(params, paramOrder) % QLatin1String("</m:") %
                    method % QLatin1Char('>');
    }
    envelope += QLatin1String("</SOAP-ENV:Body></SOAP-ENV:Envelope>");
    return envelope;
}

QString wsNSSoapComms::serializeParams(const QVariantMap &params, const QStringList &order)
{
    QString elements;
    for (const QString &name : order)
        elements += serializeParam(name, params.value(name));
    return elements;
}

bool wsNSSoapComms::checkCookiesForURL(const QUrl &url, Error &error)
{
    const QList<QNetworkCookie> cookies = SharedCookieJar::instance().storedCookiesForUrl(url);
    QString messageKey = QStringLiteral("CONNECTION_COOKIE_NOT_FOUND");
    for (const QNetworkCookie &cookie : cookies) {
        if (!cookie.isSecure())
            return true;
        messageKey = QStringLiteral("CONNECTION_COOKIE_REQUIRES_HTTPS");
        if (url.scheme() == QLatin1String("https"))
            return true;
    }
    error = Error::fromMessageKey(QStringLiteral("SOAP-Connection"), 9003, messageKey);
    return false;
}

QVariantMap wsNSSoapComms::deserialise(const QString &method, const QByteArray &data,
                                       const QStringList &objects, Error &error)
{
    Error readerError;
    // The reply is read as UTF-8; only one that is not valid UTF-8 pays for a repaired copy.
    const std::optional<QVariantMap> root =
        data.isValidUtf8() ? XMLReader::dictionaryForXMLData(data, readerError)
                           : XMLReader::dictionaryForXMLString(QString::fromUtf8(data), readerError);
    if (!root) {
        error = Error::fromMessageKey(QStringLiteral("SOAP-ENV:Response"), 9002,
                                      QStringLiteral("SOAP_PARSE_NOT_VALID_CONTENT"));
        return {};
    }
    const QVariantMap *envelope = mapEntry(*root, QStringLiteral("SOAP-ENV:Envelope"));
    if (!envelope) {
        error = Error::fromMessageKey(QStringLiteral("SOAP-ENV:Envelope"), 9001,
                                      QStringLiteral("SOAP_PARSE_MISSING_ENVELOPE"));
        return {};
    }
    const QVariantMap *body = mapEntry(*envelope, QStringLiteral("SOAP-ENV:Body"));
    if (!body) {
        error = Error::fromMessageKey(QStringLiteral("SOAP-Body"), 9001,
                                      QStringLiteral("SOAP_PARSE_MISSING_BODY"));
        return {};
    }
    const QVariantMap *response =
        mapEntry(*body, QLatin1String("SOAP-ENV:") % method % QLatin1String("Response"));
    if (!response) {
        error = Error::fromMessageKey(QStringLiteral("SOAP-Response"), 9001,
                                      QStringLiteral("SOAP_PARSE_MISSING_RESPONSE"));
        return {};
    }
    if (!checkResult(response->value(QStringLiteral("Result")), method, error))
        return {};

    QVariantMap result;
    for (const QString &key : objects) {
        const auto entry = response->constFind(key);
        if (entry == response->constEnd() || entry->typeId() != QMetaType::QVariantMap)
            continue;
        result.insert(key, *deserialise(*entry));
    }
    return result;
}

bool wsNSSoapComms::checkResult(const QVariant &result, const QString &method, Error &error)
{
    const QString domain = QStringLiteral("SOAP-Result");
    if (result.typeId() != QMetaType::QVariantMap) {
        error = Error::fromMessageKey(domain, 9001, QStringLiteral("SOAP_CHECK_OBJECT_INVALID"));
        return false;
    }
    const auto &status = *static_cast<const QVariantMap *>(result.constData());
    const QString *api = textOf(status, QStringLiteral("APIResponse"));
    const QString *action = textOf(status, QStringLiteral("ActionResponse"));
    if (!api) {
        error = Error::fromMessageKey(domain, 9001, QStringLiteral("SOAP_CHECK_MISSING_APIRESPONSE"));
        return false;
    }
    if (!action) {
        error = Error::fromMessageKey(domain, 9001, QStringLiteral("SOAP_CHECK_MISSING_ACTIONRESPONSE"));
        return false;
    }
    if (*api == okText && *action == okText)
        return true;
    if (*api != okText)
        error = Error::fromMessageKey(domain, 9001, asKey(*api));
    else
        error = Error::fromMessageKey(domain, 9001, method.toUpper() % QLatin1Char('_') % asKey(*action));
    return false;
}

std::optional<QVariantMap> wsNSSoapComms::deserialise(const QVariant &dictionary)
{
    if (dictionary.typeId() != QMetaType::QVariantMap)
        return std::nullopt;

    std::vector<ConversionFrame> stack;
    stack.emplace_back(*static_cast<const QVariantMap *>(dictionary.constData()), QString());
    for (;;) {
        ConversionFrame &frame = stack.back();
        if (frame.listIndex >= 0) {
            if (frame.listIndex < frame.list.size()) {
                const QVariant &element = frame.list.at(frame.listIndex++);
                if (element.typeId() == QMetaType::QVariantMap)
                    stack.emplace_back(*static_cast<const QVariantMap *>(element.constData()), QString());
                continue;
            }
            frame.result.insert(frame.listKey, QVariant(std::move(frame.converted)));
            frame.converted = QVariantList();
            frame.list = QVariantList();
            frame.listIndex = -1;
            continue;
        }
        if (frame.next != frame.end) {
            const QString &key = frame.next.key();
            const QVariant &value = frame.next.value();
            ++frame.next;
            if (value.typeId() == QMetaType::QVariantList) {
                frame.list = value.toList();
                frame.listIndex = 0;
                frame.listKey = key;
                frame.converted.reserve(frame.list.size());
            } else if (value.typeId() == QMetaType::QVariantMap) {
                const auto &member = *static_cast<const QVariantMap *>(value.constData());
                const auto text = member.constFind(textKey);
                const auto type = member.constFind(typeKey);
                if (text != member.constEnd() && type != member.constEnd() &&
                    text->typeId() == QMetaType::QString && type->typeId() == QMetaType::QString)
                    frame.result.insert(key, convertLeaf(*static_cast<const QString *>(text->constData()),
                                                         *static_cast<const QString *>(type->constData())));
                else
                    stack.emplace_back(member, key);
            }
            continue;
        }
        QVariantMap done = std::move(frame.result);
        const QString key = std::move(frame.key);
        stack.pop_back();
        if (stack.empty())
            return done;
        ConversionFrame &parent = stack.back();
        if (parent.listIndex >= 0)
            parent.converted.append(QVariant(std::move(done)));
        else
            parent.result.insert(key, QVariant(std::move(done)));
    }
}
