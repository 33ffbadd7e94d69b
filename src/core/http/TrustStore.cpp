#include "http/TrustStore.h"

#include "http/TrustedCertificates.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <openssl/err.h>
#include <openssl/x509.h>

#include <mutex>

namespace {

// Where OpenSSL looks for the system's authorities.
struct SystemAuthorityPlaces
{
    QByteArray folders; // a list, as in SSL_CERT_DIR
    QByteArray bundle;

    static SystemAuthorityPlaces current()
    {
        const QByteArray folders = qgetenv(X509_get_default_cert_dir_env());
        const QByteArray bundle = qgetenv(X509_get_default_cert_file_env());
        return {folders.isEmpty() ? QByteArray(X509_get_default_cert_dir()) : folders,
                bundle.isEmpty() ? QByteArray(X509_get_default_cert_file()) : bundle};
    }

    bool operator==(const SystemAuthorityPlaces &) const = default;
};

// A lookup that reads the whole bundle into the store the first time it is asked for an issuer,
// then answers from the store.
class BundleOnDemand
{
public:
    static void addTo(X509_STORE *store, X509_LOOKUP_METHOD *method, const QByteArray &path)
    {
        if (X509_LOOKUP *lookup = X509_STORE_add_lookup(store, method))
            X509_LOOKUP_set_method_data(lookup, new BundleOnDemand(path));
    }

    static X509_LOOKUP_METHOD *newMethod()
    {
        X509_LOOKUP_METHOD *method = X509_LOOKUP_meth_new("bundle read on demand");
        X509_LOOKUP_meth_set_get_by_subject(method, &BundleOnDemand::bySubject);
        X509_LOOKUP_meth_set_free(method, [](X509_LOOKUP *lookup) {
            delete static_cast<BundleOnDemand *>(X509_LOOKUP_get_method_data(lookup));
        });
        return method;
    }

private:
    explicit BundleOnDemand(const QByteArray &path) : m_path(path) {}

    static int bySubject(X509_LOOKUP *lookup, X509_LOOKUP_TYPE type, const X509_NAME *name,
                         X509_OBJECT *found)
    {
        auto *self = static_cast<BundleOnDemand *>(X509_LOOKUP_get_method_data(lookup));
        X509_STORE *store = X509_LOOKUP_get_store(lookup);
        if (!self || !store)
            return 0;
        std::call_once(self->m_read, [&] {
            X509_load_cert_crl_file(lookup, self->m_path.constData(), X509_FILETYPE_PEM);
            ERR_clear_error(); // a missing bundle only means fewer authorities
        });
        X509_STORE_lock(store);
        X509_OBJECT *stored = X509_OBJECT_retrieve_by_subject(X509_STORE_get0_objects(store), type, name);
        int ok = 0;
        if (stored && type == X509_LU_X509)
            ok = X509_OBJECT_set1_X509(found, X509_OBJECT_get0_X509(stored));
        else if (stored && type == X509_LU_CRL)
            ok = X509_OBJECT_set1_X509_CRL(found, X509_OBJECT_get0_X509_CRL(stored));
        X509_STORE_unlock(store);
        return ok;
    }

    const QByteArray m_path;
    std::once_flag m_read;
};

class SharedTrustStore
{
public:
    static SharedTrustStore &instance()
    {
        static SharedTrustStore store;
        return store;
    }

    ~SharedTrustStore()
    {
        X509_STORE_free(m_store);
        X509_LOOKUP_meth_free(m_bundleMethod); // after the store, whose lookup still refers to it
    }

    X509_STORE *acquire()
    {
        const QList<QByteArray> additional = TrustedCertificates::additionalCaCertificatesDer();
        const SystemAuthorityPlaces places = SystemAuthorityPlaces::current();
        QMutexLocker locker(&m_mutex);
        if (!m_store || additional != m_additional || places != m_places || m_age.hasExpired(MaximumAgeMs)) {
            X509_STORE_free(m_store);
            m_store = build(additional, places);
            m_additional = additional;
            m_places = places;
            m_age.start();
        }
        X509_STORE_up_ref(m_store);
        return m_store;
    }

private:
    static constexpr qint64 MaximumAgeMs = 10 * 60 * 1000;

    X509_STORE *build(const QList<QByteArray> &additional, const SystemAuthorityPlaces &places)
    {
        X509_STORE *store = X509_STORE_new();
        for (const QByteArray &der : additional) {
            const auto *in = reinterpret_cast<const unsigned char *>(der.constData());
            if (X509 *certificate = d2i_X509(nullptr, &in, der.size())) {
                X509_STORE_add_cert(store, certificate); // a duplicate is refused, which is fine
                X509_free(certificate);
            }
        }
        // Asked in this order when an issuer is not in the store yet.
        X509_STORE_load_path(store, places.folders.constData());
        BundleOnDemand::addTo(store, m_bundleMethod, places.bundle);
        ERR_clear_error();
        return store;
    }

    QMutex m_mutex;
    X509_LOOKUP_METHOD *m_bundleMethod = BundleOnDemand::newMethod();
    X509_STORE *m_store = nullptr;
    QList<QByteArray> m_additional;
    SystemAuthorityPlaces m_places;
    QElapsedTimer m_age;
};

} // namespace

X509_STORE *TrustStore::acquire()
{
    return SharedTrustStore::instance().acquire();
}
