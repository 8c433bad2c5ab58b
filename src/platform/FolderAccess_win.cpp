#include "platform/FolderAccess.h"

#include "platform/Failure.h"

#include <QDir>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

namespace dc {

namespace {

QString windowsReason(DWORD code)
{
    return qt_error_string(static_cast<int>(code));
}

QString sidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) throw Failure(QStringLiteral("No se pudo leer una cuenta: ") + windowsReason(GetLastError()));
    const QString result = QString::fromWCharArray(text);
    LocalFree(text);
    return result;
}

}  // namespace

QString accountSid(const QString& accountName)
{
    if (accountName.isEmpty()) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            throw Failure(QStringLiteral("No se pudo saber qué cuenta usa este programa: ") + windowsReason(GetLastError()));
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> buffer(size ? size : 1);
        const bool read = GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
        const DWORD error = GetLastError();
        CloseHandle(token);
        if (!read) throw Failure(QStringLiteral("No se pudo saber qué cuenta usa este programa: ") + windowsReason(error));
        return sidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    }
    const std::wstring name = accountName.toStdWString();
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use = SidTypeUnknown;
    LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    std::vector<char> sid(sidSize ? sidSize : 1);
    std::vector<wchar_t> domain(domainSize ? domainSize : 1);
    if (!sidSize || !LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use))
        throw Failure(QStringLiteral("No existe la cuenta de Windows \"") + accountName + QStringLiteral("\" en este equipo: ")
                      + windowsReason(GetLastError()));
    // A group would open the databases to every account in it.
    if (use != SidTypeUser)
        throw Failure(QStringLiteral("\"") + accountName
                      + QStringLiteral("\" no es una cuenta de usuario de Windows (es un grupo o una cuenta del sistema): "
                                       "indique las cuentas que usan los programas"));
    return sidText(sid.data());
}

void applyFolderAccess(const QString& folder, FolderKind kind, const QStringList& accountSids)
{
    const QString sddl = folderAccessSddl(kind, accountSids);
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(folder));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.toStdWString().c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        throw Failure(QStringLiteral("No se pudieron preparar los permisos de ") + shown + QStringLiteral(": ")
                      + windowsReason(GetLastError()));
    std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present)
        throw Failure(QStringLiteral("No se pudieron preparar los permisos de ") + shown);
    std::wstring path = shown.toStdWString();
    // Protected: what C:\ hands down ("Usuarios autenticados: modificar")
    // no longer reaches the folder. The whole list is replaced (a repair),
    // and Windows hands its entries down to what the folder holds in place of
    // those it had inherited.
    const DWORD result = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                               nullptr, dacl, nullptr);
    if (result != ERROR_SUCCESS)
        throw Failure(QStringLiteral("No se pudieron fijar los permisos de la carpeta ") + shown + QStringLiteral(": ")
                      + windowsReason(result));
}

}  // namespace dc
