#pragma once

#include "platform/Clock.h"
#include "platform/InstallRoot.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QString>

#include <memory>

namespace dc {

class Connection;

// What the companion tools share: where their install root is, one run at a
// time, the names of the exports being written and the cloud log rows they
// write.

// The install root of a tool: `rootOption` when given (--root DIR, for use by
// hand), else the folder above the tool's own, as installed in
// <root>/KOVA_VazivoZeRurov_2/.
InstallRoot toolInstallRoot(const QString& rootOption = {});

// The generate and send tools work in their current directory, which the data
// center makes the outbox. Anywhere else they would export into a folder that
// is never sent, or send (and remove) files that are not exports: the text of
// that refusal, empty when the current directory is the outbox of `root`.
QString notInOutbox(const InstallRoot& root);

// The install root of the generate or send tool from its command line
// (--help and --root DIR), checked to be the one whose outbox is the current
// directory. Returns false after writing the refusal to the standard error.
bool outboxToolRoot(const QCoreApplication& app, const QString& toolName, const QString& description,
                    InstallRoot* root);

// An export of the generate tool is written under a hidden temporary name
// and renamed only when complete, so the send tool never takes half a file.
QString partialExportName(const QString& fileName);
bool isPartialExport(const QString& fileName);

// One run of a tool at a time: holds `lockFile` (InstallRoot::toolLockFile)
// while it lives. A lock left behind by a run that crashed is taken over.
class SingleRun {
public:
    explicit SingleRun(const QString& lockFile);
    bool acquired() const { return m_acquired; }
    // Why this run may not go on: `busyText` when another run holds the lock,
    // else what kept the lock from being made.
    QString refusal(const QString& busyText) const;

private:
    QLockFile m_lock;
    bool m_acquired;
};

// Writes the rows of the cloud log for a tool. A row that cannot be written is
// not lost silently: its text and the reason go to the standard error, and
// failed() tells the tool to end with a failure status. Every row is also
// echoed to the standard error, for whoever follows the tool from a shell.
class CloudLogWriter {
public:
    CloudLogWriter(Connection& dataCenter, QString toolName, const Clock& clock);
    void write(const QString& text);
    bool failed() const { return m_failed; }

private:
    Connection& m_dataCenter;
    QString m_toolName;
    const Clock& m_clock;
    bool m_failed = false;
};

// The start of the generate or send tool: its root from the command line, the
// outbox check and its single-run lock. Null, after writing the refusal to the
// standard error, when the tool must not go on (`busyText` when another run
// holds the lock).
std::unique_ptr<SingleRun> startOutboxTool(const QCoreApplication& app, const QString& toolName,
                                           const QString& description, const QString& busyText, InstallRoot* root);

}  // namespace dc
