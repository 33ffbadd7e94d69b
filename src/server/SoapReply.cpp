#include "SoapReply.h"

#include "XmlText.h"

namespace {

const char *const EnvelopeStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:ns1=\"urn:vendra-media-server\""
    " SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
    "<SOAP-ENV:Body>";
const char *const EnvelopeEnd = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

} // namespace

SoapReply &SoapReply::leaf(const std::string &name, const char *type, const std::string &text)
{
    m_xml += "<" + name + " xsi:type=\"" + type + "\">" + text + "</" + name + ">";
    return *this;
}

SoapReply &SoapReply::string(const std::string &name, const std::string &value)
{
    return leaf(name, "xsd:string", xmlEscape(value));
}

SoapReply &SoapReply::integer(const std::string &name, int64_t value)
{
    return leaf(name, "xsd:int", std::to_string(value));
}

SoapReply &SoapReply::longInteger(const std::string &name, int64_t value)
{
    return leaf(name, "xsd:long", std::to_string(value));
}

SoapReply &SoapReply::boolean(const std::string &name, bool value)
{
    return leaf(name, "xsd:boolean", value ? "true" : "false");
}

SoapReply &SoapReply::beginStruct(const std::string &name, const std::string &type)
{
    m_xml += "<" + name + " xsi:type=\"ns1:" + type + "\">";
    return *this;
}

SoapReply &SoapReply::endStruct(const std::string &name)
{
    m_xml += "</" + name + ">";
    return *this;
}

SoapReply &SoapReply::beginArray(const std::string &name, const std::string &itemType, size_t count)
{
    m_xml += "<" + name + " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"ns1:" + itemType + "[" +
             std::to_string(count) + "]\">";
    return *this;
}

SoapReply &SoapReply::endArray(const std::string &name)
{
    return endStruct(name);
}

std::string SoapReply::envelope(const std::string &method, const std::string &apiResponse,
                                const std::string &actionResponse, const std::string &members)
{
    SoapReply result;
    result.beginStruct("Result", "Result")
        .string("APIResponse", apiResponse)
        .string("ActionResponse", actionResponse)
        .endStruct("Result");
    const std::string element = "SOAP-ENV:" + method + "Response";
    return EnvelopeStart + ("<" + element + ">") + result.xml() + members + ("</" + element + ">") +
           EnvelopeEnd;
}

std::string SoapReply::fault(const std::string &code, const std::string &text)
{
    return EnvelopeStart +
           ("<SOAP-ENV:Fault><faultcode xsi:type=\"xsd:string\">SOAP-ENV:" + code +
            "</faultcode><faultstring xsi:type=\"xsd:string\">" + xmlEscape(text) +
            "</faultstring></SOAP-ENV:Fault>") +
           EnvelopeEnd;
}
