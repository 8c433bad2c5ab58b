// FTP throughput: the backup engine (waits off, temporary copy included, and
// per file its round trips after the data: SIZE of the partial name, then
// RNFR/RNTO to the real name)
// against curl -T in active mode, both uploading to the same local pyftpdlib
// server in one run: one 1 GiB file, then 200 files of 1 MiB; the same again
// over TLS to a server that requires it, against lftp (Debian 12's curl
// cannot send over TLS to this server). The transfer alone: the engine's
// client uploading the existing 1 GiB file with the same verified upload, no
// temporary copy. Then the engine's peak resident memory while it uploads a
// 4 GiB (sparse) file.
#include "ftpbackup/BackupEngine.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClientFactory.h"
#include "ftpbackup/Pacing.h"
#include "ftpbackup/VerifiedUpload.h"
#include "support/FtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace {

QTextStream out(stdout);

const QString kUser = QStringLiteral("tienda");
const QString kPassword = QStringLiteral("clave");

[[noreturn]] void die(const QString& why)
{
    QTextStream(stderr) << "ftp_throughput: " << why << '\n';
    std::exit(1);
}

void writeRandomFile(const QString& path, qint64 size, quint32 seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot write ") + path);
    QRandomGenerator rng(seed);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < size;) {
        rng.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        const qint64 n = std::min<qint64>(block.size(), size - done);
        if (f.write(block.constData(), n) != n) die(QStringLiteral("cannot write ") + path);
        done += n;
    }
}

// Resident memory of this process, from /proc/self/status ("VmRSS", "VmHWM"), in KiB.
qint64 memoryKiB(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Forgets the peak so far: VmHWM restarts from the current resident size.
void resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

class Bench {
public:
    Bench(dc::test::FtpServer& server, bool tls) : m_server(server), m_tls(tls)
    {
        dc::BackupEngine::Parts parts;
        parts.client = dc::makeFtpClient({{}, dc::test::FtpServer::caFile(), {}});
        parts.pacing = std::make_shared<dc::Pacing>(0.0);
        parts.service = dc::ServiceAddress{QStringLiteral("127.0.0.1"), server.port()};
        parts.echoToStandardError = false;
        m_engine = std::make_unique<dc::BackupEngine>(std::move(parts));
    }

    // Seconds for one engine run over `rows`.
    double engine(const dc::BackupList& rows, int expectedFiles)
    {
        dc::BackupRequest request;
        request.rows = rows;
        request.user = kUser;
        request.password = kPassword;
        request.serverIndex = 0;
        request.security = m_tls ? dc::FtpSecurity::Required : dc::FtpSecurity::Off;
        QEventLoop loop;
        dc::BackupResult result;
        QObject::connect(m_engine.get(), &dc::BackupEngine::finished, &loop, [&](const dc::BackupResult& r) {
            result = r;
            loop.quit();
        });
        QElapsedTimer t;
        t.start();
        if (!m_engine->start(request)) die(QStringLiteral("the engine did not start"));
        loop.exec();
        const double seconds = t.nsecsElapsed() / 1e9;
        if (result.uploadedFiles.size() != expectedFiles || !result.failedFiles.isEmpty())
            die(QStringLiteral("the engine uploaded %1 of %2 files").arg(result.uploadedFiles.size()).arg(expectedFiles));
        return seconds;
    }

    // Seconds for the engine's client to log in, go to a folder of the shop
    // and upload `file` there with the verified upload (partial name, SIZE,
    // RNFR/RNTO), straight from the file: the transfer without the copy.
    double transferAlone(const QString& file, const QString& folder)
    {
        QDir().mkpath(m_server.path(kUser + QLatin1Char('/') + kPassword + QLatin1Char('/') + folder));
        std::unique_ptr<dc::FtpClient> client = dc::makeFtpClient({{}, dc::test::FtpServer::caFile(), {}});
        client->setSecurity(m_tls ? dc::FtpSecurity::Required : dc::FtpSecurity::Off);
        const dc::ServiceAccount& a = dc::backupServiceAccounts()[0];
        QFile source(file);
        QElapsedTimer t;
        t.start();
        try {
            client->open(QStringLiteral("127.0.0.1"), m_server.port(), a.user, a.password);
            for (const QString& f : {kUser, kPassword, folder}) client->enterFolder(f);
            client->setBinary();
            if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) die(QStringLiteral("cannot read ") + file);
            dc::uploadVerified(*client, source, source.size(), QFileInfo(file).fileName());
            client->close();
        } catch (const dc::FtpError& e) {
            die(QStringLiteral("the transfer alone failed: ") + e.text());
        }
        return t.nsecsElapsed() / 1e9;
    }

    // Seconds for one run of the reference client uploading `files` into a
    // folder of the server, in active mode, one connection: curl -T; over TLS
    // lftp (Debian 12's curl 7.88 sends no data over a protected data
    // connection to this server, active or passive: its 7.87/7.88 regression).
    double reference(const QStringList& files, const QString& folder)
    {
        const QString remote = kUser + QLatin1Char('/') + kPassword + QLatin1Char('/') + folder;
        QDir().mkpath(m_server.path(remote));
        const dc::ServiceAccount& a = dc::backupServiceAccounts()[0];
        QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("reference.cfg")));
        if (!script.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot write the reference's script"));
        QString program;
        QStringList args;
        if (m_tls) {
            script.write("set cmd:fail-exit true\nset net:max-retries 1\nset ftp:passive-mode off\n"
                         "set ftp:ssl-force true\nset ftp:ssl-protect-data true\n");
            script.write("set ssl:ca-file \"" + dc::test::FtpServer::caFile().toUtf8() + "\"\n");
            script.write(QStringLiteral("open -u '%1,%2' ftp://127.0.0.1:%3\ncd '%4'\n")
                             .arg(a.user, a.password)
                             .arg(m_server.port())
                             .arg(remote)
                             .toUtf8());
            for (const QString& f : files) script.write("put \"" + f.toUtf8() + "\"\n");
            program = QStringLiteral("lftp");
            args = {QStringLiteral("-f"), script.fileName()};
        } else {
            for (const QString& f : files) {
                script.write("upload-file = \"" + f.toUtf8() + "\"\n");
                script.write(QStringLiteral("url = \"ftp://127.0.0.1:%1/%2/\"\n").arg(m_server.port()).arg(remote).toUtf8());
            }
            program = QStringLiteral("curl");
            args = {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("-P"), QStringLiteral("-"),
                    QStringLiteral("--disable-eprt"), QStringLiteral("--user"), a.user + QLatin1Char(':') + a.password,
                    QStringLiteral("-K"), script.fileName()};
        }
        script.close();
        const int receivedBefore = m_server.count(QStringLiteral("RECEIVED "));
        const int protectedBefore = protectedUploads();
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            die(program + QStringLiteral(" failed: ") + QString::fromUtf8(p.readAllStandardError()));
        const double seconds = t.nsecsElapsed() / 1e9;
        const int received = m_server.count(QStringLiteral("RECEIVED ")) - receivedBefore;
        if (received != files.size() || (m_tls && protectedUploads() - protectedBefore != received))
            die(program + QStringLiteral(" did not upload every file") + (m_tls ? QStringLiteral(" over TLS") : QString()));
        return seconds;
    }

    int protectedUploads() const
    {
        int n = 0;
        for (const QString& line : m_server.log())
            if (line.startsWith(QStringLiteral("RECEIVED ")) && line.endsWith(QStringLiteral(" TLS"))) ++n;
        return n;
    }

    // Removes what the server received and lets the disk settle, so that
    // every measurement starts from the same state.
    void clearUploads()
    {
        QDir(m_server.path(kUser + QLatin1Char('/') + kPassword)).removeRecursively();
        mkShop();
        ::sync();
    }
    void mkShop() { QDir().mkpath(m_server.path(kUser + QLatin1Char('/') + kPassword)); }

