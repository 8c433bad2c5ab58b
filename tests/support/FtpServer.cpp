#include "support/FtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>

#include <stdexcept>

namespace dc::test {

namespace {

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

QString FtpServer::caFile()
{
    return certificates().filePath(QStringLiteral("ca.pem"));
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
    QStringList args{QStringLiteral(DC_SOURCE_DIR "/tests/support/ftp_server.py"), QStringLiteral("--root"), root(),
                     QStringLiteral("--log"), m_dir.filePath(QStringLiteral("commands.log"))};
    for (const auto& a : options.accounts) args << QStringLiteral("--account") << a.first << a.second;
    if (!options.fault.isEmpty())
        args << QStringLiteral("--fault") << options.fault << QStringLiteral("--fault-count")
             << QString::number(options.faultCount) << QStringLiteral("--fault-bytes")
             << QString::number(options.faultBytes);
    if (options.tls != Tls::None) {
        const char* modes[] = {"", "good", "wrong-host", "self-signed"};
        args << QStringLiteral("--tls") << QLatin1String(modes[static_cast<int>(options.tls)]) << QStringLiteral("--certs")
             << certificates().path();
        if (options.tlsRequired) args << QStringLiteral("--tls-required");
    }
    if (options.capture) args << QStringLiteral("--capture") << m_dir.filePath(QStringLiteral("capture.bin"));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.err")));
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(10'000))
        throw std::runtime_error("FtpServer: /usr/bin/python3 did not start: " + m_process.errorString().toStdString());
    QDeadlineTimer deadline(15'000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
            QFile err(m_dir.filePath(QStringLiteral("server.err")));
            err.open(QIODevice::ReadOnly);
            throw std::runtime_error("FtpServer: the server did not start: " + err.readAll().toStdString());
        }
        m_process.waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    if (!line.startsWith(QStringLiteral("PORT ")))
        throw std::runtime_error("FtpServer: unexpected first line: " + line.toStdString());
    m_port = static_cast<quint16>(line.mid(5).toUInt());
}

FtpServer::~FtpServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5'000)) {
        m_process.kill();
        m_process.waitForFinished(5'000);
    }
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
