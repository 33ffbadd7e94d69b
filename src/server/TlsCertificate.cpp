#include "TlsCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Deleter
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
    void operator()(X509 *certificate) const { X509_free(certificate); }
    void operator()(FILE *file) const { fclose(file); }
};

bool addExtension(X509 *certificate, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// Opens a new file with the given permissions; the key must never be readable by others, not
// even for a moment.
std::unique_ptr<FILE, Deleter> createFile(const std::filesystem::path &path, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<FILE, Deleter>(fdopen(fd, "w"));
}

} // namespace

bool TlsCertificate::ensure(const std::filesystem::path &dataDir, TlsCertificate &certificate,
                            std::string &error)
{
    const auto folder = dataDir / "tls";
    certificate.certFile = folder / "cert.pem";
    certificate.keyFile = folder / "key.pem";
    if (std::filesystem::exists(certificate.certFile) && std::filesystem::exists(certificate.keyFile))
        return true;
    std::error_code fsError;
    std::filesystem::create_directories(folder, fsError);
    ::chmod(folder.c_str(), 0700);

    std::unique_ptr<EVP_PKEY, Deleter> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, Deleter> x509(X509_new());
    if (!key || !x509) {
        error = "cannot create a key";
        return false;
    }
    X509_set_version(x509.get(), 2);
    unsigned char serial[16];
    FILE *random = fopen("/dev/urandom", "rb");
    const bool haveSerial = random && fread(serial, 1, sizeof serial, random) == sizeof serial;
    if (random)
        fclose(random);
    if (!haveSerial) {
        error = "no random numbers for the serial";
        return false;
    }
    serial[0] &= 0x7F;
    BIGNUM *serialNumber = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(serialNumber, X509_get_serialNumber(x509.get()));
    BN_free(serialNumber);
    X509_gmtime_adj(X509_getm_notBefore(x509.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x509.get()), 10L * 365 * 24 * 3600);
    X509_set_pubkey(x509.get(), key.get());
    X509_NAME *name = X509_get_subject_name(x509.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("vendra-server"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(x509.get(), name);
    const bool extended = addExtension(x509.get(), NID_basic_constraints, "critical,CA:TRUE") &&
                          addExtension(x509.get(), NID_key_usage, "critical,digitalSignature,keyCertSign") &&
                          addExtension(x509.get(), NID_ext_key_usage, "serverAuth") &&
                          addExtension(x509.get(), NID_subject_key_identifier, "hash") &&
                          addExtension(x509.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1");
    if (!extended || X509_sign(x509.get(), key.get(), EVP_sha256()) == 0) {
        error = "cannot sign the certificate";
        return false;
    }

    const auto keyFile = createFile(certificate.keyFile, 0600);
    if (!keyFile ||
        PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        error = "cannot write " + certificate.keyFile.string();
        return false;
    }
    const auto certFile = createFile(certificate.certFile, 0644);
    if (!certFile || PEM_write_X509(certFile.get(), x509.get()) != 1) {
        error = "cannot write " + certificate.certFile.string();
        return false;
    }
    return true;
}
