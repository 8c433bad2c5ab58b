#pragma once

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace dc::test {

// One of Debian's FTP servers, started by the test in the foreground on a
// free loopback port with its configuration of tests/interop (the file names
// the server; a line starting with "[tag] " counts only when the server runs
// that way, @NAME@ stands for a value of this run), a root folder of its own
// that every account shares, and virtual accounts (no system user is added):
//   vsftpd     its accounts checked by PAM (pam_pwdfile) against a password
//              file of the run, acting as the "ftp" account of its package
//   proftpd    AuthUserFile; its defaults kept (AllowOverwrite off)
//   pure-ftpd  a PureDB made with pure-pw
// proftpd and pure-ftpd are looked for in $KOVA_FTP_SERVERS (default
// /opt/kova-ftp-servers, where scripts/install-deps.sh interop unpacks them),
// then in /usr/sbin. The server runs under timeout(1): it ends with its
// sessions when this object ends it by that PID, when the test process dies,
// and in 10 minutes at most whatever happens.
class InteropServer {
public:
    enum class Kind { Vsftpd, Proftpd, PureFtpd };
    enum class DataConnections { Both, PassiveOnly, ActiveOnly };

    struct Options {
        Kind kind = Kind::Vsftpd;
        DataConnections data = DataConnections::Both;
        bool tlsRequired = false;  // no log-in and no data connection without TLS (certificate of the test CA)
        QList<QPair<QString, QString>> accounts;  // user, password
    };

    static QString name(Kind kind);
    // Why the server cannot run so here (not installed, not root, a way of
    // running it that it has no option for); empty when it can.
    static QString unavailable(const Options& options);

    explicit InteropServer(const Options& options);  // throws std::runtime_error when it cannot start
    ~InteropServer();
    InteropServer(const InteropServer&) = delete;
    InteropServer& operator=(const InteropServer&) = delete;

    quint16 port() const { return m_port; }
    QString root() const;
    QString path(const QString& relative) const;  // below root()
    // A folder, or a file with its folders, below root(), owned by the account
    // the server writes as (as the server would have left them).
    void plantFolder(const QString& relative) const;
    void plantFile(const QString& relative, const QByteArray& data) const;
    // The end of what the server logged, for failure messages.
    std::string log() const;

private:
    void writeConfiguration(const Options& options);
    QStringList arguments(const Options& options) const;
    bool startOnce(const Options& options, QString& why);
    void stop();

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_binary;
    QString m_pamService;  // vsftpd: its file in /etc/pam.d, removed at the end
    quint16 m_port = 0;
    int m_pasvFirst = 0;
    uint m_uid = 0;
    uint m_gid = 0;
};

}  // namespace dc::test
