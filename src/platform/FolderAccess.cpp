#include "platform/FolderAccess.h"

#include "platform/Failure.h"

#include <QRegularExpression>

namespace dc {

QString folderAccessSddl(FolderKind kind, const QStringList& accountSids)
{
    // Full control (FA) for SYSTEM (SY) and Administrators (BA), on the
    // folder, its subfolders and its files (OICI).
    QString sddl = QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    if (kind == FolderKind::Programs) {
        // Read and run (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE) for Users.
        return sddl + QStringLiteral("(A;OICI;0x1200a9;;;BU)");
    }
    if (accountSids.isEmpty()) throw Failure(QStringLiteral("No se indicó ninguna cuenta que use los programas"));
    static const QRegularExpression sidForm(QStringLiteral("^S-1(-\\d+)+$"));
    for (const QString& sid : accountSids) {
        if (!sidForm.match(sid).hasMatch()) throw Failure(QStringLiteral("No es el identificador de una cuenta: ") + sid);
        // Modify (read, write, run, delete; not the access list itself).
        sddl += QStringLiteral("(A;OICI;0x1301bf;;;") + sid + QLatin1Char(')');
    }
    return sddl;
}

}  // namespace dc
