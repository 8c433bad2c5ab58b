#include "platform/FolderAccess.h"

#include "platform/Failure.h"

#include <QRegularExpression>

namespace dc {

namespace {

// Groups that hold every account of the PC (or anyone at all): Everyone,
// Anonymous, Interactive, Authenticated Users, Users, Guests.
bool everyUsersGroup(const QString& sid)
{
    static const QStringList groups = {QStringLiteral("S-1-1-0"),      QStringLiteral("S-1-5-7"),
                                       QStringLiteral("S-1-5-4"),      QStringLiteral("S-1-5-11"),
                                       QStringLiteral("S-1-5-32-545"), QStringLiteral("S-1-5-32-546")};
    return groups.contains(sid);
}

}  // namespace

QString folderAccessSddl(FolderKind kind, const QStringList& accountSids)
{
    // Protected (P), and marked as handing its entries down (AI). Full
    // control (FA) for SYSTEM (SY) and Administrators (BA), on the folder,
    // its subfolders and its files (OICI).
    QString sddl = QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    if (kind == FolderKind::Programs) {
        // Read and run (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE) for Users.
        return sddl + QStringLiteral("(A;OICI;0x1200a9;;;BU)");
    }
    QStringList accounts = accountSids;
    accounts.removeDuplicates();
    if (accounts.isEmpty()) throw Failure(QStringLiteral("No se indicó ninguna cuenta que use los programas"));
    static const QRegularExpression sidForm(QStringLiteral("^S-1(-\\d+)+$"));
    for (const QString& sid : std::as_const(accounts)) {
        if (!sidForm.match(sid).hasMatch()) throw Failure(QStringLiteral("No es el identificador de una cuenta: ") + sid);
        if (everyUsersGroup(sid))
            throw Failure(QStringLiteral("La cuenta ") + sid
                          + QStringLiteral(" es un grupo de todos los usuarios: las bases de datos serían de cualquiera"));
        // Modify (read, write, run, delete; neither the access list nor the owner).
        sddl += QStringLiteral("(A;OICI;0x1301bf;;;") + sid + QLatin1Char(')');
    }
    return sddl;
}

}  // namespace dc
