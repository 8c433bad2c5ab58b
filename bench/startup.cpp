// Start-up of datacenter2 on a demo install root: time from process start to
// "settings loaded and tray registered", over 10 starts, and the resident
// memory after start. The reference is the same program answering --help
// (process start and Qt's own start, no window, no database).
//
// Run under a display with a notification area to include the tray:
//   xvfb-run -a sh -c 'trayer & sleep 1; build/bin/bench_startup'
#include "platform/InstallRoot.h"
#include "setup/InstallRootBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

const QString kProgram = QStringLiteral(DC_BIN_DIR "/datacenter2");

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

struct Start {
    double ms = -1;
    double rssMiB = -1;
    bool tray = false;
};

Start startOnce(const QString& root)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("dc.startup.info=true"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    p.start(kProgram, {QStringLiteral("--root"), root});
    Start s;
    QByteArray err;
    while (t.elapsed() < 20000) {
        p.waitForReadyRead(5);
        err += p.readAllStandardError();
        if (err.contains("arranque terminado")) {
            s.ms = t.nsecsElapsed() / 1e6;
            s.tray = err.contains("bandeja: s");
            break;
        }
        if (p.state() == QProcess::NotRunning) break;
    }
    QThread::msleep(1000);  // settle: the first timer ticks run
    s.rssMiB = residentMiB(p.processId());
    p.kill();
    p.waitForFinished();
    return s;
}

double helpOnce()
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(kProgram, {QStringLiteral("--help")});
    p.waitForFinished();
    return t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const dc::InstallRoot root(dir.path());
    dc::SetupOptions options;
    options.demo = true;
    dc::buildInstallRoot(root, options);

    QList<double> times, rss, reference;
    bool tray = true;
    for (int i = 0; i < 10; ++i) {
        const Start s = startOnce(root.drive());
        if (s.ms < 0) {
            std::fprintf(stderr, "start %d did not report; is a display or QT_QPA_PLATFORM set?\n", i + 1);
            return 1;
        }
        times << s.ms;
        rss << s.rssMiB;
        tray = tray && s.tray;
        reference << helpOnce();
    }
    const double m = median(times);
    const double ref = median(reference);
    std::printf("datacenter2 start-up on a demo install root, 10 starts\n");
    std::printf("  to settings loaded%s: median %.1f ms (min %.1f, max %.1f)   goal <= 300 ms\n",
                tray ? " and tray registered" : " (no notification area: tray not registered)", m,
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
    std::printf("  reference (same program, --help): median %.1f ms; ratio %.2f   goal <= 1.6\n", ref, m / ref);
    std::printf("  resident memory 1 s after start: median %.1f MiB (max %.1f)   goal <= 40 MiB\n", median(rss),
                *std::max_element(rss.begin(), rss.end()));
    return 0;
}
