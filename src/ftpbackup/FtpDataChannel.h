#pragma once

#include "ftpbackup/FtpClient.h"

#include <Poco/Net/IPAddress.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>

#include <QByteArray>
#include <QIODevice>

#include <chrono>
#include <functional>

namespace dc {

// One data connection of the FTP client, from the moment it is connected to
// its close: the file's bytes sent (straight from the file where the
// connection is not protected), a listing received, and the close, each
// bounded in time and size. Errors are FtpError with a Spanish text; the
// session decides what they mean for the control connection.
class FtpDataChannel {
public:
    struct Limits {
        // Without progress for this long, the server is taken to have stopped.
        std::chrono::milliseconds stall{60'000};
        // How often a wait looks at the cancel.
        std::chrono::milliseconds slice{100};
        // Closing waits at most this long for the server's end, and reads at
        // most this much of what it still sends.
        std::chrono::milliseconds closeWait{5'000};
        qsizetype closeDrainBytes = 1024 * 1024;
    };
    // True when the call under way must end (a cancel).
    using Aborted = std::function<bool()>;

    // `plain`: the connection (not blocking); `data`: what is read and
    // written, the same connection or TLS over it.
    FtpDataChannel(Poco::Net::StreamSocket plain, Poco::Net::StreamSocket data, const Limits& limits, Aborted aborted);

    // Sends what `source` holds from its position to its end; the bytes sent.
    // `progress` hears the count after every block.
    qint64 send(QIODevice& source, const FtpClient::Progress& progress);
    // Receives until the server closes its end; more than `maxBytes` fails.
    QByteArray receiveAll(qsizetype maxBytes, const QString& what);
    // Says the data is complete (a TLS close first, then the connection's
    // write side), waits for the server's end within the limits, and lets go.
    void close();

    // The active mode's wait: the first connection from `peer` (the control
    // connection's server) within `timeout`; a connection from any other
    // address is closed at once and the wait goes on. nullopt at the time-out.
    static std::optional<Poco::Net::StreamSocket> acceptFrom(Poco::Net::ServerSocket& listener, const Poco::Net::IPAddress& peer,
                                                             std::chrono::milliseconds timeout, const Limits& limits,
                                                             const Aborted& aborted);

private:
    qint64 sendFromFile(QIODevice& source, const FtpClient::Progress& progress, bool* unsupported);
    void sendBlock(const char* bytes, qint64 length);
    // Waits one slice for the connection to become ready; throws on a cancel.
    bool waitReady(int mode);
    void throwIfAborted() const;

    Poco::Net::StreamSocket m_plain;
    Poco::Net::StreamSocket m_data;
    Limits m_limits;
    Aborted m_aborted;
};

}  // namespace dc
