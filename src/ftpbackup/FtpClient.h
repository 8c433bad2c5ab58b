#pragma once

#include "platform/Failure.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

namespace dc {

// A failed FTP operation. text() says what failed in words for the status
// line and always carries the server's reply when there was one;
// `replyCode()` is that reply's code, 0 when the server did not answer
// (connection refused, lost or timed out, a local error, a cancel).
class FtpError : public Failure {
public:
    explicit FtpError(const QString& text, int replyCode = 0, const QString& reply = {});
    int replyCode() const { return m_replyCode; }
    QString reply() const { return m_reply; }
    // The server answered and said no (4xx or 5xx).
    bool isNegativeReply() const { return m_replyCode >= 400; }

private:
    int m_replyCode;
    QString m_reply;
};

// The server refused the log-in for good (a 5xx reply to USER or PASS).
// Trying again with the same account only gets the address banned.
class FtpLoginRefused : public FtpError {
public:
    using FtpError::FtpError;
};

// The FTP operations of the backup engine. One client per engine, kept open
// from one file to the next. Every operation but isOpen(), close(),
// setSecrets() and abort() throws FtpError on failure. A name holding CR or LF
// is refused (FtpError) and never sent.
//
// Secrets: the log-in password and the texts given to setSecrets() never
// appear in an FtpError (its message or the server's reply carried in it) nor
// in the client's trace; "****" stands in their place.
class FtpClient {
public:
    virtual ~FtpClient() = default;

    // Data bytes sent so far in the current upload.
    using Progress = std::function<void(qint64 dataBytesSent)>;

    // Texts the client must never show: the shop's password is the name of a
    // remote folder, and servers echo folder names in their replies.
    virtual void setSecrets(const QStringList& secrets) = 0;

    // Connects (IPv4), reads the greeting and logs in. A 5xx reply to the
    // log-in throws FtpLoginRefused.
    virtual void open(const QString& host, quint16 port, const QString& user, const QString& password) = 0;
    // A local check; safe from any thread.
    virtual bool isOpen() const = 0;
    // QUIT when the session is healthy, then closes. Never throws.
    virtual void close() = 0;

    virtual void enterFolder(const QString& name) = 0;   // CWD
    virtual void leaveFolder() = 0;                      // CDUP
    virtual void makeFolder(const QString& name) = 0;    // MKD
    virtual void setBinary() = 0;                        // TYPE I
    virtual void remove(const QString& name) = 0;        // DELE
    // RNFR/RNTO, replacing a file named `to`. A server that will not rename
    // onto an existing name (5xx to RNTO) gets DELE `to` and RNFR/RNTO again;
    // when it refuses that DELE too, both files stay as they were.
    virtual void rename(const QString& from, const QString& to) = 0;

    // Stores what `source` holds, read from its current position to its end,
    // under `remoteName` (STOR, replacing a file of that name) and waits for
    // the server's completion reply. The caller opens `source` (so it decides
    // how: a file opened without following links, say). Returns the number of
    // data bytes sent; `progress` is called after every block.
    virtual qint64 upload(QIODevice& source, const QString& remoteName, const Progress& progress) = 0;
    // The size of a file of the current remote folder as the server tells it:
    // SIZE, else MLST, else the file's line in a LIST of the folder. A refusal
    // of one command is no error, the next one is asked; nullopt when none
    // of them told a size. A lost connection or a time-out throws.
    virtual std::optional<qint64> remoteSize(const QString& name) = 0;

    // Safe from any thread: the call under way fails at once (also while the
    // server stalls) and so does every later call, until clearAbort().
    virtual void abort() = 0;
    virtual void clearAbort() = 0;
};

// True when `name` can go into an FTP command line (no CR, no LF).
bool isSafeFtpArgument(const QString& name);

}  // namespace dc
