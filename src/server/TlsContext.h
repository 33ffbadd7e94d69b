#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

// The server side of TLS: a certificate chain and its private key, TLS 1.2 or newer.
class TlsContext
{
public:
    // Loads both PEM files; isValid() says whether they could be used together.
    TlsContext(const std::string &certFile, const std::string &keyFile);
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    bool isValid() const { return m_context != nullptr; }
    SSL_CTX *get() const { return m_context; }

private:
    SSL_CTX *m_context = nullptr;
};
