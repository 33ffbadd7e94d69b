#pragma once

#include <filesystem>
#include <string>

// The server's own certificate for --tls without --cert/--key: self-signed, for localhost,
// 127.0.0.1 and ::1, made once and reused, so that a client can trust exactly this certificate.
struct TlsCertificate
{
    std::filesystem::path certFile;
    std::filesystem::path keyFile;

    // DIR/tls/cert.pem and DIR/tls/key.pem, created when missing. False with a reason on failure.
    static bool ensure(const std::filesystem::path &dataDir, TlsCertificate &certificate, std::string &error);
};
