#pragma once

#include "ftpbackup/FtpClient.h"
#include "ftpbackup/FtpTls.h"

#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace Poco::Net {
class ServerSocket;
class SocketAddress;
class StreamSocket;
}

namespace dc {

// The control connection's traffic (commands and replies; secrets are masked).
Q_DECLARE_LOGGING_CATEGORY(lcFtp)

// The size that a LIST line gives for the file `name` ("ls -l" or DOS form);
// nullopt when no plain file of that name is listed with a size.
std::optional<qint64> sizeInListing(const QString& listing, const QString& name);

// FtpClient over Poco's FTPClientSession: active mode with PORT (passive with
// EPSV or PASV once the server cannot open a data connection), IPv4, 64 KiB
// blocks written straight to the data socket, TLS through the build's FtpTls.
// Made by makeFtpClient().
//
// Threads: one thread makes the calls; abort() and isOpen() may come from any
// other. abort() shuts the connections down under the sockets (never Poco's
// abort(), never close() from the other thread, never touching a TLS session),
// so a call blocked on a stalled server fails at once.
// After a time-out, a lost connection, an abort or a failed upload the session
// is dropped (the control connection is out of step); isOpen() is then false.
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
    void rename(const QString& from, const QString& to) override;
    qint64 upload(QIODevice& source, const QString& remoteName, const Progress& progress) override;
    std::optional<qint64> remoteSize(const QString& name) override;
    void abort() override;
    void clearAbort() override;

private:
    class Session;
    friend class Session;

    struct Reply {
        int code = 0;
        QString text;   // on one line
        QString lines;  // as received, lines separated by LF
    };

    // Sends one command and reads its reply; a reply of another class than
    // `expectedClass` (1 to 5) throws with `what` and the reply.
    Reply command(const std::string& verb, const QString& arg, int expectedClass, const QString& what);
    Reply exchange(const std::string& verb, const QString& arg);
    Reply readReply();
    // AUTH TLS and the handshake, as the security asks; false when the
    // connection stays plain.
    bool secureControl(const QString& host, const QString& where);
    // PBSZ 0 and PROT P after the log-in on a protected control connection.
    void protectData();
    // The data connection of `verb` (sent here): connected, not blocking,
    // protected when the data is; registered for abort().
    Poco::Net::StreamSocket openDataConnection(const std::string& verb, const std::string& arg);
    Poco::Net::StreamSocket activeDataConnection(const std::string& verb, const QString& name);
    Poco::Net::StreamSocket passiveDataConnection(const std::string& verb, const QString& name);
    // Sends the transfer command and takes its preliminary reply.
    void startTransfer(const std::string& verb, const QString& name);
    // Throws FtpDataConnectionError; in active mode the client goes passive.
    [[noreturn]] void dataConnectionFailed(const QString& message, int code = 0, const QString& reply = {});
    // Closes the data connection in order (a protected one says so first).
    void closeData(Poco::Net::StreamSocket& plain, Poco::Net::StreamSocket& data, const QString& what);
    // The LIST of the current folder; nullopt when the server refuses it.
    std::optional<QString> listing();
    // Connects without blocking for longer than `timeout`, the socket kept in
    // `shared` so that abort() can reach it.
    Poco::Net::StreamSocket connectSocket(const Poco::Net::SocketAddress& address, const QString& where,
                                          std::chrono::milliseconds timeout,
                                          std::unique_ptr<Poco::Net::StreamSocket>& shared);
    Poco::Net::StreamSocket connectControl(const QString& host, quint16 port);
    // The wait between the steps of a TLS handshake on `plain`, within the reply time-out.
    FtpTls::Wait handshakeWait(const Poco::Net::StreamSocket& plain, const QString& where);
    void sendBlock(Poco::Net::StreamSocket& data, const char* bytes, int length);
    // Received bytes; -1 when there is nothing to read yet.
    int receiveSome(Poco::Net::StreamSocket& data, char* bytes, int length, const QString& what);
    void notify(const QString& text);
    void throwIfAborted() const;
    bool aborted() const;
    // `text` with every secret replaced by "****".
    QString masked(QString text) const;
    void trace(const char* direction, const QString& line) const;
    [[noreturn]] void fail(const QString& message, int code = 0, const QString& reply = {});
    // Runs fn; a Poco failure drops the session and becomes an FtpError.
    template <class F>
    auto guarded(const QString& what, F&& fn) -> decltype(fn());
    void drop();

    Timeouts m_timeouts;
    const std::unique_ptr<FtpTls> m_tls;  // null: this build has no TLS
    std::unique_ptr<Session> m_session;   // the calling thread's
    QStringList m_secrets;                // setSecrets() and the log-in password
    QString m_loginPassword;
    FtpSecurity m_security = FtpSecurity::Off;
    bool m_passive = false;
    Notice m_notice;
    std::shared_ptr<FtpServerMemory> m_memory;
    bool m_noTlsNoticeGiven = false;
    // Of the current session.
    bool m_protectData = false;
    bool m_epsvRefused = false;
    std::unique_ptr<Poco::Net::StreamSocket> m_dataIo;  // the data connection as read and written (TLS or not)

    // Shared with abort(): the plain connections it may shut down, and the abort flag.
    mutable std::mutex m_mutex;
    bool m_aborted = false;
    std::unique_ptr<Poco::Net::StreamSocket> m_controlSocket;
    std::unique_ptr<Poco::Net::StreamSocket> m_dataSocket;
    std::atomic_bool m_open{false};
};

}  // namespace dc
