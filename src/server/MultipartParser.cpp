#include "MultipartParser.h"

#include "HttpRequestHelpers.h"

#include <strings.h>

namespace {

constexpr size_t MaxHeaderBlock = 16 * 1024;
constexpr size_t MaxPreamble = 16 * 1024;
constexpr size_t MaxBoundary = 70;

// Parameters of a header value such as `form-data; name="file"; filename="a \"b\".jpg"`:
// quoted values may hold backslash escapes and semicolons.
std::vector<std::pair<std::string, std::string>> headerParameters(const std::string &value)
{
    std::vector<std::pair<std::string, std::string>> parameters;
    size_t i = value.find(';');
    while (i != std::string::npos && i < value.size()) {
        ++i;
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
            ++i;
        const size_t equals = value.find('=', i);
        if (equals == std::string::npos)
            break;
        std::string key = HttpRequestHelpers::trim(value.substr(i, equals - i));
        for (char &c : key)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        i = equals + 1;
        std::string parameter;
        if (i < value.size() && value[i] == '"') {
            for (++i; i < value.size() && value[i] != '"'; ++i) {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                parameter += value[i];
            }
            i = value.find(';', i);
        } else {
            const size_t end = value.find(';', i);
            parameter = HttpRequestHelpers::trim(
                value.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end;
        }
        parameters.emplace_back(key, parameter);
    }
    return parameters;
}

} // namespace

MultipartParser::MultipartParser(std::string boundary, PartStart onStart, PartData onData, PartEnd onEnd)
    : m_delimiter("\r\n--" + boundary), m_onStart(std::move(onStart)), m_onData(std::move(onData)),
      m_onEnd(std::move(onEnd))
{
    // The body may open with the delimiter itself, without the line break in front of it.
    m_buffer = "\r\n";
}

std::string MultipartParser::boundaryFrom(const std::string &contentType)
{
    if (strncasecmp(contentType.c_str(), "multipart/form-data", 19) != 0)
        return std::string();
    for (const auto &[key, value] : headerParameters(contentType))
        if (key == "boundary" && !value.empty() && value.size() <= MaxBoundary)
            return value;
    return std::string();
}

bool MultipartParser::fail(const std::string &reason)
{
    m_state = State::Failed;
    m_error = reason;
    return false;
}

bool MultipartParser::parseHeaders(const std::string &block, Part &part)
{
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find("\r\n", start);
        if (end == std::string::npos)
            end = block.size();
        const std::string line = block.substr(start, end - start);
        start = end + 2;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            return fail("malformed part header");
        const std::string name = HttpRequestHelpers::trim(line.substr(0, colon));
        const std::string value = HttpRequestHelpers::trim(line.substr(colon + 1));
        if (strcasecmp(name.c_str(), "Content-Type") == 0) {
            part.contentType = value;
        } else if (strcasecmp(name.c_str(), "Content-Disposition") == 0) {
            std::string extendedName;
            for (const auto &[key, parameter] : headerParameters(value)) {
                if (key == "name") {
                    part.name = parameter;
                } else if (key == "filename") {
                    part.fileName = parameter;
                    part.hasFileName = true;
                } else if (key == "filename*" && strncasecmp(parameter.c_str(), "UTF-8''", 7) == 0) {
                    extendedName = HttpRequestHelpers::urlDecode(parameter.substr(7));
                }
            }
            if (!extendedName.empty()) {
                part.fileName = extendedName;
                part.hasFileName = true;
            }
        }
    }
    return true;
}

bool MultipartParser::step(bool &progressed)
{
    progressed = false;
    switch (m_state) {
    case State::Preamble: {
        const size_t found = m_buffer.find(m_delimiter);
        if (found == std::string::npos) {
            const size_t keep = m_delimiter.size() - 1;
            if (m_buffer.size() > keep) {
                m_preambleSeen += m_buffer.size() - keep;
                m_buffer.erase(0, m_buffer.size() - keep);
            }
            return m_preambleSeen <= MaxPreamble || fail("no multipart boundary found");
        }
        m_buffer.erase(0, found + m_delimiter.size());
        m_state = State::AfterDelimiter;
        progressed = true;
        return true;
    }
    case State::AfterDelimiter: {
        if (m_buffer.size() < 2)
            return true;
        if (m_buffer.compare(0, 2, "--") == 0) {
            m_buffer.clear();
            m_state = State::Epilogue;
            progressed = true;
            return true;
        }
        const size_t lineEnd = m_buffer.find("\r\n");
        if (lineEnd == std::string::npos)
            return m_buffer.size() <= 256 || fail("malformed boundary line");
        if (!HttpRequestHelpers::trim(m_buffer.substr(0, lineEnd)).empty())
            return fail("malformed boundary line");
        // Keep the line break: an empty header block then reads as "\r\n\r\n" too.
        m_buffer.erase(0, lineEnd);
        m_state = State::Headers;
        progressed = true;
        return true;
    }
    case State::Headers: {
        const size_t end = m_buffer.find("\r\n\r\n");
        if (end == std::string::npos)
            return m_buffer.size() <= MaxHeaderBlock || fail("part headers too long");
        Part part;
        if (!parseHeaders(m_buffer.substr(2, end >= 2 ? end - 2 : 0), part))
            return false;
        m_buffer.erase(0, end + 4);
        m_state = State::Body;
        progressed = true;
        return m_onStart(part) || fail("stopped");
    }
    case State::Body: {
        const size_t found = m_buffer.find(m_delimiter);
        if (found == std::string::npos) {
            const size_t keep = m_delimiter.size() - 1;
            if (m_buffer.size() > keep) {
                const size_t emit = m_buffer.size() - keep;
                if (!m_onData(m_buffer.data(), emit))
                    return fail("stopped");
                m_buffer.erase(0, emit);
            }
            return true;
        }
        if (found > 0 && !m_onData(m_buffer.data(), found))
            return fail("stopped");
        m_buffer.erase(0, found + m_delimiter.size());
        m_state = State::AfterDelimiter;
        progressed = true;
        return m_onEnd() || fail("stopped");
    }
    case State::Epilogue:
        m_buffer.clear();
        return true;
    case State::Failed:
        return false;
    }
    return false;
}

bool MultipartParser::feed(const char *data, size_t size)
{
    if (m_state == State::Failed)
        return false;
    m_buffer.append(data, size);
    bool progressed = true;
    while (progressed)
        if (!step(progressed))
            return false;
    return true;
}
