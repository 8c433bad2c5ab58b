#pragma once

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

// The access lists of the install's own folders (platform/FolderAccess.h):
// each edition folder first (programs), then the folders the programs write
// (databases, outbox), for the accounts `accountSids`. Nothing on platforms
// whose folders are made owner-only. Returns one line per folder. Throws
// Failure.
QStringList applyInstallAccess(const InstallRoot& root, const QStringList& accountSids);

}  // namespace dc
