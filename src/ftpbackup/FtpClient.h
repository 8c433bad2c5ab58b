#pragma once

#include "platform/Failure.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
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

// The log-in cannot go on, and trying again would not change that: the
// server refused the account (a 5xx reply to USER or PASS; trying again only
// gets the address banned), or the connection cannot be protected as asked
// (a certificate that does not verify, TLS required where the server or this
// build has none). Nothing of the account was sent in the second case.
class FtpLoginRefused : public FtpError {
public:
    using FtpError::FtpError;
};

// The connection cannot be protected as asked: the server's certificate does
// not verify (not trusted, another name, expired), TLS is required and the
// server or this build has none, or a server that offered TLS before does not
// offer it now. Nothing of the account was sent.
class FtpSecurityRefused : public FtpLoginRefused {
public:
    using FtpLoginRefused::FtpLoginRefused;
};

// No data connection could be made: the server refused PORT, EPSV or PASV,
// answered 425 or 426 to the transfer command, or did not open the
// connection within the wait (active mode), or it could not be reached at
// the port it gave (passive mode).
class FtpDataConnectionError : public FtpError {
public:
    using FtpError::FtpError;
};

// The server does not let a file be put under its name, and another attempt
// would meet the same refusal: it refuses to rename (or to rename onto an
// existing file), or a folder holds the name. The text says which and where
// the whole copy stays.
class FtpCannotReplace : public FtpError {
public:
    using FtpError::FtpError;
};

// How a service's connection is protected (the stored values 0, 1 and 2).
enum class FtpSecurity {
    Off = 0,          // plain FTP
    WhenOffered = 1,  // TLS when the server accepts AUTH TLS, else plain FTP
    Required = 2,     // TLS, or no log-in at all
};
// "0", "1" or "2" (blanks around allowed); nullopt for anything else.
std::optional<FtpSecurity> parseFtpSecurity(const QString& stored);

// What the status line shows once when a run goes over to passive mode.
inline const QString kPassiveModeNotice = QStringLiteral("Modo pasivo: el servidor no pudo abrir la conexión de datos");
// What the user is told when TLS is taken when offered and the server
// `where` (host:port) does not offer it.
inline QString clearTextNotice(const QString& where)
{
    return QStringLiteral("El servidor ") + where + QStringLiteral(" no ofrece conexión segura (TLS): la conexión va sin cifrar");
}

// What a client learned of a server (by host and port) in earlier runs, so
// that a later run does not learn it again: the kind of data connection that
// last worked, and whether the server ever accepted AUTH TLS (such a server
// is never again talked to in clear while the setting asks for TLS when
// offered).
struct FtpServerFacts {
    enum class DataMode { Unknown, Active, Epsv, Pasv };
    DataMode mode = DataMode::Unknown;
    bool offeredTls = false;
    bool operator==(const FtpServerFacts&) const = default;
};

// Where those facts are kept. Both calls are made on the client's thread and
// never throw (a memory that cannot be read knows nothing; one that cannot be
// written forgets).
class FtpServerMemory {
public:
    virtual ~FtpServerMemory() = default;
    virtual FtpServerFacts recall(const QString& host, quint16 port) const = 0;
    virtual void remember(const QString& host, quint16 port, const FtpServerFacts& facts) = 0;
};

// The FTP operations of the backup engine. One client per engine, kept open
// from one file to the next. Every operation but isOpen(), close(), the
// setters and abort() throws FtpError on failure. A name holding CR or LF
// is refused (FtpError) and never sent.
//
// Data connections are active (PORT) until the server cannot open one
// (FtpDataConnectionError): the operation fails, and from then on the client
// is passive (EPSV, else PASV) until setPassive(false); the notice handler
// hears kPassiveModeNotice when that happens.
//
// With TLS (setSecurity) the control connection is protected before the
// log-in (AUTH TLS) and the data connections after it (PBSZ 0, PROT P); the
// server's certificate must verify against the system's trust store and the
// host name, else open() throws FtpLoginRefused before the account is sent.
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

    // Takes effect at the next open(); Off at first.
    virtual void setSecurity(FtpSecurity security) = 0;
    // Takes effect at the next data connection; active at first.
    virtual void setPassive(bool passive) = 0;
    virtual bool isPassive() const = 0;
    // What the user should be told that is no failure (passive mode, a
    // connection that goes unprotected because this build has no TLS).
    // Called on the thread that makes the calls.
    using Notice = std::function<void(const QString& text)>;
    virtual void setNoticeHandler(Notice notice) = 0;
    // What the client knows of servers from earlier runs; none at first
    // (every run then starts active, and learns).
    virtual void setServerMemory(std::shared_ptr<FtpServerMemory> memory) = 0;

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
    // DELE that takes "no such file" (a 550 or 450 reply) for an answer:
    // false then. Other refusals and failures throw.
    virtual bool removeIfPresent(const QString& name) = 0;
    // RNFR/RNTO. Whether the server replaces a file named `to` is the
    // server's choice (some refuse): a refusal throws, and nothing is deleted.
    virtual void rename(const QString& from, const QString& to) = 0;
    // True when `name` is a folder of the current remote folder (CWD into it
    // works; the client then comes back with CDUP).
    virtual bool isFolder(const QString& name) = 0;

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
