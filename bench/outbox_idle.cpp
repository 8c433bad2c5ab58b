// datacenter2 left idle with its timers running (the cloud switched on) and
// an outbox of 100 and of 10,000 files: the processor time it uses per minute
// and its resident memory. The reference, measured in the same run, is what
// re-reading the whole folder at every one-second refresh would cost.
#include "cloud/OutboxListing.h"
#include "settings/Database.h"
#include "setup/InstallRootBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace dc;

namespace {

// Processor seconds (user + system) used so far by a process.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = f.readAll();
    // Fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A memory figure of /proc/<pid>/status in MiB ("VmRSS", "VmHWM").
double memoryMiB(qint64 pid, const char* field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

struct Figures {
    double cpuPerMinute;  // processor seconds per minute
    double rssMiB;
    double peakMiB;
    double naivePerMinute;
};

Figures measure(int files, int seconds)
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/outbox_idle_XXXXXX"));
    const InstallRoot root(dir.path() + QStringLiteral("/C"));
    buildInstallRoot(root, SetupOptions{});
    Connection(QStringLiteral("settings"), root.dataCenterDb(2))
        .exec(QStringLiteral("update tbl_app_configuracion set Valor = '1' where Id = 7"));
    for (int i = 0; i < files; ++i) {
        QFile f(root.outboxDir() + QStringLiteral("/ventas_%1.xml").arg(i, 6, 10, QLatin1Char('0')));
        f.open(QIODevice::WriteOnly);
        f.write("<ventas/>");
    }

    // What a full re-read every second would cost: 60 listings.
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds(QCoreApplication::applicationPid());
    for (int i = 0; i < 60; ++i) outboxFiles(root.outboxDir());
    const double naive = cpuSeconds(QCoreApplication::applicationPid()) - cpu0;

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/datacenter2"),
                  {QStringLiteral("--root"), root.drive()});
    if (!program.waitForStarted()) {
        std::printf("datacenter2 did not start: %s\n", qPrintable(program.errorString()));
        std::exit(1);
    }
    const qint64 pid = program.processId();
    QThread::sleep(5);  // the start-up is over
    const double before = cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double used = cpuSeconds(pid) - before;
    const double minutes = wall.nsecsElapsed() / 60e9;
    Figures out{used / minutes, memoryMiB(pid, "VmRSS"), memoryMiB(pid, "VmHWM"), naive};
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished(5000);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 60;
    std::printf("datacenter2 idle for %d s with Timer2 (1 s) and TNube (60 s) running\n\n", seconds);
    std::printf("%8s %16s %12s %10s %10s %22s %8s\n", "files", "CPU s / minute", "% of a core", "RSS MiB",
                "peak MiB", "full re-read s / min", "ratio");
    for (const int files : {100, 10000}) {
        const Figures f = measure(files, seconds);
        std::printf("%8d %16.3f %12.3f %10.1f %10.1f %22.3f %8.2f\n", files, f.cpuPerMinute, f.cpuPerMinute / 60 * 100,
                    f.rssMiB, f.peakMiB, f.naivePerMinute, f.cpuPerMinute / f.naivePerMinute);
    }
    std::printf("\ngoal: <= 0.2 %% of a core with 100 files, <= 2 %% with 10,000; <= 60 MiB\n");
    return 0;
}
