#pragma once

#include "ftpbackup/BackupEngine.h"

#include <QString>

#include <memory>
#include <optional>

namespace dc {

class Connection;
class InstallRoot;

// An edition's FTP backup around the engine, without a window: what edition
// 1's window and the backup tool both do. The job owns the engine, reads each
// run's request from the edition's data-center database and keeps each
// finished run in that database's history; the caller starts the engine and
// follows its signals.
class BackupJob {
public:
    // The engine's parts for an edition: `service` (given on the command
    // line), else the default service; the FTP client keeps what it learns
    // of each server beside the edition's data-center database.
    static BackupEngine::Parts engineParts(const InstallRoot& root, int edition,
                                           const std::optional<ServiceAddress>& service);

    // `dataCenter`: the edition's data-center database; it outlives the job.
    BackupJob(Connection& dataCenter, BackupEngine::Parts parts);
    // A run still under way is cancelled and waited for.
    ~BackupJob();

    BackupEngine& engine() { return *m_engine; }

    // A run's request as the database has it now: the backup list, the
    // backup service's TLS setting and where this database's temporary
    // copies are recorded. The log-in (server index, user, password) is left
    // to the caller: edition 1's window takes it from its controls. Throws
    // (DbError) when the database cannot be read.
    BackupRequest request();
    // The same with the log-in stored in the settings rows (RowServer,
    // RowBackupUser, RowBackupPassword): the backup tool's. Throws DbError,
    // also for a stored server that is not a number.
    BackupRequest requestWithStoredLogin();

    // Keeps a finished run in the database's run history. Empty when it was
    // kept, else the text to tell (kMsgHistoryNotWritten and the reason).
    QString record(const BackupResult& result);

private:
    Connection& m_dataCenter;
    std::unique_ptr<BackupEngine> m_engine;
};

}  // namespace dc
