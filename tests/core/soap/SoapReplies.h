#pragma once

#include <QByteArray>
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

} // namespace SoapReplies
