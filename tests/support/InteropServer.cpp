#include "support/InteropServer.h"

#include "support/FtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>

#include <crypt.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <stdexcept>

namespace dc::test {

namespace {

using Kind = InteropServer::Kind;
using DataConnections = InteropServer::DataConnections;

QString serversPrefix()
{
    const QString set = qEnvironmentVariable("KOVA_FTP_SERVERS");
    return set.isEmpty() ? QStringLiteral("/opt/kova-ftp-servers") : set;
}

// The server's program; empty when it is not installed.
QString binaryOf(Kind kind)
{
    if (kind == Kind::Vsftpd) return QFileInfo::exists(QStringLiteral("/usr/sbin/vsftpd")) ? QStringLiteral("/usr/sbin/vsftpd") : QString();
    const QString name = kind == Kind::Proftpd ? QStringLiteral("proftpd") : QStringLiteral("pure-ftpd");
    for (const QString& dir : {serversPrefix() + QStringLiteral("/usr/sbin"), QStringLiteral("/usr/sbin")})
        if (QFileInfo(dir + QLatin1Char('/') + name).isExecutable()) return dir + QLatin1Char('/') + name;
    return {};
}

// A file beside the server's program: "../lib/proftpd", "../bin/pure-pw".
QString besideBinary(const QString& binary, const QString& relative)
{
    return QDir::cleanPath(QFileInfo(binary).absolutePath() + QLatin1Char('/') + relative);
}

bool pamModuleInstalled(const QString& module)
{
    for (const QString& arch : QDir(QStringLiteral("/usr/lib")).entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs))
        if (QFileInfo::exists(QStringLiteral("/usr/lib/%1/security/%2").arg(arch, module))) return true;
    return false;
}

// The account the server's sessions act as: vsftpd's "ftp" (its virtual
// users must act as an account whose home exists); the others take it too
// when it is there, else "nobody".
const passwd* accountFor(Kind kind)
{
    if (const passwd* ftp = getpwnam("ftp")) return ftp;
    return kind == Kind::Vsftpd ? nullptr : getpwnam("nobody");
}

// SHA-512 crypt(3), which every server's password check reads.
QString passwordHash(const QString& password)
{
    static const char alphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QByteArray setting("$6$");
    for (int i = 0; i < 16; ++i) setting += alphabet[QRandomGenerator::global()->bounded(64)];
    setting += '$';
    crypt_data data{};
    const char* hash = crypt_r(password.toUtf8().constData(), setting.constData(), &data);
    if (!hash || hash[0] != '$') throw std::runtime_error("InteropServer: crypt() made no SHA-512 hash");
    return QString::fromLatin1(hash);
}

void writeText(const QString& path, const QString& text, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0)
        throw std::runtime_error("InteropServer: cannot write " + path.toStdString() + ": " + f.errorString().toStdString());
    f.setPermissions(permissions);
}

QString tail(const QString& path, qint64 bytes = 3000)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    if (f.size() > bytes) f.seek(f.size() - bytes);
    return QString::fromUtf8(f.readAll());
}

QString configurationFile(Kind kind)
{
    switch (kind) {
    case Kind::Vsftpd: return QStringLiteral("vsftpd.conf");
    case Kind::Proftpd: return QStringLiteral("proftpd.conf");
    case Kind::PureFtpd: return QStringLiteral("pure-ftpd.options");
    }
    return {};
}

}  // namespace

QString InteropServer::name(Kind kind)
{
    switch (kind) {
    case Kind::Vsftpd: return QStringLiteral("vsftpd");
    case Kind::Proftpd: return QStringLiteral("proftpd");
    case Kind::PureFtpd: return QStringLiteral("pure-ftpd");
    }
    return {};
}

