// TLS for the FTP client with OpenSSL, through Poco's NetSSL.
#ifdef _WIN32
// Before OpenSSL's headers, which undefine the names wincrypt.h also takes.
#include <windows.h>
#include <wincrypt.h>
#endif

#include "ftpbackup/FtpTls.h"

#include "ftpbackup/FtpClient.h"

#include <Poco/Exception.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/IPAddress.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/SecureStreamSocket.h>
#include <Poco/Net/Session.h>

#include <QFile>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

namespace dc {

namespace {

// The first certificate error of the handshake under way on this thread.
thread_local long t_certificateError = X509_V_OK;

int recordVerification(int ok, X509_STORE_CTX* store)
{
    if (!ok && t_certificateError == X509_V_OK) t_certificateError = X509_STORE_CTX_get_error(store);
    return ok;
}

QString certificateProblem(long error, const QString& host)
{
    switch (error) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("el certificado del servidor es de otro servidor, no de ") + host;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return QStringLiteral("el certificado del servidor está firmado por él mismo, no por una autoridad de confianza");
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("el certificado del servidor no lo firmó una autoridad de confianza");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("el certificado del servidor está vencido");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("el certificado del servidor todavía no es válido");
    default:
        return QStringLiteral("el certificado del servidor no es válido (")
               + QString::fromUtf8(X509_verify_cert_error_string(error)) + QLatin1Char(')');
    }
}

#ifdef _WIN32
// Windows keeps the authorities it trusts in its own store (kept up to date by
// Windows Update, with the shop's own additions), not in files OpenSSL knows:
// each one is added to the context's trust store. Returns how many.
int trustWindowsRoots(SSL_CTX* ssl)
{
    HCERTSTORE windowsStore = CertOpenSystemStoreW(0, L"ROOT");
    if (!windowsStore) return 0;
    X509_STORE* trusted = SSL_CTX_get_cert_store(ssl);
    int added = 0;
    for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(windowsStore, nullptr); certificate;
         certificate = CertEnumCertificatesInStore(windowsStore, certificate)) {
        const unsigned char* der = certificate->pbCertEncoded;
        if (X509* x509 = d2i_X509(nullptr, &der, static_cast<long>(certificate->cbCertEncoded))) {
            if (X509_STORE_add_cert(trusted, x509) == 1) ++added;
            X509_free(x509);
        }
    }
    CertCloseStore(windowsStore, 0);
    return added;
}
#endif

bool isIpAddress(const std::string& host)
{
    Poco::Net::IPAddress address;
    return Poco::Net::IPAddress::tryParse(host, address);
}

class OpenSslFtpTls final : public FtpTls {
public:
    explicit OpenSslFtpTls(const QString& extraCaFile) : m_extraCaFile(extraCaFile) {}

    Poco::Net::StreamSocket startControl(const Poco::Net::StreamSocket& plain, const QString& host, const QString& where,
                                         const Wait& wait) override
    {
        m_host = host;
        m_where = where;
        m_context = makeContext();
        return handshake(plain, {}, wait, true);
    }

