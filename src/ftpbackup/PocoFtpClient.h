#pragma once

#include "ftpbackup/FtpClient.h"

#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace Poco::Net {
class ServerSocket;
class StreamSocket;
}

namespace dc {

// The control connection's traffic (commands and replies; secrets are masked).
Q_DECLARE_LOGGING_CATEGORY(lcFtp)

// The size that a LIST line gives for the file `name` ("ls -l" or DOS form);
// nullopt when no plain file of that name is listed with a size.
std::optional<qint64> sizeInListing(const QString& listing, const QString& name);

// FtpClient over Poco's FTPClientSession: active mode with PORT, IPv4,
// 64 KiB blocks written straight to the data socket.
//
// Threads: one thread makes the calls; abort() and isOpen() may come from any
// other. abort() shuts the sockets down (never Poco's abort(), never close()
// from the other thread), so a call blocked on a stalled server fails at once.
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

    PocoFtpClient();
    explicit PocoFtpClient(const Timeouts& timeouts);
    ~PocoFtpClient() override;

    void setSecrets(const QStringList& secrets) override;
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
    Poco::Net::StreamSocket openDataConnection(const std::string& verb, const std::string& arg);
    // The LIST of the current folder; nullopt when the server refuses it.
    std::optional<QString> listing();
    Poco::Net::StreamSocket connectControl(const QString& host, quint16 port);
    void sendBlock(Poco::Net::StreamSocket& data, const char* bytes, int length);
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
    std::unique_ptr<Session> m_session;   // the calling thread's
    QStringList m_secrets;                // setSecrets() and the log-in password
    QString m_loginPassword;

    // Shared with abort(): the sockets it may shut down, and the abort flag.
    mutable std::mutex m_mutex;
    bool m_aborted = false;
    std::unique_ptr<Poco::Net::StreamSocket> m_controlSocket;
    std::unique_ptr<Poco::Net::StreamSocket> m_dataSocket;
    std::atomic_bool m_open{false};
};

}  // namespace dc
