#pragma once

#include <map>
#include <string>

// The small XML document that answers an upload: <halvane><upload-result .../></halvane>, with
// the outcome and the new asset as attributes.
std::string uploadReplyDocument(const std::map<std::string, std::string> &attributes);
