#pragma once

#include "platform/FolderAccess.h"
#include "platform/InstallRoot.h"

#include <QString>
#include <QStringList>

namespace dc {

struct SetupOptions {
    bool demo = false;    // add realistic sample data
    bool force = false;   // replace databases that already exist
    QString toolsDir;     // where the companion tools were built; empty: none installed
};

// Where datacenter-setup takes the companion tools from when --tools is not
// given: its own folder when they lie beside it (a build tree), else the
// tools folder of an installed layout, `installedToolsRelative` to its folder.
QString defaultToolsDir(const QString& programDir, const QString& installedToolsRelative);

// Why `given` cannot be an install root (empty, the top of a file system, a
// file); empty when it can.
QString installRootProblem(const QString& given);

// Makes a folder and every missing folder above it, each readable and
// writable by its owner only from its creation; a folder that exists is left
// as it is. One report line per folder made. Throws std::runtime_error.
void makeFolder(const QString& path, QStringList& report);

// A company of the point-of-sale databases.
struct CompanySeed {
    int id;
    QString empresa;
    QString baseDeDatos;
};
// The companies every install root gets (company 1 is the main one).
QList<CompanySeed> installedCompanies();

// Lays out an install root for both editions, as the installed system has it.
// Never overwrites an existing database unless options.force; an existing
// data-center database gets the tables and settings rows it lacks (rows it
// has keep their values). Returns one line per thing created, added or kept. Throws std::runtime_error (DbError for database
// failures) when something cannot be made.
QStringList buildInstallRoot(const InstallRoot& root, const SetupOptions& options);

// The access lists of the install's own folders (platform/FolderAccess.h), in
// the order they are given: each edition folder (programs) first, then the
// folders its programs and tools write (InstallRoot::dataFolders).
struct FolderRule {
    QString folder;
    FolderKind kind;
};
QList<FolderRule> installAccessRules(const InstallRoot& root);

// Windows: gives every folder of installAccessRules its access list, the
// accounts `accountSids` being those that run the programs; an install of an
// earlier version gets its lists repaired. One report line per folder done.
// Throws Failure at the first folder that cannot get its list. (Elsewhere
// the folders are owner-only from their creation.)
void applyInstallAccess(const InstallRoot& root, const QStringList& accountSids, QStringList& report);

}  // namespace dc
