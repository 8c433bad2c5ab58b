#pragma once

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace dc::test {

// A real FTP server (pyftpdlib, tests/support/ftp_server.py) on a free
// loopback port, started here and stopped by the destructor. Every account
// shares one home folder, root(). `fault` picks how the handler misbehaves
// (several, comma-separated):
//   close-data-early    closes the data connection after faultBytes, answers 226
//   truncate-stored     answers 226 but keeps one byte less
//   stall-data          stops reading the data connection
//   pause-data          stops reading the data connection for faultBytes milliseconds
//   drop-after-upload   closes the control connection once it has answered RNTO
//   no-size, size-550   answers 502, or 550 naming the file, to SIZE
//   no-mlst, no-list    answers 502 to MLST, to LIST
//   no-epsv             answers 502 to EPSV (PASV works)
//   rnto-no-replace     answers 550 to RNTO onto an existing file
//   no-overwrite        answers 550 to STOR and RNTO onto an existing file
//   no-rename           answers 550 to every RNTO
//   long-reply          answers CWD with a multi-line reply of 2 MB that never ends
//   epsv-malformed      answers EPSV with a 229 reply without a port
//   port-from-other-address  answers PORT 200, and the data connection comes
//                       from 127.0.0.2, which logs "STRANGER RECEIVED n" for what it is sent
//   cwd-busy            answers 450 naming the folder to CWD into a folder two
//                       levels down (the shop's password folder)
//   no-data-connection  never opens the data connection
//   refuse-port         answers 425 to PORT and EPRT (passive mode works)
//   stall-replies       never answers CWD
// faultCount limits a fault to its first N hits (uploads, RNTOs, CWDs; -1: all).
//
// A test program run with DC_TEST_FTP_TLS=1 (overTls()) gets servers that
// require TLS unless a test asks otherwise: its cases then hold over TLS too.
class FtpServer {
public:
    // The server's certificate: signed by the test CA for 127.0.0.1 and
    // localhost, signed by that CA for another host name, signed by itself.
    enum class Tls { None, Good, WrongHost, SelfSigned };

    struct Options {
        QList<QPair<QString, QString>> accounts;  // user, password
        QString fault;
        int faultCount = -1;
        qint64 faultBytes = 1000;
        Tls tls = overTls() ? Tls::Good : Tls::None;
        bool tlsRequired = overTls();  // no log-in and no data connection without TLS
        bool capture = false;          // record what clients send on the control connection (captured())
    };

    explicit FtpServer(const Options& options);  // throws std::runtime_error when it cannot start
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    quint16 port() const { return m_port; }
    QString root() const;                        // the accounts' home folder
    QString path(const QString& relative) const; // a path below root()
    // What reached the server so far: one line per command ("PASS ****"),
    // "CONNECT" per connection, "RECEIVED <path> <size>" per complete upload.
    QStringList log() const;
    int count(const QString& linePrefix) const;  // log lines starting with it
    // Every byte the clients sent on their control connections, as they travelled.
    QByteArray captured() const;

    static bool overTls();
    // Whether this build's programs speak TLS. One without a TLS library
    // refuses a service that must be secure (noTlsRefusal()) and goes in clear
    // where TLS is taken when offered, telling so once. inClearNotice(): what a
    // client says when it goes in clear to this server under "when offered".
    static bool programsHaveTls();
    QString noTlsRefusal() const;
    QString inClearNotice() const;
    // The test CA that the servers' certificates are signed with (made with
    // the first server that offers TLS): the tests' clients trust it besides
    // the system's store.
    static QString caFile();
    // The PEM file (certificate, then its key) of a certificate of that kind,
    // made with the test CA (both made when missing), for servers of other
    // makes that the tests start. Throws std::runtime_error when it cannot be made.
    static QString certificateFile(Tls tls);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

// A loopback port where nothing listens.
quint16 closedLoopbackPort();

}  // namespace dc::test
