#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// Who may do what in the install's own folders on a PC that several accounts
// share (the owner's, a cashier's):
//  - Programs: the edition folders, with the programs, their libraries and
//    plugins: Administrators and SYSTEM change them; every user reads and
//    runs them; nobody else writes (no other account can replace a program
//    that starts at the owner's log-in).
//  - Data: the folders the programs and tools write while they run
//    (InstallRoot::dataFolders: the databases with the settings and the
//    backup service's account, the outbox, logs, locks): the accounts that
//    run the programs change them, so do Administrators and SYSTEM; nobody
//    else reads them.
// The point-of-sale programs' folders are theirs and never touched.
enum class FolderKind { Programs, Data };

// The access list of a folder of that kind as an SDDL string: protected
// (nothing inherited from the folder above), every entry handed down to what
// the folder holds. `accountSids` ("S-1-5-21-…"): the accounts that run the
// programs, each once; a Data folder needs at least one, and none may be a
// group of every user (Everyone, Users, Authenticated Users…). Throws Failure.
QString folderAccessSddl(FolderKind kind, const QStringList& accountSids);

// The SID of a user account ("NOMBRE" or "EQUIPO\NOMBRE"), or of the account
// running this program for an empty name. Throws Failure saying which account
// is unknown or is not a user's. Windows only: elsewhere throws Failure.
QString accountSid(const QString& accountName);

// Gives `folder` the access list of its kind; the entries reach what it holds
// (except subfolders with a protected list of their own). Windows: throws
// Failure naming the folder and Windows's reason. Elsewhere folders are made
// owner-only as they are created, and nothing is done here.
void applyFolderAccess(const QString& folder, FolderKind kind, const QStringList& accountSids);

}  // namespace dc
