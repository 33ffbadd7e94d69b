#include "NameRules.h"

namespace NameRules {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not valid.
size_t sequenceLength(const std::string &text, size_t i)
{
    const auto byte = [&](size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

// The longest prefix of a valid UTF-8 text that fits into maxBytes without cutting a character.
std::string utf8Prefix(const std::string &text, size_t maxBytes)
{
    size_t end = 0;
    while (end < text.size()) {
        const size_t length = sequenceLength(text, end);
        if (length == 0 || end + length > maxBytes)
            break;
        end += length;
    }
    return text.substr(0, end);
}

// Splits "photo.jpg" into "photo" and ".jpg"; a leading dot does not start an extension, and an
// extension longer than a few dozen bytes is treated as part of the stem.
std::pair<std::string, std::string> splitExtension(const std::string &name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 32)
        return {name, std::string()};
    return {name.substr(0, dot), name.substr(dot)};
}

std::string fitWithSuffix(const std::string &name, const std::string &suffix)
{
    auto [stem, extension] = splitExtension(name);
    const size_t room = MaxNameBytes - std::min(MaxNameBytes, suffix.size() + extension.size());
    return utf8Prefix(stem, room) + suffix + extension;
}

} // namespace

bool isValidUtf8(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string repairUtf8(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

Verdict check(const std::string &name)
{
    if (name.empty())
        return Verdict::Empty;
    if (name == "." || name == "..")
        return Verdict::DotName;
    if (name.size() > MaxNameBytes)
        return Verdict::TooLong;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '/')
            return Verdict::HasSlash;
        if (byte < 0x20 || byte == 0x7F)
            return Verdict::HasControl;
    }
    if (!isValidUtf8(name))
        return Verdict::NotUtf8;
    return Verdict::Ok;
}

const char *describe(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Ok:
        return "valid";
    case Verdict::Empty:
        return "empty name";
    case Verdict::DotName:
        return "name is . or ..";
    case Verdict::HasSlash:
        return "name contains /";
    case Verdict::HasControl:
        return "name contains a control character";
    case Verdict::TooLong:
        return "name longer than 255 bytes";
    case Verdict::NotUtf8:
        return "name is not valid UTF-8";
    }
    return "invalid name";
}

std::string uploadedFileName(const std::string &sentName)
{
    const size_t slash = sentName.rfind('/');
    std::string name = repairUtf8(slash == std::string::npos ? sentName : sentName.substr(slash + 1));
    if (name.size() > MaxNameBytes)
        name = fitWithSuffix(name, std::string());
    return name;
}

std::string variant(const std::string &name, int n)
{
    if (n <= 1)
        return name;
    return fitWithSuffix(name, " (" + std::to_string(n) + ")");
}

} // namespace NameRules
