#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace Poco::Net {
class StreamSocket;
}

namespace dc {

// The TLS side of PocoFtpClient, from the TLS library the build has (one file
// per library; FtpTls_none.cpp where there is none). Sockets stay Poco
// sockets, so the client reads and writes a protected connection as any other.
class FtpTls {
public:
    virtual ~FtpTls() = default;

    // Called while a handshake waits for the socket: waits one short slice for
    // it to become readable (`forWrite` false) or writable, and throws FtpError
    // when the wait must end (a cancel, the time-out).
    using Wait = std::function<void(bool forWrite)>;

    // Starts a new TLS session as a client on the control connection `plain`
    // (connected, not blocking) to `host`; `where` names the server in
    // messages. The server's certificate must verify against the system's
    // trust store (and the extra file, when given) and name `host`; when it
    // does not, throws FtpSecurityRefused saying why. Returns the protected socket.
    virtual Poco::Net::StreamSocket startControl(const Poco::Net::StreamSocket& plain, const QString& host,
                                                 const QString& where, const Wait& wait) = 0;
    // Protects a data connection (connected, not blocking) to the server of
    // the last startControl(), offering to resume the TLS session of
    // `control` (the protected control connection; servers may insist).
    // Throws FtpError.
    virtual Poco::Net::StreamSocket startData(const Poco::Net::StreamSocket& plain, const Poco::Net::StreamSocket& control,
                                              const Wait& wait) = 0;
};

// How many authorities the system's own store adds to each connection's
// trust: on Windows its "ROOT" store (elsewhere OpenSSL reads the system's
// files itself, and a build without TLS has none: 0).
int systemStoreAuthorities();

// The build's TLS; null when the build has none. `extraCaFile`: certificates
// trusted besides the system's (empty for none).
std::unique_ptr<FtpTls> makeFtpTls(const QString& extraCaFile);

}  // namespace dc
