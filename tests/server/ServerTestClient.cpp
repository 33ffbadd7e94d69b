#include "ServerTestClient.h"

#include "ReferenceServer.h"

#include <QXmlStreamReader>

#include <httplib.h>

namespace {

const char *const Boundary = "---------------------8cc97ead1a55694";

bool parseTree(const QByteArray &body, XmlNode &root, QString &problem)
{
    QXmlStreamReader reader(body);
    reader.setNamespaceProcessing(false);
    QList<XmlNode *> stack;
    XmlNode document;
    stack.append(&document);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            XmlNode node;
            node.name = reader.qualifiedName().toString();
            for (const auto &attribute : reader.attributes())
                node.attributes.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            XmlNode *parent = stack.last();
            if (!parent->text.isEmpty() && problem.isEmpty())
                problem = QStringLiteral("text before element %1").arg(node.name);
            parent->children.append(node);
            stack.append(&parent->children.last());
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!stack.last()->children.isEmpty() && !stack.last()->text.isEmpty() && problem.isEmpty())
                problem = QStringLiteral("text inside structure %1").arg(stack.last()->name);
            stack.removeLast();
            break;
        case QXmlStreamReader::Characters:
            stack.last()->text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        problem = QStringLiteral("not well-formed: ") + reader.errorString();
        return false;
    }
    if (document.children.size() != 1 || !document.text.isEmpty()) {
        problem = QStringLiteral("not exactly one document element");
        return false;
    }
    root = document.children.first();
    return true;
}

void checkLeaves(const XmlNode &node, QString &problem)
{
    if (!problem.isEmpty())
        return;
    if (node.children.isEmpty() && !node.attributes.contains(QStringLiteral("xsi:type"))) {
        problem = QStringLiteral("leaf %1 without xsi:type").arg(node.name);
        return;
    }
    for (const XmlNode &child : node.children)
        checkLeaves(child, problem);
}

std::string cookieHeader(const QString &token)
{
    return QString(QStringLiteral("VENDRA_SESSION=") + token).toStdString();
}

// Sends the body in pieces of an odd size, so that boundaries and headers fall across them.
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

QString escapedFileName(QString name)
{
    name.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    name.replace(QLatin1String("\""), QLatin1String("\\\""));
    return name;
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

ServerTestClient::ServerTestClient(const ReferenceServer &server)
    : m_http(std::make_unique<httplib::Client>(server.baseUrl().toString().toStdString()))
{
    m_http->set_read_timeout(60);
    m_http->set_write_timeout(60);
    if (server.baseUrl().scheme() == QLatin1String("https")) {
        m_http->set_ca_cert_path(server.certificatePath().toStdString().c_str());
        m_http->enable_server_certificate_verification(true);
    }
}

ServerTestClient::~ServerTestClient() = default;

QString ServerTestClient::checkEnvelope(const QByteArray &body, const QString &method, XmlNode &response)
{
    XmlNode root;
    QString problem;
    if (!parseTree(body, root, problem))
        return problem;
    if (!problem.isEmpty())
        return problem;
    if (root.name != QLatin1String("SOAP-ENV:Envelope"))
        return QStringLiteral("document element is %1").arg(root.name);
    const XmlNode *soapBody = root.child(QStringLiteral("SOAP-ENV:Body"));
    if (!soapBody)
        return QStringLiteral("no SOAP-ENV:Body");
    const XmlNode *methodResponse = soapBody->child(QStringLiteral("SOAP-ENV:%1Response").arg(method));
    if (!methodResponse)
        return QStringLiteral("no SOAP-ENV:%1Response").arg(method);
    checkLeaves(*methodResponse, problem);
    if (!problem.isEmpty())
        return problem;
    if (!methodResponse->child(QStringLiteral("Result")))
        return QStringLiteral("no Result");
    response = *methodResponse;
    return QString();
}

ServerTestClient::SoapReply ServerTestClient::call(const QString &method, const Params &params)
{
    QString envelope =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                       "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" "
                       "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>");
    envelope += QStringLiteral("<m:%1 xmlns:m=\"urn:http://example.invalid/zrmsoap/zrmuploadtoolservice/\">")
                    .arg(method);
    for (const auto &[name, value] : params) {
        QString text = value;
        text.replace(QLatin1String("&"), QLatin1String("&amp;"))
            .replace(QLatin1String("<"), QLatin1String("&lt;"))
            .replace(QLatin1String(">"), QLatin1String("&gt;"));
        envelope += QStringLiteral("<%1 xsi:type=\"xsd:string\">%2</%1>").arg(name, text);
    }
    envelope += QStringLiteral("</m:%1></SOAP-ENV:Body></SOAP-ENV:Envelope>").arg(method);

    httplib::Headers headers{{"SOAPAction", method.toStdString()}};
    if (!m_token.isEmpty())
        headers.emplace("Cookie", cookieHeader(m_token));
    const QByteArray body = envelope.toUtf8();
    const auto result = m_http->Post("/soap/soap_server_uploadtool.hvxr?client=10", headers, body.constData(),
                                     size_t(body.size()), "text/xml; charset=utf-8");
    SoapReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = QByteArray::fromStdString(result->body);
    const QString setCookie = QString::fromStdString(result->get_header_value("Set-Cookie"));
    reply.setCookie = setCookie.startsWith(QLatin1String("VENDRA_SESSION="));
    reply.secureCookie = setCookie.contains(QLatin1String("; Secure"));
    if (reply.setCookie)
        m_token = setCookie.mid(15, setCookie.indexOf(u';') - 15);
    reply.shapeProblem = checkEnvelope(reply.body, method, reply.response);
    if (const XmlNode *status = reply.response.child(QStringLiteral("Result"))) {
        reply.apiResponse = status->leafText(QStringLiteral("APIResponse"));
        reply.actionResponse = status->leafText(QStringLiteral("ActionResponse"));
    }
    return reply;
}

