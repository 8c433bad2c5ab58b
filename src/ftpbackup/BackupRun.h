#pragma once

#include "backup/Credentials.h"

#include "backup/BackupRow.h"
#include "backup/RunHistory.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClient.h"
#include "ftpbackup/TemporaryCopy.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>

namespace dc {

class Clock;
class CopyingReader;
class Pacing;

enum class BackupOutcome {
    Completed,         // the whole list was gone through ("Respaldo Terminado!"), see failedFiles
    Cancelled,         // a cancel was found at the start of an attempt
    CredentialsStop,   // the service refused the log-in or the shop's folders, or they cannot be sent (see stopText)
    BlankCredentials,  // user name or password empty: nothing was tried
    Failed,            // the run ended on an unexpected error (its text went to the error line)
};

// What a CredentialsStop refused.
enum class CredentialsRefusal {
    ShopFolders,  // the shop's user or password folder ("Usuario Incorrecto!"...), or they cannot be sent
    Account,      // the service refused the log-in
    Security,     // the connection could not be protected as asked (FtpSecurityRefused)
};

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Completed;
    CredentialsRefusal refusal = CredentialsRefusal::ShopFolders;  // CredentialsStop: what was refused
    QStringList uploadedFiles;  // local paths uploaded and verified
    QStringList failedFiles;    // local paths that used up their five attempts or cannot be sent
    QStringList failureReasons; // beside each failed file, the last error of its last attempt
    QString stopText;           // CredentialsStop and Failed: the message shown
    QDateTime started;
    QDateTime ended;
    qint64 bytesSent = 0;       // of the files uploaded and verified
    bool connected = false;     // a connection to the service was opened at least once
    QStringList notices;        // what the FTP client told that is no failure (passive mode...), each once
};

// What a run tells its window. Called on the run's thread.
class RunReport {
public:
    virtual ~RunReport() = default;
    virtual void status(const QString& text) = 0;              // Label5
    virtual void error(const QString& text) = 0;               // Label6
    virtual void progress(qint64 sent, qint64 total) = 0;      // data bytes of the current file
    virtual void message(const QString& text) = 0;             // a message box to show
};

struct RunInput {
    BackupList rows;
    QString user;       // the shop's user name (its folder on the service), as stored
    QString password;   // the shop's password (the folder inside it), as stored
    ServiceAccount account;
    FtpSecurity security = FtpSecurity::Off;
    QString copyRecord;  // where the temporary copies are recorded (temporaryCopyRecordFile)
};

// One backup run: every row of the list, file rows as they are and folder
// rows entry by entry, each file copied to its temporary copy and uploaded
// into user / password / ddMMyyyy [/ folder row's name] with up to five
// attempts. Runs on one thread; `cancelRequested` is set from another.
// The run starts in active mode; once the server cannot open a data
// connection the client goes passive for the rest of the run, and the failed
// attempt is tried again like any other. What the client tells that is no
// failure goes to the status line and into the result's notices.
class BackupRun {
public:
    static constexpr int kAttempts = 5;
    // After each folder command and after a failed attempt.
    static constexpr std::chrono::milliseconds kStepWait{1000};
    // After copying an entry of a folder row.
    static constexpr std::chrono::milliseconds kCopyWait{1500};

    BackupRun(FtpClient& client, const Clock& clock, Pacing& pacing, const ServiceAddress& service, RunReport& report,
              std::atomic_bool& cancelRequested);

    BackupResult run(const RunInput& input);

private:
    struct Item {
        QString localPath;
        QString remoteName;
        const BackupRow* row;
        bool folderEntry;
    };

    BackupResult runList(const RunInput& input);
    bool backUpFolderRow(const BackupRow& row);
    // A file (or folder) left out, with why.
    void leaveOut(const QString& path, const QString& why);
    // False (and the error line says so) when a name of `item` cannot go into an FTP command.
    bool checkNames(const Item& item);
    // False when the run stops.
    bool backUp(const Item& item);
    // Sends the file from `reader`, which writes its temporary copy as it
    // goes, or, without one, from its whole copy `copy`. The bytes sent.
    qint64 uploadPhase(const Item& item, const QString& copy, CopyingReader* reader, qint64 size);
    void enterCredentialFolder(const QString& name, const QString& stopText);
    void enterOrMake(const QString& name, bool waitAfterMaking);
    void cancelStop(bool folderVariant);
    QString clockText() const;
    QString dateFolderName() const;

    FtpClient& m_client;
    const Clock& m_clock;
    Pacing& m_pacing;
    const ServiceAddress m_service;
    RunReport& m_report;
    std::atomic_bool& m_cancel;
    TemporaryCopies m_copies;

    const RunInput* m_input = nullptr;
    BackupResult m_result;
    QString m_dateFolder;
    int m_remoteDepth = 0;
    qint64 m_progressTotal = 0;
};

// The error line of a run that ended with files left out: "No se respaldaron N archivo(s)".
QString filesNotBackedUpText(qsizetype count);

// What a run leaves in the history: its outcome in words (a run that never
// reached the service, a refused account, a connection that could not be
// protected...), what it backed up and the files it left out with their last
// error; the detail says what stopped it, followed by the client's notices.
// `service`: where it went (host:port).
RunRecord runRecordOf(const BackupResult& result, const QString& service);

}  // namespace dc

Q_DECLARE_METATYPE(dc::BackupResult)
