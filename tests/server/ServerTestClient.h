#pragma once

#include "ReferenceServer.h"

#include <QMap>

#include <memory>

namespace httplib {
class Client;
}

// One element of a reply: qualified name, attributes, text, children.
struct XmlNode
{
    QString name;
    QMap<QString, QString> attributes;
    QString text;
    QList<XmlNode> children;

    const XmlNode *child(const QString &childName) const;
    QString leafText(const QString &childName) const;
};

// Talks to the reference server the way the uploader does, over HTTP or HTTPS (trusting only the
// server's own certificate), keeping the session cookie between calls.
class ServerTestClient
{
public:
    explicit ServerTestClient(const ReferenceServer &server);
    ~ServerTestClient();

    struct SoapReply
    {
        int status = 0; // 0: no reply at all
        bool setCookie = false;
        QString apiResponse;
        QString actionResponse;
        XmlNode response; // SOAP-ENV:<method>Response
        bool ok() const { return apiResponse == u"OK" && actionResponse == u"OK"; }
        QString leaf(const QString &record, const QString &member) const;
    };
    using Params = QList<QPair<QString, QString>>;
    SoapReply call(const QString &method, const Params &params = {});
    bool signIn(const QString &user = QStringLiteral("demo"),
                const QString &password = QStringLiteral("demo"));

    struct UploadReply
    {
        int status = 0;                // 0: no reply
        QMap<QString, QString> result; // attributes of halvane/upload-result
        QString action() const { return result.value(QStringLiteral("actionresult")); }
    };
    // One file as the uploader sends it; chunked: in pieces, without announcing the length.
    UploadReply upload(qint64 albumId, const QString &fileName, const QByteArray &data, bool chunked = false);
    UploadReply uploadBody(qint64 albumId, const QByteArray &body, const QString &contentType, bool chunked);

    // Without the session cookie, as a browser sends them; the status 0 when no reply came.
    QPair<int, QByteArray> get(const QString &pathAndQuery);
    int post(const QString &path, const QByteArray &body, const QString &contentType, bool chunked = false);

    QString sessionToken() const { return m_token; }
    void setSessionToken(const QString &token) { m_token = token; }
    // The id of an album by its path ("Holidays/2019"); -1 when absent.
    qint64 albumId(const QString &path);

private:
    std::unique_ptr<httplib::Client> m_http;
    QString m_token;
};
