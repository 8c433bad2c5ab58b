#pragma once

#include "platform/InstallRoot.h"
#include "setup/InstallRootBuilder.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace dc::test {

// A temporary install root laid out by the same code as datacenter-setup.
class TempRoot {
public:
    explicit TempRoot(bool demo = false, bool withTools = false);
    const InstallRoot& root() const { return *m_root; }
    QString path() const { return m_dir.path(); }

    // Creates an SQLite file of a test's own and runs the statements on it;
    // false (and a test failure naming the statement) when one fails.
    static bool createDatabase(const QString& dbFile, const QStringList& statements);
    // Runs one statement on a database file of the root (a test's own handle).
    static void exec(const QString& dbFile, const QString& sql, const QVariantList& binds = {});
    static QVariant scalar(const QString& dbFile, const QString& sql, const QVariantList& binds = {});
    // A settings value of a data-center or company database.
    static QString setting(const QString& dbFile, int id);
    static void setSetting(const QString& dbFile, int id, const QString& value);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<InstallRoot> m_root;
};

// Writes a file with the given bytes, making its folder.
void writeFile(const QString& path, const QByteArray& data);
// True in a Windows program that Wine runs.
bool runningUnderWine();
// The same for a name that a file system may refuse (Windows: line breaks, '?'); false then.
bool writeFileIfAllowed(const QString& path, const QByteArray& data);

}  // namespace dc::test