QString InteropServer::unavailable(const Options& options)
{
    const QString server = name(options.kind);
    if (geteuid() != 0)
        return QStringLiteral("%1 needs root (it changes to its account and into its root folder); this test runs as "
                              "user %2")
            .arg(server)
            .arg(geteuid());
    const QString binary = binaryOf(options.kind);
    if (binary.isEmpty())
        return QStringLiteral("%1 is not installed (scripts/install-deps.sh interop installs it)").arg(server);
    switch (options.kind) {
    case Kind::Vsftpd:
        if (!accountFor(options.kind))
            return QStringLiteral("there is no \"ftp\" account for vsftpd's virtual users (vsftpd's package makes it)");
        if (!pamModuleInstalled(QStringLiteral("pam_pwdfile.so")))
            return QStringLiteral("pam_pwdfile, which checks vsftpd's virtual users, is not installed (libpam-pwdfile)");
        break;
    case Kind::Proftpd:
        if (options.tlsRequired && !QFileInfo::exists(besideBinary(binary, QStringLiteral("../lib/proftpd/mod_tls.so"))))
            return QStringLiteral("proftpd's TLS module is not installed (proftpd-mod-crypto)");
        break;
    case Kind::PureFtpd:
        if (options.data == DataConnections::PassiveOnly)
            return QStringLiteral("pure-ftpd has no option that refuses active data connections (PORT)");
        if (!QFileInfo(besideBinary(binary, QStringLiteral("../bin/pure-pw"))).isExecutable())
            return QStringLiteral("pure-pw, which makes pure-ftpd's accounts, is not installed");
        break;
    }
    return {};
}