private:
    dc::test::FtpServer& m_server;
    const bool m_tls;
    std::unique_ptr<dc::BackupEngine> m_engine;
};

struct Figures {
    double engineBig = 1e9, referenceBig = 1e9, engineBatch = 1e9, referenceBatch = 1e9, transferBig = 1e9;
};

// Three rounds, alternating, keeping the best of each.
Figures measure(Bench& bench, const QString& big, const QStringList& batchFiles, const dc::BackupRow& bigRow,
                const dc::BackupRow& batchRow)
{
    Figures f;
    bench.clearUploads();
    for (int round = 0; round < 3; ++round) {
        f.referenceBig = std::min(f.referenceBig, bench.reference({big}, QStringLiteral("curl")));
        bench.clearUploads();
        f.engineBig = std::min(f.engineBig, bench.engine({bigRow}, 1));
        bench.clearUploads();
        f.transferBig = std::min(f.transferBig, bench.transferAlone(big, QStringLiteral("solo")));
        bench.clearUploads();
        f.referenceBatch = std::min(f.referenceBatch, bench.reference(batchFiles, QStringLiteral("curl_lote")));
        bench.clearUploads();
        f.engineBatch = std::min(f.engineBatch, bench.engine({batchRow}, 200));
        bench.clearUploads();
    }
    return f;
}

