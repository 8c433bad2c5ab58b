// Starting and ending programs on Windows: the shell's "open" verb, and a
// process snapshot to find every process of a name.
#include "platform/ProcessControl.h"

#include <QDir>
#include <QFileInfo>

#include <memory>
#include <vector>

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace dc {

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const
    {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The user a process runs as, from its access token (empty when it cannot be read).
std::vector<char> tokenUser(HANDLE process)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return {};
    const Handle token(raw);
    DWORD size = 0;
    GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size == 0 || !GetTokenInformation(raw, TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

bool sameUser(const std::vector<char>& a, const std::vector<char>& b)
{
    if (a.empty() || b.empty()) return false;
    return EqualSid(reinterpret_cast<const TOKEN_USER*>(a.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(b.data())->User.Sid) != FALSE;
}

// Asks the process to end (WM_CLOSE to each of its threads, as `taskkill`
// without /F does: the tools take it as a termination request), then ends it
// at once when it has not gone within a short grace period.
bool terminate(HANDLE process, DWORD pid)
{
    const Handle threads(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (threads.get() != INVALID_HANDLE_VALUE) {
        THREADENTRY32 t{};
        t.dwSize = sizeof(t);
        for (BOOL more = Thread32First(threads.get(), &t); more; more = Thread32Next(threads.get(), &t))
            if (t.th32OwnerProcessID == pid) PostThreadMessageW(t.th32ThreadID, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process, 1500) == WAIT_OBJECT_0) return true;
    return TerminateProcess(process, 1) != FALSE || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

bool startProgramDetached(const QString& program, WindowMode mode, OwnerWindow owner, QString* error)
{
    const QString native = QDir::toNativeSeparators(program);
    const std::wstring file = native.toStdWString();
    const int show = mode == WindowMode::Normal ? SW_SHOWNORMAL : SW_SHOWMINNOACTIVE;
    // No parameters and no working directory: the program inherits ours.
    const auto rc = reinterpret_cast<INT_PTR>(
        ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", file.c_str(), nullptr, nullptr, show));
    if (rc > 32) return true;
    if (error) {
        switch (rc) {
        case SE_ERR_FNF:
        case SE_ERR_PNF:
            *error = QStringLiteral("no se encontró el programa ") + native;
            break;
        case SE_ERR_ACCESSDENIED:
        case ERROR_BAD_FORMAT:  // not a Windows program (a damaged copy, say)
        case SE_ERR_NOASSOC:
        case SE_ERR_ASSOCINCOMPLETE:
            *error = QStringLiteral("el archivo ") + native
                     + QStringLiteral(" no es un programa que se pueda ejecutar (revisa que esté completo y sus permisos)");
            break;
        default:
            *error = QStringLiteral("el sistema no pudo iniciar ") + native + QStringLiteral(" (error %1)").arg(rc);
        }
    }
    return false;
}

bool killProcessByName(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    const std::vector<char> me = tokenUser(GetCurrentProcess());
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return false;
    bool result = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self) continue;
        if (!executableNameMatches(QString::fromWCharArray(entry.szExeFile), name)) continue;
        // Another user's process of the same name (another session on a
        // shared computer) is not ours to end.
        const Handle process(
            OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process || !sameUser(tokenUser(process.get()), me)) continue;
        result = terminate(process.get(), entry.th32ProcessID);
    }
    return result;
}

}  // namespace dc
