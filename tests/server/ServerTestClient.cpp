#include "ServerTestClient.h"

#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

#include <httplib.h>

namespace {

const char *const Boundary = "---------------------8cc97ead1a55694";

// The document element, or an empty node when the body is not well-formed.
XmlNode parseTree(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    reader.setNamespaceProcessing(false);
    XmlNode document;
    QList<XmlNode *> stack{&document};
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            XmlNode node;
            node.name = reader.qualifiedName().toString();
            for (const auto &attribute : reader.attributes())
                node.attributes.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            stack.last()->children.append(node);
            stack.append(&stack.last()->children.last());
        } else if (token == QXmlStreamReader::EndElement) {
            stack.removeLast();
        } else if (token == QXmlStreamReader::Characters) {
            stack.last()->text += reader.text();
        }
    }
    return reader.hasError() || document.children.size() != 1 ? XmlNode() : document.children.first();
}

httplib::Headers withCookie(const QString &token, httplib::Headers headers = {})
{
    if (!token.isEmpty())
        headers.emplace("Cookie", "VENDRA_SESSION=" + token.toStdString());
    return headers;
}

// The body in pieces of an odd size, so that boundaries and headers fall across them.
httplib::ContentProviderWithoutLength inPieces(const QByteArray &body)
{
    return [&body](size_t offset, httplib::DataSink &sink) {
        if (offset >= size_t(body.size())) {
            sink.done();
            return true;
        }
        return sink.write(body.constData() + offset, std::min<size_t>(1237, size_t(body.size()) - offset));
    };
}

} // namespace

const XmlNode *XmlNode::child(const QString &childName) const
{
    for (const XmlNode &node : children)
        if (node.name == childName)
            return &node;
    return nullptr;
}

QString XmlNode::leafText(const QString &childName) const
{
    const XmlNode *node = child(childName);
    return node ? node->text : QString();
}

// A member of a result structure, or of the first item of a result array.
QString ServerTestClient::SoapReply::leaf(const QString &record, const QString &member) const
{
    const XmlNode *node = response.child(record);
    if (node && node->attributes.value(u"xsi:type"_s) == u"SOAP-ENC:Array")
        node = node->children.isEmpty() ? nullptr : &node->children.first();
    return node ? node->leafText(member) : u"<no %1>"_s.arg(record);
}

ServerTestClient::ServerTestClient(const ReferenceServer &server)
    : m_http(std::make_unique<httplib::Client>(server.baseUrl().toString().toStdString()))
{
    m_http->set_read_timeout(60);
    m_http->set_write_timeout(60);
    if (server.baseUrl().scheme() == u"https") {
        m_http->set_ca_cert_path(server.certificatePath().toStdString().c_str());
        m_http->enable_server_certificate_verification(true);
    }
}

ServerTestClient::~ServerTestClient() = default;

ServerTestClient::SoapReply ServerTestClient::call(const QString &method, const Params &params)
{
    QString envelope =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body><m:%1 "
                       "xmlns:m=\"urn:http://example.invalid/zrmsoap/zrmuploadtoolservice/\">")
            .arg(method);
    for (const auto &[name, value] : params)
        envelope += u"<%1 xsi:type=\"xsd:string\">%2</%1>"_s.arg(name, value.toHtmlEscaped());
    envelope += u"</m:%1></SOAP-ENV:Body></SOAP-ENV:Envelope>"_s.arg(method);

    const auto result = m_http->Post("/soap/soap_server_uploadtool.hvxr?client=10",
                                     withCookie(m_token, {{"SOAPAction", method.toStdString()}}),
                                     envelope.toStdString(), "text/xml; charset=utf-8");
    SoapReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    const QString setCookie = QString::fromStdString(result->get_header_value("Set-Cookie"));
    reply.setCookie = setCookie.startsWith(u"VENDRA_SESSION=");
    if (reply.setCookie)
        m_token = setCookie.mid(15, setCookie.indexOf(u';') - 15);
    const XmlNode envelopeNode = parseTree(QByteArray::fromStdString(result->body));
    if (const XmlNode *body = envelopeNode.child(u"SOAP-ENV:Body"_s))
        if (const XmlNode *response = body->child(u"SOAP-ENV:%1Response"_s.arg(method)))
            reply.response = *response;
    if (const XmlNode *status = reply.response.child(u"Result"_s)) {
        reply.apiResponse = status->leafText(u"APIResponse"_s);
        reply.actionResponse = status->leafText(u"ActionResponse"_s);
    }
    return reply;
}

bool ServerTestClient::signIn(const QString &user, const QString &password)
{
    return call(u"CheckVersion"_s, {{u"strVersion"_s, u"10.LINUX.1.0.0"_s}}).ok() &&
           call(u"Login"_s, {{u"strUsername"_s, user}, {u"strPassword"_s, password}}).ok();
}

ServerTestClient::UploadReply ServerTestClient::upload(qint64 albumId, const QString &fileName,
                                                       const QByteArray &data, bool chunked)
{
    QString escaped = fileName;
    escaped.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s);
    const QByteArray body = QByteArray("\r\n--") + Boundary +
                            "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                            escaped.toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data +
                            "\r\n--" + Boundary + "--\r\n";
    return uploadBody(albumId, body, u"multipart/form-data; boundary=%1"_s.arg(QLatin1String(Boundary)),
                      chunked);
}

ServerTestClient::UploadReply ServerTestClient::uploadBody(qint64 albumId, const QByteArray &body,
                                                           const QString &contentType, bool chunked)
{
    const std::string path = "/soapfileupload.hvxr?album=" + std::to_string(albumId);
    const auto result =
        chunked ? m_http->Post(path, withCookie(m_token), inPieces(body), contentType.toStdString())
                : m_http->Post(path, withCookie(m_token), body.constData(), size_t(body.size()),
                               contentType.toStdString());
    UploadReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    const XmlNode root = parseTree(QByteArray::fromStdString(result->body));
    if (const XmlNode *uploadResult = root.child(u"upload-result"_s); uploadResult && root.name == u"halvane")
        reply.result = uploadResult->attributes;
    return reply;
}

QPair<int, QByteArray> ServerTestClient::get(const QString &pathAndQuery)
{
    const auto result = m_http->Get(pathAndQuery.toStdString());
    return result ? qMakePair(result->status, QByteArray::fromStdString(result->body))
                  : qMakePair(0, QByteArray());
}

int ServerTestClient::post(const QString &path, const QByteArray &body, const QString &contentType,
                           bool chunked)
{
    const std::string type = contentType.toStdString();
    const auto result = chunked
                            ? m_http->Post(path.toStdString(), inPieces(body), type)
                            : m_http->Post(path.toStdString(), body.constData(), size_t(body.size()), type);
    return result ? result->status : 0;
}

qint64 ServerTestClient::albumId(const QString &path)
{
    qint64 id = 0;
    for (const QString &name : path.split(u'/')) {
        const SoapReply reply = call(u"GetAlbumsByParentAlbumID"_s, {{u"nAlbumID"_s, QString::number(id)}});
        const XmlNode *albums = reply.response.child(u"arrAlbums"_s);
        id = -1;
        for (const XmlNode &album : albums ? albums->children : QList<XmlNode>())
            if (album.leafText(u"m_strName"_s) == name)
                id = album.leafText(u"m_nAlbumID"_s).toLongLong();
        if (id < 0)
            return -1;
    }
    return id;
}
