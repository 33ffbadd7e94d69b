#pragma once

#include <cstdint>
#include <string>

// Writes the members of a SOAP reply: every leaf carries its xsi:type, structures and arrays
// carry theirs, and nothing, not even a line break, stands between elements (the client credits
// white space to the element that follows it).
class SoapReply
{
public:
    SoapReply &string(const std::string &name, const std::string &value);
    SoapReply &integer(const std::string &name, int64_t value);
    SoapReply &longInteger(const std::string &name, int64_t value);
    SoapReply &boolean(const std::string &name, bool value);

    SoapReply &beginStruct(const std::string &name, const std::string &type);
    SoapReply &endStruct(const std::string &name);
    SoapReply &beginArray(const std::string &name, const std::string &itemType, size_t count);
    SoapReply &endArray(const std::string &name);

    const std::string &xml() const { return m_xml; }

    // The whole envelope around a method's result: SOAP-ENV:<method>Response holding the Result
    // (APIResponse, ActionResponse) and then the members written into the reply.
    static std::string envelope(const std::string &method, const std::string &apiResponse,
                                const std::string &actionResponse, const std::string &members);
    // A SOAP fault, for requests that cannot be read at all.
    static std::string fault(const std::string &code, const std::string &text);

private:
    SoapReply &leaf(const std::string &name, const char *type, const std::string &text);

    std::string m_xml;
};
