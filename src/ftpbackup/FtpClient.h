#pragma once

#include <QIODevice>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>

namespace dc {

// A failed FTP operation. `message()` says what failed in words for the
// status line and always carries the server's reply when there was one;
// `replyCode()` is that reply's code, 0 when the server did not answer
// (connection refused, lost or timed out, a local error, a cancel).
class FtpError : public std::runtime_error {
public:
    explicit FtpError(const QString& message, int replyCode = 0, const QString& reply = {});
    QString message() const { return m_message; }
    int replyCode() const { return m_replyCode; }
    QString reply() const { return m_reply; }
    // The server answered and said no (4xx or 5xx).
    bool isNegativeReply() const { return m_replyCode >= 400; }

private:
    QString m_message;
    int m_replyCode;
    QString m_reply;
};

// The FTP operations of the backup engine. One client per engine, kept open
// from one file to the next. Every operation but isOpen(), close() and
// abort() throws FtpError on failure. A name holding CR or LF is refused
// (FtpError) and never sent.
class FtpClient {
public:
    virtual ~FtpClient() = default;

    // Data bytes sent so far in the current upload.
    using Progress = std::function<void(qint64 dataBytesSent)>;

    // Connects (IPv4), reads the greeting and logs in.
    virtual void open(const QString& host, quint16 port, const QString& user, const QString& password) = 0;
    // A local check; safe from any thread.
    virtual bool isOpen() const = 0;
    // QUIT when the session is healthy, then closes. Never throws.
    virtual void close() = 0;

    virtual void enterFolder(const QString& name) = 0;   // CWD
    virtual void leaveFolder() = 0;                      // CDUP
    virtual void makeFolder(const QString& name) = 0;    // MKD
    virtual void setBinary() = 0;                        // TYPE I

    // Stores what `source` holds, read from its current position to its end,
    // under `remoteName` (STOR, replacing a file of that name) and waits for
    // the server's completion reply. The caller opens `source` (so it decides
    // how: a file opened without following links, say). Returns the number of
    // data bytes sent; `progress` is called after every block.
    virtual qint64 upload(QIODevice& source, const QString& remoteName, const Progress& progress) = 0;
    // SIZE of a remote file; nullopt when the server does not offer the command.
    virtual std::optional<qint64> remoteSize(const QString& name) = 0;

    // Safe from any thread: the call under way fails at once (also while the
    // server stalls) and so does every later call, until clearAbort().
    virtual void abort() = 0;
    virtual void clearAbort() = 0;
};

// True when `name` can go into an FTP command line (no CR, no LF).
bool isSafeFtpArgument(const QString& name);

}  // namespace dc