bool ServerTestClient::signIn(const QString &user, const QString &password)
{
    return call(QStringLiteral("CheckVersion"),
                {{QStringLiteral("strVersion"), QStringLiteral("10.LINUX.1.0.0")}})
               .ok() &&
           call(QStringLiteral("Login"),
                {{QStringLiteral("strUsername"), user}, {QStringLiteral("strPassword"), password}})
               .ok();
}

ServerTestClient::UploadReply ServerTestClient::upload(qint64 albumId, const QString &fileName,
                                                       const QByteArray &data, bool chunked)
{
    QByteArray body =
        QByteArray("\r\n--") + Boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
        escapedFileName(fileName).toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
    body += data;
    body += QByteArray("\r\n--") + Boundary + "--\r\n";
    return uploadBody(albumId, body,
                      QStringLiteral("multipart/form-data; boundary=%1").arg(QLatin1String(Boundary)),
                      chunked);
}

ServerTestClient::UploadReply ServerTestClient::uploadBody(qint64 albumId, const QByteArray &body,
                                                           const QString &contentType, bool chunked)
{
    httplib::Headers headers;
    if (!m_token.isEmpty())
        headers.emplace("Cookie", cookieHeader(m_token));
    const std::string path = "/soapfileupload.hvxr?album=" + std::to_string(albumId);
    const auto result = chunked ? m_http->Post(path, headers, inPieces(body), contentType.toStdString())
                                : m_http->Post(path, headers, body.constData(), size_t(body.size()),
                                               contentType.toStdString());
    UploadReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = QByteArray::fromStdString(result->body);
    XmlNode root;
    QString problem;
    if (parseTree(reply.body, root, problem) && root.name == QLatin1String("halvane"))
        if (const XmlNode *uploadResult = root.child(QStringLiteral("upload-result")))
            reply.result = uploadResult->attributes;
    return reply;
}

QPair<int, QByteArray> ServerTestClient::get(const QString &pathAndQuery)
{
    const auto result = m_http->Get(pathAndQuery.toStdString());
    if (!result)
        return {0, {}};
    return {result->status, QByteArray::fromStdString(result->body)};
}

int ServerTestClient::send(const QString &method, const QString &path, const QByteArray &body,
                           const QString &contentType, bool chunked)
{
    const std::string target = path.toStdString();
    const std::string type = contentType.toStdString();
    httplib::Result result{nullptr, httplib::Error::Unknown};
    if (method == QLatin1String("PUT"))
        result = chunked ? m_http->Put(target, inPieces(body), type)
                         : m_http->Put(target, body.constData(), size_t(body.size()), type);
    else
        result = chunked ? m_http->Post(target, inPieces(body), type)
                         : m_http->Post(target, body.constData(), size_t(body.size()), type);
    return result ? result->status : 0;
}

qint64 ServerTestClient::topLevelAlbumId(const QString &name)
{
    const SoapReply reply = call(QStringLiteral("GetTopLevelAlbums"));
    const XmlNode *albums = reply.response.child(QStringLiteral("arrTopAlbums"));
    if (!albums)
        return -1;
    for (const XmlNode &album : albums->children)
        if (album.leafText(QStringLiteral("m_strName")) == name)
            return album.leafText(QStringLiteral("m_nAlbumID")).toLongLong();
    return -1;
}