    Poco::Net::StreamSocket startData(const Poco::Net::StreamSocket& plain, const Poco::Net::StreamSocket& control,
                                      const Wait& wait) override
    {
        Poco::Net::Session::Ptr session;
        try {
            session = Poco::Net::SecureStreamSocket(control).currentSession();
        } catch (const Poco::Exception&) {
            // Nothing to resume: a full handshake.
        }
        return handshake(plain, session, wait, false);
    }

private:
    // One context per control connection: the system's trust store (and the
    // extra file), TLS 1.2 or later, and the name the certificate must carry.
    Poco::Net::Context::Ptr makeContext() const
    {
        const std::string host = m_host.toStdString();
        Poco::Net::Context::Ptr context;
        try {
            Poco::Net::Context::Params params;
            params.caLocation = QFile::encodeName(m_extraCaFile).toStdString();
            params.loadDefaultCAs = true;
            params.verificationMode = Poco::Net::Context::VERIFY_RELAXED;
            params.cipherList = "DEFAULT";
            context = new Poco::Net::Context(Poco::Net::Context::TLS_CLIENT_USE, params);
            context->requireMinimumProtocol(Poco::Net::Context::PROTO_TLSV1_2);
        } catch (const Poco::Exception& e) {
            throw FtpError(QStringLiteral("No se pudo preparar la conexión segura (") + QString::fromStdString(e.displayText())
                           + QLatin1Char(')'));
        }
        // OpenSSL checks the name during the handshake (Poco's own check
        // would look names up in the DNS, and skips loopback addresses).
        context->enableExtendedCertificateVerification(false);
        SSL_CTX* ssl = context->sslContext();
#ifdef _WIN32
        trustWindowsRoots(ssl);
#endif
        SSL_CTX_set_verify(ssl, SSL_VERIFY_PEER, &recordVerification);
        X509_VERIFY_PARAM* param = SSL_CTX_get0_param(ssl);
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        const int named = isIpAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str())
                                            : X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
        if (named != 1) throw FtpError(QStringLiteral("No se pudo preparar la conexión segura con ") + m_where);
#ifdef SSL_OP_IGNORE_UNEXPECTED_EOF
        // A server that ends a listing without the TLS close is no failure:
        // what is stored is checked by its size anyway.
        SSL_CTX_set_options(ssl, SSL_OP_IGNORE_UNEXPECTED_EOF);
#endif
        return context;
    }

    Poco::Net::StreamSocket handshake(const Poco::Net::StreamSocket& plain, const Poco::Net::Session::Ptr& session,
                                      const Wait& wait, bool control) const
    {
        if (!m_context) throw FtpError(QStringLiteral("No hay conexión segura con el servidor"));
        const std::string host = m_host.toStdString();
        t_certificateError = X509_V_OK;
        try {
            // A name goes in the handshake (SNI); an address does not.
            Poco::Net::SecureStreamSocket secure =
                isIpAddress(host) ? Poco::Net::SecureStreamSocket::attach(plain, m_context, session)
                                  : Poco::Net::SecureStreamSocket::attach(plain, host, m_context, session);
            // The socket does not block: attach() only prepared the handshake.
            for (;;) {
                const int step = secure.completeHandshake();
                if (step == 1) return secure;
                if (step == Poco::Net::SecureStreamSocket::ERR_SSL_WANT_READ)
                    wait(false);
                else if (step == Poco::Net::SecureStreamSocket::ERR_SSL_WANT_WRITE)
                    wait(true);
                else
                    throw Poco::Net::NetException("el servidor cerró la conexión");
            }
        } catch (const Poco::Exception& e) {
            const QString start = QStringLiteral("No se pudo establecer la conexión segura con ")
                                  + (control ? m_where : QStringLiteral("el servidor para los datos"));
            if (t_certificateError != X509_V_OK)
                throw FtpSecurityRefused(start + QStringLiteral(": ") + certificateProblem(t_certificateError, m_host)
                                      + (control ? QStringLiteral("; no se envió la cuenta") : QString()));
            throw FtpError(start + QStringLiteral(" (") + QString::fromStdString(e.displayText()) + QLatin1Char(')'));
        }
    }

    const QString m_extraCaFile;
    QString m_host;
    QString m_where;
    Poco::Net::Context::Ptr m_context;
};

}  // namespace

int systemStoreAuthorities()
{
#ifdef _WIN32
    SSL_CTX* ssl = SSL_CTX_new(TLS_client_method());
    if (!ssl) return 0;
    const int added = trustWindowsRoots(ssl);
    SSL_CTX_free(ssl);
    return added;
#else
    return 0;
#endif
}

std::unique_ptr<FtpTls> makeFtpTls(const QString& extraCaFile)
{
    return std::make_unique<OpenSslFtpTls>(extraCaFile);
}

}  // namespace dc
