#include "UploadReply.h"

#include "XmlText.h"

std::string uploadReplyDocument(const std::map<std::string, std::string> &attributes)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><halvane><upload-result";
    for (const auto &[name, value] : attributes)
        xml += " " + name + "=\"" + xmlEscape(value) + "\"";
    return xml + "/></halvane>";
}
