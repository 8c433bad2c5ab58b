// Starting and ending programs on POSIX systems.
#include "platform/ProcessControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace dc {

namespace {

// The executable fields of a process: the target of /proc/PID/exe (the real
// file, any length) and argv[0]. /proc/PID/comm is cut to 15 characters and is
// not used.
QStringList executableFields(const QString& pidDir)
{
    QStringList fields;
    QString exe = QFile::symLinkTarget(pidDir + QStringLiteral("/exe"));
    if (exe.endsWith(QStringLiteral(" (deleted)"))) exe.chop(10);
    if (!exe.isEmpty()) fields << exe;
    QFile cmdline(pidDir + QStringLiteral("/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QByteArray raw = cmdline.read(4096);
        const QByteArray argv0 = raw.left(raw.indexOf('\0') < 0 ? raw.size() : raw.indexOf('\0'));
        if (!argv0.isEmpty()) fields << QString::fromLocal8Bit(argv0);
    }
    return fields;
}

bool processGone(pid_t pid)
{
    if (::kill(pid, 0) != 0) return true;
    // A zombie still answers kill(0); it has ended all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close > 0 && close + 2 < s.size() && s.at(close + 2) == 'Z';
}

// Asks the process to end, then ends it for good when it has not gone within
// a short grace period, so a tool gets a chance to remove its temporary files.
bool terminate(pid_t pid)
{
    if (::kill(pid, SIGTERM) != 0) return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500) {
        if (processGone(pid)) return true;
        QThread::msleep(20);
    }
    if (::kill(pid, SIGKILL) != 0) return processGone(pid);
    return true;
}

}  // namespace


bool startProgramDetached(const QString& program, WindowMode /*mode: no window to place here*/, QString* error)
{
    if (!QFileInfo(program).isExecutable()) {
        if (error) *error = QStringLiteral("No se encontró el programa ") + QDir::toNativeSeparators(program);
        return false;
    }
    // No working directory: the program inherits ours.
    qint64 pid = 0;
    const bool ok = QProcess::startDetached(program, {}, QString(), &pid);
    if (!ok && error) *error = QStringLiteral("No se pudo iniciar ") + QDir::toNativeSeparators(program);
    return ok;
}

bool killProcessByName(const QString& name)
{
    bool result = false;
    const pid_t self = ::getpid();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool isPid = false;
        const pid_t pid = static_cast<pid_t>(entry.toLongLong(&isPid));
        if (!isPid || pid == self) continue;
        const QStringList fields = executableFields(QStringLiteral("/proc/") + entry);
        bool match = false;
        for (const QString& f : fields) match = match || executableNameMatches(f, name);
        if (match) result = terminate(pid);
    }
    return result;
}

}  // namespace dc
