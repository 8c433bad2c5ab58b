// Starting and ending programs on POSIX systems.
#include "platform/ProcessControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace dc {

namespace {

// The file a process runs: the target of /proc/PID/exe (the real file, any
// length; /proc/PID/comm is cut to 15 characters). A file replaced while it
// runs shows with " (deleted)" after its path.
QString executableOf(const QString& pidDir)
{
    QString exe = QFile::symLinkTarget(pidDir + QStringLiteral("/exe"));
    if (exe.endsWith(QStringLiteral(" (deleted)"))) exe.chop(10);
    return exe;
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


bool startProgramDetached(const QString& program, WindowMode /*mode: no window to place here*/,
                          OwnerWindow /*owner: none here*/, QString* error)
{
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable()) {
        if (error)
            *error = file.exists() ? QStringLiteral("el archivo ") + QDir::toNativeSeparators(program)
                                         + QStringLiteral(" no es un programa que se pueda ejecutar (revisa sus permisos)")
                                   : QStringLiteral("no se encontró el programa ") + QDir::toNativeSeparators(program);
        return false;
    }
    // No working directory: the program inherits ours.
    qint64 pid = 0;
    const bool ok = QProcess::startDetached(program, {}, QString(), &pid);
    if (!ok && error) *error = QStringLiteral("el sistema no pudo iniciar ") + QDir::toNativeSeparators(program);
    return ok;
}

bool killProcessByName(const QString& program)
{
    const QString wanted = QFileInfo(program).canonicalFilePath();
    if (wanted.isEmpty()) return false;  // not installed: nothing of it can run
    bool result = false;
    const pid_t self = ::getpid();
    const uid_t me = ::getuid();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool isPid = false;
        const pid_t pid = static_cast<pid_t>(entry.toLongLong(&isPid));
        if (!isPid || pid == self) continue;
        const QString dir = QStringLiteral("/proc/") + entry;
        struct stat st {};
        // A process's /proc folder belongs to the user it runs as.
        if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || st.st_uid != me) continue;
        if (executableOf(dir) != wanted) continue;
        result = terminate(pid);
    }
    return result;
}

}  // namespace dc