InteropServer::InteropServer(const Options& options)
{
    const QString why = unavailable(options);
    if (!why.isEmpty()) throw std::runtime_error("InteropServer: " + why.toStdString());
    if (!m_dir.isValid()) throw std::runtime_error("InteropServer: no temporary folder");
    m_binary = binaryOf(options.kind);
    const passwd* account = accountFor(options.kind);
    m_uid = account->pw_uid;
    m_gid = account->pw_gid;
    const group* accountGroup = getgrgid(m_gid);
    // The sessions reach their root folder through this one.
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QDir().mkpath(root());
    plantFolder(QString());
    QDir().mkpath(m_dir.filePath(QStringLiteral("empty")));  // vsftpd's secure_chroot_dir

    QString users;
    for (const auto& [user, password] : options.accounts) {
        const QString hash = passwordHash(password);
        switch (options.kind) {
        case Kind::Vsftpd: users += QStringLiteral("%1:%2\n").arg(user, hash); break;
        case Kind::Proftpd:
            users += QStringLiteral("%1:%2:%3:%4::%5:/usr/sbin/nologin\n").arg(user, hash).arg(m_uid).arg(m_gid).arg(root());
            break;
        case Kind::PureFtpd:
            // The home's "/./" chroots the session there.
            users += QStringLiteral("%1:%2:%3:%4::%5/./::::::::::::\n").arg(user, hash).arg(m_uid).arg(m_gid).arg(root());
            break;
        }
    }
    if (options.kind == Kind::Vsftpd) {
        writeText(m_dir.filePath(QStringLiteral("passwd")), users);
        // PAM reads a service's rules from /etc/pam.d only: one file per
        // server, removed at its end; one whose test process is gone (killed)
        // is removed here.
        QDir pam(QStringLiteral("/etc/pam.d"));
        for (const QString& stale : pam.entryList({QStringLiteral("kova-interop-*")}, QDir::Files))
            if (!QFileInfo::exists(QStringLiteral("/proc/") + stale.section(QLatin1Char('-'), 2, 2))) pam.remove(stale);
        m_pamService = QStringLiteral("kova-interop-%1-%2").arg(getpid()).arg(QRandomGenerator::global()->generate());
        writeText(QStringLiteral("/etc/pam.d/") + m_pamService,
                  QStringLiteral("# A vsftpd of the KOVA interop tests (PID %1); removed when it ends.\n"
                                 "auth required pam_pwdfile.so pwdfile=%2\n"
                                 "account required pam_permit.so\n")
                      .arg(getpid())
                      .arg(m_dir.filePath(QStringLiteral("passwd"))),
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (options.kind == Kind::Proftpd) {
        writeText(m_dir.filePath(QStringLiteral("passwd")), users);
        writeText(m_dir.filePath(QStringLiteral("group")),
                  QStringLiteral("%1:x:%2:\n").arg(QString::fromLocal8Bit(accountGroup ? accountGroup->gr_name : "nogroup")).arg(m_gid));
    } else {
        writeText(m_dir.filePath(QStringLiteral("pureftpd.passwd")), users);
        QProcess mkdb;
        mkdb.setProcessChannelMode(QProcess::MergedChannels);
        mkdb.start(besideBinary(m_binary, QStringLiteral("../bin/pure-pw")),
                   {QStringLiteral("mkdb"), m_dir.filePath(QStringLiteral("pureftpd.pdb")), QStringLiteral("-f"),
                    m_dir.filePath(QStringLiteral("pureftpd.passwd"))});
        if (!mkdb.waitForFinished(10'000) || mkdb.exitCode() != 0)
            throw std::runtime_error("InteropServer: pure-pw mkdb failed: " + mkdb.readAll().toStdString());
    }

    // A free port can be taken between the look and the server's bind: a few tries.
    QString failure;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce(options, failure)) return;
    }
    stop();
    if (!m_pamService.isEmpty()) QFile::remove(QStringLiteral("/etc/pam.d/") + m_pamService);
    throw std::runtime_error("InteropServer: " + name(options.kind).toStdString() + " did not start: " + failure.toStdString());
}

InteropServer::~InteropServer()
{
    stop();
    if (!m_pamService.isEmpty()) QFile::remove(QStringLiteral("/etc/pam.d/") + m_pamService);
}

void InteropServer::writeConfiguration(const Options& options)
{
    const QString file = configurationFile(options.kind);
    QFile in(QStringLiteral(DC_SOURCE_DIR "/tests/interop/") + file);
    if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("InteropServer: cannot read tests/interop/" + file.toStdString());
    QStringList tags;
    if (options.tlsRequired) tags << QStringLiteral("tls");
    if (options.data == DataConnections::PassiveOnly) tags << QStringLiteral("passive-only");
    if (options.data == DataConnections::ActiveOnly) tags << QStringLiteral("active-only");
    const group* accountGroup = getgrgid(m_gid);
    const QList<QPair<QString, QString>> values = {
        {QStringLiteral("PORT"), QString::number(m_port)},
        {QStringLiteral("DIR"), m_dir.path()},
        {QStringLiteral("ROOT"), root()},
        {QStringLiteral("PASV_MIN"), QString::number(m_pasvFirst)},
        {QStringLiteral("PASV_MAX"), QString::number(m_pasvFirst + 99)},
        {QStringLiteral("ACCOUNT"), QString::fromLocal8Bit(getpwuid(m_uid)->pw_name)},
        {QStringLiteral("GROUP"), QString::fromLocal8Bit(accountGroup ? accountGroup->gr_name : "nogroup")},
        {QStringLiteral("PAM_SERVICE"), m_pamService},
        {QStringLiteral("MODULES"), besideBinary(m_binary, QStringLiteral("../lib/proftpd"))},
        {QStringLiteral("CERT"), options.tlsRequired ? FtpServer::certificateFile(FtpServer::Tls::Good) : QString()},
    };
    QString out;
    for (QString line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype end = line.indexOf(QLatin1Char(']'));
            if (end < 0 || !tags.contains(line.mid(1, end - 1))) continue;
            line = line.mid(end + 1).trimmed();
        }
        for (const auto& [key, value] : values) line.replace(QLatin1Char('@') + key + QLatin1Char('@'), value);
        out += line + QLatin1Char('\n');
    }
    // Written by root, as vsftpd wants its configuration when it runs as root.
    writeText(m_dir.filePath(file), out);
}

QStringList InteropServer::arguments(const Options& options) const
{
    const QString file = m_dir.filePath(configurationFile(options.kind));
    switch (options.kind) {
    case Kind::Vsftpd: return {file};
    case Kind::Proftpd: return {QStringLiteral("-n"), QStringLiteral("-c"), file};  // -n: in the foreground
    case Kind::PureFtpd: {
        // One option (and its value) a line; no value holds a blank.
        QFile f(file);
        QStringList args;
        if (!f.open(QIODevice::ReadOnly)) return args;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) continue;
            args << line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        }
        return args;
    }
    }
    return {};
}

