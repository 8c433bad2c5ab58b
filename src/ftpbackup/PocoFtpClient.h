#pragma once

#include "ftpbackup/FtpClient.h"
#include "ftpbackup/FtpDataChannel.h"
#include "ftpbackup/FtpReplies.h"
#include "ftpbackup/FtpTls.h"

#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace Poco::Net {
class DialogSocket;
class SocketAddress;
class StreamSocket;
}

namespace dc {

// The control connection's traffic (commands and replies; secrets are masked).
Q_DECLARE_LOGGING_CATEGORY(lcFtp)

// The FTP session over Poco's sockets: the log-in, the commands and what each
// reply code means. Replies are read and understood by FtpReplies (bounded:
// a server that sends without end is cut off), data connections are
// FtpDataChannel's. Made by makeFtpClient().
//
// Data connections: active (PORT; only the control connection's server may
// connect) until the server cannot open one; then EPSV, then PASV (always to
// the control connection's address), then active again. A refused or
// unreadable EPSV goes on with PASV in the same call. The kind that worked is
// remembered per server (FtpServerMemory), so the next run starts with it.
//
// Threads: one thread makes the calls; abort() and isOpen() may come from any
// other. abort() shuts the connections down under the sockets (never touching
// a TLS session), so a call blocked on a stalled server fails at once.
// After a time-out, a lost connection, an abort or a failed transfer the
// session is dropped (the control connection is out of step); isOpen() is
// then false.
class PocoFtpClient final : public FtpClient {
public:
    struct Timeouts {
        std::chrono::milliseconds connect{60'000};
        std::chrono::milliseconds reply{60'000};          // each reply; also the data connection without progress
        std::chrono::milliseconds dataConnection{10'000};  // for the server to open the data connection
        std::chrono::milliseconds quitReply{2'000};        // close() does not wait longer for QUIT
    };

    // `tls` null: a client without TLS, which refuses FtpSecurity::Required
    // and takes WhenOffered as Off (its notice says so once).
    PocoFtpClient(const Timeouts& timeouts, std::unique_ptr<FtpTls> tls);
    ~PocoFtpClient() override;

    void setSecrets(const QStringList& secrets) override;
    void setSecurity(FtpSecurity security) override;
    void setPassive(bool passive) override;
    bool isPassive() const override;
    void setNoticeHandler(Notice notice) override;
    void setServerMemory(std::shared_ptr<FtpServerMemory> memory) override;
    void open(const QString& host, quint16 port, const QString& user, const QString& password) override;
    bool isOpen() const override;
    void close() override;
    void enterFolder(const QString& name) override;
    void leaveFolder() override;
    void makeFolder(const QString& name) override;
    void setBinary() override;
    void remove(const QString& name) override;
    bool removeIfPresent(const QString& name) override;
    void rename(const QString& from, const QString& to) override;
    bool isFolder(const QString& name) override;
    qint64 upload(QIODevice& source, const QString& remoteName, const Progress& progress) override;
    std::optional<qint64> remoteSize(const QString& name) override;
    void abort() override;
    void clearAbort() override;

private:
    using DataMode = FtpServerFacts::DataMode;
    struct Reply {
        int code = 0;
        QStringList lines;  // as received
        QString text;       // on one line, secrets masked: for messages and the trace
    };

    // Sends one command and reads its reply; a reply of another class than
    // `expectedClass` (1 to 5) throws with `what` and the reply.
    Reply command(const std::string& verb, const QString& arg, int expectedClass, const QString& what);
    Reply exchange(const std::string& verb, const QString& arg);
    Reply readReply();
    QString readLine();
    bool secureControl(const QString& host, const QString& where);
    void protectData();
    // The data connection of `verb` (sent here), connected, protected when
    // the data is, registered for abort().
    FtpDataChannel openDataChannel(const std::string& verb, const QString& name);
    Poco::Net::StreamSocket activeDataConnection(const std::string& verb, const QString& name);
    Poco::Net::StreamSocket passiveDataConnection(const std::string& verb, const QString& name);
    void startTransfer(const std::string& verb, const QString& name);
    // Throws FtpDataConnectionError; the next data connection tries the next kind.
    [[noreturn]] void dataConnectionFailed(const QString& message, int code = 0, const QString& reply = {});
    void dataModeWorked();
    void releaseData();
    // After a transfer failed: lets its data connection go, and the session
    // too unless the control connection is still in step (returned).
    bool transferFailed(const FtpError& e, bool started);
    std::optional<QString> listing();
    Poco::Net::StreamSocket connectSocket(const Poco::Net::SocketAddress& address, const QString& where,
                                          std::chrono::milliseconds timeout,
                                          std::unique_ptr<Poco::Net::StreamSocket>& shared);
    Poco::Net::StreamSocket connectControl(const QString& host, quint16 port);
    FtpTls::Wait handshakeWait(const Poco::Net::StreamSocket& plain, const QString& where);
    FtpDataChannel::Limits dataLimits() const;
    void notify(const QString& text);
    void remember();
    void throwIfAborted() const;
    bool aborted() const;
    // A name for a message: quoted, or "****" when it is a secret.
    QString shown(const QString& name) const;
    // A server's words with every secret that stands as a word of its own
    // (a folder of a path, a quoted name) replaced by "****".
    QString masked(QString text) const;
    void trace(const char* direction, const QString& line) const;
    [[noreturn]] void fail(const QString& message, int code = 0, const QString& reply = {});
    // Runs fn; a Poco failure drops the session and becomes an FtpError.
    template <class F>
    auto guarded(const QString& what, F&& fn) -> decltype(fn());
    void drop();

    Timeouts m_timeouts;
    const std::unique_ptr<FtpTls> m_tls;  // null: this build has no TLS
    std::unique_ptr<Poco::Net::DialogSocket> m_control;  // the calling thread's
    QStringList m_secrets;                // setSecrets() and the log-in password
    FtpSecurity m_security = FtpSecurity::Off;
    DataMode m_mode = DataMode::Active;
    bool m_fellBack = false;  // a data connection failed since setPassive()
    Notice m_notice;
    bool m_noTlsNoticeGiven = false;
    std::shared_ptr<FtpServerMemory> m_memory;
    QString m_host;
    quint16 m_port = 0;
    FtpServerFacts m_facts;  // of the server of the last open()
    FtpReplyReader m_reader;
    // Of the current session.
    bool m_protectData = false;

    // Shared with abort(): the plain connections it may shut down, and the abort flag.
    mutable std::mutex m_mutex;
    bool m_aborted = false;
    std::unique_ptr<Poco::Net::StreamSocket> m_controlSocket;
    std::unique_ptr<Poco::Net::StreamSocket> m_dataSocket;
    std::atomic_bool m_open{false};
};

}  // namespace dc
