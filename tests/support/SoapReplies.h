#pragma once

#include <QString>

// Replies the way the server writes them: no white space between elements.
namespace SoapReplies {

inline QByteArray envelope(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
           " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SOAP-ENV:Body>" +
           body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

inline QByteArray result(const QByteArray &api, const QByteArray &action)
{
    return "<Result><APIResponse xsi:type=\"xsd:string\">" + api +
           "</APIResponse><ActionResponse xsi:type=\"xsd:string\">" + action + "</ActionResponse></Result>";
}

// A reply to the method with the given status texts and further members of the response element.
inline QByteArray reply(const QByteArray &method, const QByteArray &members = {},
                        const QByteArray &api = "OK", const QByteArray &action = "OK")
{
    return envelope("<SOAP-ENV:" + method + "Response>" + result(api, action) + members +
                    "</SOAP-ENV:" + method + "Response>");
}

// A reply to the method whose response element opens the given number of elements and never
// closes them.
inline QByteArray nested(const QByteArray &method, qint64 levels)
{
    return envelope("<SOAP-ENV:" + method + "Response>" + QByteArray("<a>").repeated(levels));
}

// A reply to the method whose status text is an entity that stands for a billion characters.
inline QByteArray entityBomb(const QByteArray &method)
{
    QByteArray doctype = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        doctype += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                   QByteArray("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    const QByteArray document = reply(method, {}, "&lol9;");
    return doctype + "]>" + document.mid(document.indexOf("?>") + 2);
}

} // namespace SoapReplies