void report(const char* what, const char* reference, double engine, double curl, qint64 bytes)
{
    const double mib = bytes / 1048576.0;
    out << QStringLiteral("%1  engine %2 s (%3 MiB/s)  %7 %4 s (%5 MiB/s)  engine/%7 %6\n")
               .arg(QLatin1String(what))
               .arg(engine, 0, 'f', 2)
               .arg(mib / engine, 0, 'f', 0)
               .arg(curl, 0, 'f', 2)
               .arg(mib / curl, 0, 'f', 0)
               .arg(engine / curl, 0, 'f', 2)
               .arg(QLatin1String(reference));
    out.flush();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid()) die(QStringLiteral("no temporary folder"));

    dc::test::FtpServer::Options options;
    for (const dc::ServiceAccount& a : dc::backupServiceAccounts()) options.accounts.append({a.user, a.password});
    dc::test::FtpServer server(options);
    Bench bench(server, false);
    bench.mkShop();
    options.tls = dc::test::FtpServer::Tls::Good;
    options.tlsRequired = true;
    dc::test::FtpServer tlsServer(options);
    Bench tlsBench(tlsServer, true);
    tlsBench.mkShop();

    out << "Preparing files...\n";
    out.flush();
    const QString big = work.filePath(QStringLiteral("uno_de_1GiB.bin"));
    writeRandomFile(big, qint64(1) << 30, 1);
    const QString batch = work.filePath(QStringLiteral("lote/"));
    QDir().mkpath(batch);
    QStringList batchFiles;
    for (int i = 0; i < 200; ++i) {
        batchFiles << batch + QStringLiteral("archivo_%1.bin").arg(i, 3, 10, QLatin1Char('0'));
        writeRandomFile(batchFiles.last(), 1 << 20, 100 + static_cast<quint32>(i));
    }

    dc::BackupRow bigRow;
    bigRow.ruta = big;
    bigRow.nombre = QStringLiteral("uno_de_1GiB.bin");
    bigRow.tipo = 1;
    dc::BackupRow batchRow;
    batchRow.ruta = batch;
    batchRow.nombre = QStringLiteral("lote");
    batchRow.tipo = 2;

    const Figures plain = measure(bench, big, batchFiles, bigRow, batchRow);
    const Figures tls = measure(tlsBench, big, batchFiles, bigRow, batchRow);
    out << "\nFTP upload to a local pyftpdlib server (best of 3; engine with its temporary copy, waits off,\n"
           "and per file SIZE of the partial name and RNFR/RNTO to the real name;\n"
           "curl -T in active mode with PORT, one connection; over TLS both protect the control and\n"
           "data connections, the engine required to, and lftp in active mode, one connection, in\n"
           "place of curl, which sends no data over TLS to this server in Debian 12 (7.88);\n"
           "\"transfer alone\": the engine's client with the same verified upload straight from the file, no copy):\n";
    report("1 file of 1 GiB            ", "curl", plain.engineBig, plain.referenceBig, qint64(1) << 30);
    report("  its transfer alone       ", "curl", plain.transferBig, plain.referenceBig, qint64(1) << 30);
    report("200 files of 1 MiB         ", "curl", plain.engineBatch, plain.referenceBatch, qint64(200) << 20);
    report("1 file of 1 GiB over TLS   ", "lftp", tls.engineBig, tls.referenceBig, qint64(1) << 30);
    report("  its transfer alone       ", "lftp", tls.transferBig, tls.referenceBig, qint64(1) << 30);
    report("200 files of 1 MiB over TLS", "lftp", tls.engineBatch, tls.referenceBatch, qint64(200) << 20);
    QFile::remove(big);

    // Peak memory while the engine uploads 4 GiB.
    const QString huge = work.filePath(QStringLiteral("cuatro_GiB.bin"));
    {
        QFile f(huge);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64(4) << 30)) die(QStringLiteral("cannot make the 4 GiB file"));
        f.write("INICIO");
    }
    dc::BackupRow hugeRow;
    hugeRow.ruta = huge;
    hugeRow.nombre = QStringLiteral("cuatro_GiB.bin");
    hugeRow.tipo = 1;
    const qint64 before = memoryKiB("VmRSS");
    resetPeakMemory();
    qint64 sampled = before;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] { sampled = std::max(sampled, memoryKiB("VmRSS")); });
    sampler.start(50);
    const double hugeSeconds = bench.engine({hugeRow}, 1);
    sampler.stop();
    const qint64 peak = memoryKiB("VmHWM");
    out << QStringLiteral("\n4 GiB sparse file: engine %1 s; resident memory %2 MiB before the upload, "
                          "peak %3 MiB during it (VmHWM; highest VmRSS sampled every 50 ms: %4 MiB)\n")
               .arg(hugeSeconds, 0, 'f', 2)
               .arg(before / 1024.0, 0, 'f', 1)
               .arg(peak / 1024.0, 0, 'f', 1)
               .arg(sampled / 1024.0, 0, 'f', 1);
    bench.clearUploads();
    return 0;
}
