// FTP throughput: the backup engine (waits off, temporary copy included, and
// per file its round trips after the data: SIZE of the partial name, then
// RNFR/RNTO to the real name)
// against curl -T in active mode, both uploading to the same local pyftpdlib
// server in one run: one 1 GiB file, then 200 files of 1 MiB. Then the
// engine's peak resident memory while it uploads a 4 GiB (sparse) file.
#include "ftpbackup/BackupEngine.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/Pacing.h"
#include "support/FtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
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
    explicit Bench(dc::test::FtpServer& server) : m_server(server)
    {
        dc::BackupEngine::Parts parts;
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

    // Seconds for one curl run uploading `files` into a folder of the server.
    double curl(const QStringList& files, const QString& folder)
    {
        QDir().mkpath(m_server.path(kUser + QLatin1Char('/') + kPassword + QLatin1Char('/') + folder));
        const dc::ServiceAccount& a = dc::backupServiceAccounts()[0];
        QTemporaryDir dir;
        QFile config(dir.filePath(QStringLiteral("curl.cfg")));
        if (!config.open(QIODevice::WriteOnly)) die(QStringLiteral("cannot write the curl config"));
        for (const QString& f : files) {
            config.write("upload-file = \"" + f.toUtf8() + "\"\n");
            config.write(QStringLiteral("url = \"ftp://127.0.0.1:%1/%2/%3/%4/\"\n")
                             .arg(m_server.port())
                             .arg(kUser, kPassword, folder)
                             .toUtf8());
        }
        config.close();
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("-P"), QStringLiteral("-"),
                                         QStringLiteral("--disable-eprt"), QStringLiteral("--user"), a.user + QLatin1Char(':') + a.password,
                                         QStringLiteral("-K"), config.fileName()});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            die(QStringLiteral("curl failed: ") + QString::fromUtf8(p.readAllStandardError()));
        return t.nsecsElapsed() / 1e9;
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
    std::unique_ptr<dc::BackupEngine> m_engine;
};

void report(const char* what, double engine, double curl, qint64 bytes)
{
    const double mib = bytes / 1048576.0;
    out << QStringLiteral("%1  engine %2 s (%3 MiB/s)  curl %4 s (%5 MiB/s)  engine/curl %6\n")
               .arg(QLatin1String(what))
               .arg(engine, 0, 'f', 2)
               .arg(mib / engine, 0, 'f', 0)
               .arg(curl, 0, 'f', 2)
               .arg(mib / curl, 0, 'f', 0)
               .arg(engine / curl, 0, 'f', 2);
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
    Bench bench(server);
    bench.mkShop();

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

    // Three rounds, alternating, keeping the best of each.
    double engineBig = 1e9, curlBig = 1e9, engineBatch = 1e9, curlBatch = 1e9;
    bench.clearUploads();
    for (int round = 0; round < 3; ++round) {
        curlBig = std::min(curlBig, bench.curl({big}, QStringLiteral("curl")));
        bench.clearUploads();
        engineBig = std::min(engineBig, bench.engine({bigRow}, 1));
        bench.clearUploads();
        curlBatch = std::min(curlBatch, bench.curl(batchFiles, QStringLiteral("curl_lote")));
        bench.clearUploads();
        engineBatch = std::min(engineBatch, bench.engine({batchRow}, 200));
        bench.clearUploads();
    }
    out << "\nFTP upload to a local pyftpdlib server (best of 3; engine with its temporary copy, waits off,\n"
           "and per file SIZE of the partial name and RNFR/RNTO to the real name;\n"
           "curl -T in active mode with PORT, one connection):\n";
    report("1 file of 1 GiB   ", engineBig, curlBig, qint64(1) << 30);
    report("200 files of 1 MiB", engineBatch, curlBatch, qint64(200) << 20);
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
