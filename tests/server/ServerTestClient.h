#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>

class ReferenceServer;
namespace httplib {
class Client;
}

// One element of a reply, as written: qualified names, attributes, text, children.
struct XmlNode
{
    QString name;
    QMap<QString, QString> attributes;
    QString text;
    QList<XmlNode> children;

    const XmlNode *child(const QString &childName) const;
    QString leafText(const QString &childName) const;
};

// Talks to the reference server the way the uploader does, over plain HTTP or HTTPS (trusting
// only the server's own certificate), keeping the session cookie between calls. Replies are
// checked for the shape the uploader's decoder needs.
class ServerTestClient
{
public:
    explicit ServerTestClient(const ReferenceServer &server);
    ~ServerTestClient();

    struct SoapReply
    {
        int status = 0; // 0: no reply at all
        QByteArray body;
        bool setCookie = false;
        bool secureCookie = false;
        QString shapeProblem; // empty when the envelope has the expected shape
        QString apiResponse;
        QString actionResponse;
        XmlNode response; // SOAP-ENV:<method>Response
        bool ok() const
        {
            return apiResponse == QLatin1String("OK") && actionResponse == QLatin1String("OK");
        }
    };
    using Params = QList<QPair<QString, QString>>;
    SoapReply call(const QString &method, const Params &params = {});
    // CheckVersion and Login; true when both answer OK.
    bool signIn(const QString &user = QStringLiteral("demo"),
                const QString &password = QStringLiteral("demo"));

    struct UploadReply
    {
        int status = 0;
        QByteArray body;
        QMap<QString, QString> result; // attributes of halvane/upload-result
    };
    // Sends one file as the uploader does: the fixed boundary, a leading empty line, the file
    // name with backslashes doubled and quotes escaped; with chunked, without announcing the length.
    UploadReply upload(qint64 albumId, const QString &fileName, const QByteArray &data, bool chunked = false);
    UploadReply uploadBody(qint64 albumId, const QByteArray &body, const QString &contentType, bool chunked);

    // GET of a path with query, without the session cookie (as a browser would).
    QPair<int, QByteArray> get(const QString &pathAndQuery);
    // Any request with a body; returns the HTTP status, 0 when no reply came.
    int send(const QString &method, const QString &path, const QByteArray &body, const QString &contentType,
             bool chunked);

    QString sessionToken() const { return m_token; }
    void setSessionToken(const QString &token) { m_token = token; }

    // The id of a top-level album by name, through GetTopLevelAlbums; -1 when absent.
    qint64 topLevelAlbumId(const QString &name);

    static QString checkEnvelope(const QByteArray &body, const QString &method, XmlNode &response);

private:
    std::unique_ptr<httplib::Client> m_http;
    QString m_token;
};
