// Starting and ending programs on Windows.
#include "platform/ProcessControl.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace dc {


bool startProgramDetached(const QString& program, WindowMode mode, QString* error)
{
    const std::wstring file = QDir::toNativeSeparators(program).toStdWString();
    const int show = mode == WindowMode::Normal ? SW_SHOWNORMAL : SW_SHOWMINNOACTIVE;
    // No parameters and no working directory: the program inherits ours.
    const auto rc = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, show));
    if (rc <= 32) {
        if (error) *error = QStringLiteral("No se pudo iniciar ") + QDir::toNativeSeparators(program);
        return false;
    }
    return true;
}

bool killProcessByName(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    bool result = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) continue;
        if (!executableNameMatches(QString::fromWCharArray(entry.szExeFile), name)) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        result = process && TerminateProcess(process, 0);
        if (process) CloseHandle(process);
    }
    CloseHandle(snapshot);
    return result;
}

}  // namespace dc
