#pragma once

#include <functional>
#include <string>

// A streaming reader of multipart/form-data bodies: fed the body piece by piece, it reports each
// part's headers and then its data, holding no more than a part header and one boundary's worth
// of bytes at a time. Written here rather than taken from the HTTP library, whose parser cuts
// file names at escaped quotes and stumbles over headers that end near its buffer boundaries.
class MultipartParser
{
public:
    struct Part
    {
        std::string name;
        std::string fileName; // with the sender's backslash escapes undone
        bool hasFileName = false;
        std::string contentType;
    };
    // Each returns false to stop the parse.
    using PartStart = std::function<bool(const Part &)>;
    using PartData = std::function<bool(const char *data, size_t size)>;
    using PartEnd = std::function<bool()>;

    MultipartParser(std::string boundary, PartStart onStart, PartData onData, PartEnd onEnd);

    // False when the body is malformed or a callback said stop; error() says which.
    bool feed(const char *data, size_t size);
    // True once the closing boundary has been read.
    bool isComplete() const { return m_state == State::Epilogue; }
    const std::string &error() const { return m_error; }

    // The boundary parameter of a multipart/form-data Content-Type, or an empty string.
    static std::string boundaryFrom(const std::string &contentType);

private:
    enum class State { Preamble, AfterDelimiter, Headers, Body, Epilogue, Failed };

    bool fail(const std::string &reason);
    bool parseHeaders(const std::string &block, Part &part);
    bool step(bool &progressed);

    std::string m_delimiter; // "\r\n--" + boundary
    PartStart m_onStart;
    PartData m_onData;
    PartEnd m_onEnd;
    State m_state = State::Preamble;
    std::string m_buffer;
    size_t m_preambleSeen = 0;
    std::string m_error;
};
