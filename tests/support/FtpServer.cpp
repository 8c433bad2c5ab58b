#include "support/FtpServer.h"

#include "ftpbackup/FtpClient.h"
#include "ftpbackup/FtpTls.h"
#include "platform/FileNames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>

#include <stdexcept>

namespace dc::test {

namespace {

// Under Wine the server is the host's Python, started by its host path and
// given host paths (hostPath()).
const QString kPython = QStringLiteral("/usr/bin/python3");

// One folder per test program for the test CA and the certificates.
const QTemporaryDir& certificates()
{
    static const QTemporaryDir dir;
    return dir;
}

}  // namespace

bool FtpServer::overTls()
{
    return qEnvironmentVariableIntValue("DC_TEST_FTP_TLS") == 1;
}

bool FtpServer::programsHaveTls()
{
    return makeFtpTls({}) != nullptr;
}

QString FtpServer::noTlsRefusal() const
{
    return QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS) y la conexión con "
                          "127.0.0.1:%1 debe ser segura: no se conectó")
        .arg(m_port);
}

QString FtpServer::inClearNotice() const
{
    const QString where = QStringLiteral("127.0.0.1:%1").arg(m_port);
    if (programsHaveTls()) return clearTextNotice(where);
    return QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS): la conexión con ") + where
           + QStringLiteral(" va sin cifrar");
}

QString FtpServer::caFile()
{
    return certificates().filePath(QStringLiteral("ca.pem"));
}

QString FtpServer::certificateFile(Tls tls)
{
    const char* modes[] = {"", "good", "wrong-host", "self-signed"};
    QProcess p;
    p.start(kPython, {QStringLiteral(DC_SOURCE_DIR "/tests/support/ftp_server.py"), QStringLiteral("--make-certificate"),
                      QStringLiteral("--tls"), QLatin1String(modes[static_cast<int>(tls)]), QStringLiteral("--certs"),
                      hostPath(certificates().path())});
    if (!p.waitForFinished(30'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("FtpServer: the certificate was not made: " + p.readAllStandardError().toStdString());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QByteArray FtpServer::captured() const
{
    QFile f(m_dir.filePath(QStringLiteral("capture.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

FtpServer::FtpServer(const Options& options)
{
    if (!m_dir.isValid()) throw std::runtime_error("FtpServer: no temporary folder");
    QDir().mkpath(root());
    // It tells its port in a file and ends when that file is removed: no pipe
    // or signal reaches a host program that Wine started. DC_SOURCE_DIR is a
    // host path already.
    const QString portFile = m_dir.filePath(QStringLiteral("port"));
    const QString errFile = m_dir.filePath(QStringLiteral("server.err"));
    QStringList args{QStringLiteral(DC_SOURCE_DIR "/tests/support/ftp_server.py"),
                     QStringLiteral("--root"), hostPath(root()),
                     QStringLiteral("--log"), hostPath(m_dir.filePath(QStringLiteral("commands.log"))),
                     QStringLiteral("--port-file"), hostPath(portFile),
                     QStringLiteral("--stderr"), hostPath(errFile)};
    for (const auto& a : options.accounts) args << QStringLiteral("--account") << a.first << a.second;
    if (!options.fault.isEmpty())
        args << QStringLiteral("--fault") << options.fault << QStringLiteral("--fault-count")
             << QString::number(options.faultCount) << QStringLiteral("--fault-bytes")
             << QString::number(options.faultBytes);
    if (options.tls != Tls::None) {
        const char* modes[] = {"", "good", "wrong-host", "self-signed"};
        args << QStringLiteral("--tls") << QLatin1String(modes[static_cast<int>(options.tls)]) << QStringLiteral("--certs")
             << hostPath(certificates().path());
        if (options.tlsRequired) args << QStringLiteral("--tls-required");
    }
    if (options.capture) args << QStringLiteral("--capture") << hostPath(m_dir.filePath(QStringLiteral("capture.bin")));
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.start(kPython, args);
    if (!m_process.waitForStarted(10'000))
        throw std::runtime_error("FtpServer: /usr/bin/python3 did not start: " + m_process.errorString().toStdString());
    // No signal tells when a file appears: look every 20 ms.
    QDeadlineTimer deadline(15'000);
    QFile port(portFile);
    while (!port.open(QIODevice::ReadOnly)) {
        if (deadline.hasExpired()) {
            QFile err(errFile);
            err.open(QIODevice::ReadOnly);
            throw std::runtime_error("FtpServer: the server did not start: " + err.readAll().toStdString());
        }
        QThread::msleep(20);
    }
    const QString line = QString::fromUtf8(port.readLine()).trimmed();
    if (!line.startsWith(QStringLiteral("PORT ")))
        throw std::runtime_error("FtpServer: unexpected first line: " + line.toStdString());
    m_port = static_cast<quint16>(line.mid(5).toUInt());
}

FtpServer::~FtpServer()
{
    QFile::remove(m_dir.filePath(QStringLiteral("port")));  // it ends within half a second
    if (m_process.waitForFinished(5'000)) return;
    m_process.kill();
    m_process.waitForFinished(5'000);
}

QString FtpServer::root() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

QString FtpServer::path(const QString& relative) const
{
    return root() + QLatin1Char('/') + relative;
}

QStringList FtpServer::log() const
{
    QFile f(m_dir.filePath(QStringLiteral("commands.log")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int FtpServer::count(const QString& linePrefix) const
{
    int n = 0;
    for (const QString& line : log())
        if (line.startsWith(linePrefix)) ++n;
    return n;
}

quint16 closedLoopbackPort()
{
    Poco::Net::ServerSocket probe(Poco::Net::SocketAddress("127.0.0.1", 0));
    const quint16 port = probe.address().port();
    probe.close();
    return port;
}

}  // namespace dc::test
