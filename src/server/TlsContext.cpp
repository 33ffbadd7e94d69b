#include "TlsContext.h"

#include <openssl/ssl.h>

TlsContext::TlsContext(const std::string &certFile, const std::string &keyFile)
{
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    if (!context)
        return;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_options(context, SSL_OP_NO_COMPRESSION | SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(context, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        SSL_CTX_free(context);
        return;
    }
    m_context = context;
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_context);
}
