// The real backup tool, started and ended from the window.
#include "window/TFrmPrincipal.h"
#include "support/ScriptedPrompts.h"
#include "support/TempRoot.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#ifdef Q_OS_WIN
#include <windows.h>
#include <tlhelp32.h>
#endif

using namespace dc;

namespace {
QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

template <class P>
bool waitFor(P pred, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(25);
    }
    return true;
}

bool toolRunning(const QString& toolPath)
{
#ifdef Q_OS_WIN
    bool found = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL more = Process32FirstW(snapshot, &e); more && !found; more = Process32NextW(snapshot, &e)) {
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID);
        wchar_t image[MAX_PATH * 4];
        DWORD size = MAX_PATH * 4;
        if (p && QueryFullProcessImageNameW(p, 0, image, &size))
            found = QFileInfo(QString::fromWCharArray(image, size)).canonicalFilePath().compare(toolPath, Qt::CaseInsensitive) == 0;
        if (p) CloseHandle(p);
    }
    CloseHandle(snapshot);
    return found;
#else
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
        if (exe == toolPath) return true;
    }
    return false;
#endif
}
}  // namespace

TEST(BackupToolLaunch, StartsInTheOutboxFolderAndCancelEndsIt)
{
    test::TempRoot temp(/*demo=*/true, /*withTools=*/true);
    const QString tool = temp.root().backupTool();
    ASSERT_TRUE(QFile::exists(tool));
    const QString cwd = QDir::currentPath();
    test::ScriptedPrompts prompts;
    WindowDeps deps;
    deps.driveRoot = temp.root().drive();
    deps.prompts = &prompts;  // the real clock and launcher
    {
        TFrmPrincipal w(deps);
        w.FormCreate();
        ASSERT_TRUE(prompts.shown.isEmpty()) << prompts.shown.first().text.toStdString();
        w.backup().ui().Button1->click();
        const QString log = temp.root().backupToolLog();
        ASSERT_TRUE(waitFor([&] { return readAll(log).contains(QStringLiteral("inicio")); }));
        EXPECT_TRUE(readAll(log).contains(QDir::toNativeSeparators(QDir(temp.root().outboxDir()).canonicalPath())))
            << readAll(log).toStdString();
        // The service of the demo is not reachable here: the tool keeps trying until it is ended.
        ASSERT_TRUE(waitFor([&] { return toolRunning(QFileInfo(tool).canonicalFilePath()); }, 3000));
        w.backup().ui().Button2->click();
        EXPECT_TRUE(waitFor([&] { return !toolRunning(QFileInfo(tool).canonicalFilePath()); }, 5000));
    }
    QDir::setCurrent(cwd);
}