bool InteropServer::startOnce(const Options& options, QString& why)
{
    stop();
    m_port = closedLoopbackPort();
    // Below Linux's ephemeral ports (32768 on), where the clients' own are.
    m_pasvFirst = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(120)) * 100;
    writeConfiguration(options);
    const QString out = m_dir.filePath(QStringLiteral("server.out"));
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(out, QIODevice::Append);
    // timeout(1) makes a process group of the server and its sessions, passes
    // a SIGTERM on to all of them, and ends them in 10 minutes at most; it
    // gets that SIGTERM itself when this test process dies.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral("/usr/bin/timeout"),
                    QStringList{QStringLiteral("--kill-after=5"), QStringLiteral("600"), m_binary} + arguments(options));
    if (!m_process.waitForStarted(10'000)) {
        why = QStringLiteral("timeout(1) did not start: ") + m_process.errorString();
        return false;
    }
    // Ready once it greets a connection.
    QDeadlineTimer deadline(15'000);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) break;
        try {
            Poco::Net::StreamSocket probe;
            probe.connect(Poco::Net::SocketAddress("127.0.0.1", m_port), Poco::Timespan(1, 0));
            probe.setReceiveTimeout(Poco::Timespan(3, 0));
            char greeting[4] = {};
            if (probe.receiveBytes(greeting, 3) == 3 && QByteArray(greeting, 3) == "220") return true;
        } catch (const Poco::Exception&) {
            // Not listening yet.
        }
        m_process.waitForFinished(50);
    }
    why = QStringLiteral("no greeting on port %1; it said:\n%2").arg(m_port).arg(QString::fromStdString(log()));
    return false;
}

void InteropServer::stop()
{
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();  // SIGTERM to timeout(1), which passes it on
    if (m_process.waitForFinished(10'000)) return;
    // The process group timeout(1) made: this server and its sessions, all started here.
    ::kill(-static_cast<pid_t>(m_process.processId()), SIGKILL);
    m_process.waitForFinished(5'000);
}

QString InteropServer::root() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

QString InteropServer::path(const QString& relative) const
{
    return root() + QLatin1Char('/') + relative;
}

void InteropServer::plantFolder(const QString& relative) const
{
    QString current = root();
    ::chown(QFile::encodeName(current).constData(), m_uid, m_gid);
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        QDir().mkdir(current);
        ::chown(QFile::encodeName(current).constData(), m_uid, m_gid);
    }
}

void InteropServer::plantFile(const QString& relative, const QByteArray& data) const
{
    plantFolder(relative.section(QLatin1Char('/'), 0, -2));
    QFile f(path(relative));
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        throw std::runtime_error("InteropServer: cannot write " + relative.toStdString());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    ::chown(QFile::encodeName(path(relative)).constData(), m_uid, m_gid);
}

std::string InteropServer::log() const
{
    QString text;
    for (const char* file : {"server.out", "server.log", "commands.log", "tls.log"}) {
        const QString t = tail(m_dir.filePath(QLatin1String(file)));
        if (!t.isEmpty()) text += QStringLiteral("--- %1 (end)\n%2\n").arg(QLatin1String(file), t);
    }
    return text.toStdString();
}

}  // namespace dc::test
