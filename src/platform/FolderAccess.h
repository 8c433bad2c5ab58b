#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// Who may do what in the install's own folders on a PC that several accounts
// share (the owner's, a cashier's):
//  - Programs: the edition folders, with the programs and their libraries:
//    Administrators and SYSTEM change them; every user reads and runs them;
//    nobody else writes (no other account can replace a program that starts
//    at the owner's log-in).
//  - Data: the databases (the settings with the backup service's account),
//    the outbox: the accounts that run the programs change them, so do
//    Administrators and SYSTEM; nobody else reads them.
// The point-of-sale programs' folders are theirs and never touched.
enum class FolderKind { Programs, Data };

// The access list of a folder of that kind as an SDDL string: protected
// (nothing inherited from the folder above), every entry handed down to what
// the folder holds. `accountSids` ("S-1-5-21-…"): the accounts that run the
// programs; a Data folder needs at least one.
QString folderAccessSddl(FolderKind kind, const QStringList& accountSids);

// The SID of an account ("NOMBRE" or "EQUIPO\NOMBRE"), or of the account
// running this program for an empty name. Throws Failure saying which account
// is unknown. Windows only: elsewhere throws Failure.
QString accountSid(const QString& accountName);

// Gives `folder` (and what it holds) the access list of its kind. Windows:
// throws Failure naming the folder and Windows's reason. Elsewhere folders are
// made owner-only as they are created, and nothing is done here.
void applyFolderAccess(const QString& folder, FolderKind kind, const QStringList& accountSids);

}  // namespace dc
