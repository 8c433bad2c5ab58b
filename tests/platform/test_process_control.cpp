#include "platform/ProcessControl.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <csignal>
#endif

using namespace dc;

namespace {
// Waits up to `ms` for `pred`.
template <class P>
bool waitFor(P pred, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QThread::msleep(20);
    }
    return true;
}

#ifndef Q_OS_WIN
bool alive(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0) return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray s = stat.readAll();
    return s.at(s.lastIndexOf(')') + 2) != 'Z';
}
#endif
}  // namespace

TEST(ProcessControl, NameMatchingIgnoresLetterCaseAndFolders)
{
    EXPECT_TRUE(executableNameMatches(QStringLiteral("C:\\KOVA_VazivoZeRurov_2\\kova_backup.EXE"), QStringLiteral("KOVA_BackUp.exe")));
    EXPECT_TRUE(executableNameMatches(QStringLiteral("/opt/x/KOVA_BackUp.exe"), QStringLiteral("kova_backup.exe")));
    EXPECT_TRUE(executableNameMatches(QStringLiteral("KOVA_BackUp.exe"), QStringLiteral("KOVA_BACKUP.EXE")));
    EXPECT_FALSE(executableNameMatches(QStringLiteral("/opt/KOVA_BackUp.exe.bak"), QStringLiteral("KOVA_BackUp.exe")));
    EXPECT_FALSE(executableNameMatches(QStringLiteral("/opt/OTRO_KOVA_BackUp.exe"), QStringLiteral("KOVA_BackUp.exe")));
    // Only a-z fold: accented letters compare as they are.
    EXPECT_FALSE(executableNameMatches(QStringLiteral("ÑANDÚ.exe"), QStringLiteral("ñandú.exe")));
}

#ifndef Q_OS_WIN  // copies of /bin/sleep; Windows ends processes by name alone
TEST(ProcessControl, KillEndsEveryInstanceOfThatVeryProgramOnly)
{
    QTemporaryDir dir;
    // Names longer than the 15 characters the kernel keeps as a process name;
    // a program of the same name in another folder is somebody else's. The
    // name carries this run's own folder name, so no process the test did not
    // start can have it.
    const QString unique = QFileInfo(dir.path()).fileName();
    const QString a = dir.filePath(QStringLiteral("KOVA_BackUp_de_prueba_%1.exe").arg(unique));
    const QString b = dir.filePath(QStringLiteral("sub/kova_backup_DE_PRUEBA_%1.EXE").arg(unique.toUpper()));
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), a));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), b));
    for (const QString& p : {a, b}) QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qint64 pa1 = 0, pa2 = 0, pb = 0;
    ASSERT_TRUE(QProcess::startDetached(a, {QStringLiteral("60")}, QString(), &pa1));
    ASSERT_TRUE(QProcess::startDetached(a, {QStringLiteral("60")}, QString(), &pa2));
    ASSERT_TRUE(QProcess::startDetached(b, {QStringLiteral("60")}, QString(), &pb));
    ASSERT_TRUE(waitFor([&] { return alive(pa1) && alive(pa2) && alive(pb); }));

    EXPECT_TRUE(killProcessByName(a));
    EXPECT_TRUE(waitFor([&] { return !alive(pa1) && !alive(pa2); }));
    EXPECT_TRUE(alive(pb)) << "the same name in another folder was ended";
    ::kill(static_cast<pid_t>(pb), SIGKILL);

    // Nothing left to end, or a program that is not there: false, no error.
    EXPECT_FALSE(killProcessByName(a));
    EXPECT_FALSE(killProcessByName(dir.filePath(QStringLiteral("no_existe_%1.exe").arg(unique))));
}
#endif

TEST(ProcessControl, StartedProgramInheritsTheCurrentDirectory)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("donde.txt"));
#ifdef Q_OS_WIN  // the shell's "open" of a command script runs it
    const QString script = dir.filePath(QStringLiteral("herramienta.cmd"));
    test::writeFile(script, QStringLiteral("@echo %CD%> \"%1\"\r\n").arg(QDir::toNativeSeparators(out)).toUtf8());
#else
    const QString script = dir.filePath(QStringLiteral("herramienta.sh"));
    test::writeFile(script, QStringLiteral("#!/bin/sh\npwd > '%1'\n").arg(out).toUtf8());
#endif
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString work = dir.filePath(QStringLiteral("Bandeja_De_Salida"));
    QDir().mkpath(work);
    const QString before = QDir::currentPath();
    QDir::setCurrent(work);
    EXPECT_TRUE(startProgramDetached(script, WindowMode::MinimizedNoActivate));
    QDir::setCurrent(before);
    ASSERT_TRUE(waitFor([&] { return QFile(out).size() > 0; }));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QDir(QString::fromLocal8Bit(f.readAll()).trimmed()).canonicalPath(), QDir(work).canonicalPath());

    QString error;
    EXPECT_FALSE(startProgramDetached(dir.filePath(QStringLiteral("no_existe.exe")), WindowMode::Normal, 0, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no_existe.exe")));
    const QString plain = dir.filePath(QStringLiteral("sin_permiso.exe"));
    test::writeFile(plain, "x");
    EXPECT_FALSE(startProgramDetached(plain, WindowMode::Normal, 0, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("permisos"))) << error.toStdString();
}
