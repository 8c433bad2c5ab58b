#pragma once

#include "backup/BackupRow.h"
#include "ftpbackup/BackupRun.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClient.h"
#include "ftpbackup/Pacing.h"
#include "platform/Clock.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

class QThread;

namespace dc {

// What a window hands to a run: a snapshot taken on its own thread (the
// company rows already prepared there) and the settings of the moment.
struct BackupRequest {
    BackupList rows;
    QString user;          // txtusuario, as stored
    QString password;      // txtpass, as stored
    int serverIndex = -1;  // CmbServer item index; -1 when none is selected
    FtpSecurity security = FtpSecurity::Off;  // the backup service's TLS setting
    // Where the run records the temporary copies it makes, so that only those
    // are ever swept (temporaryCopyRecordFile of the edition's data-center database).
    QString copyRecord;
};

// The FTP backup engine. It lives on the thread that creates it (the UI
// thread) and runs each backup run on a worker thread of its own, so the
// window never waits on the network; it reports through its signals, which
// arrive on the creating thread. Runs never overlap. Status and error lines
// are also written to standard error, one line each.
class BackupEngine final : public QObject {
    Q_OBJECT

public:
    struct Parts {
        std::unique_ptr<FtpClient> client;   // default: makeFtpClient()
        std::shared_ptr<const Clock> clock;  // default: SystemClock
        std::shared_ptr<Pacing> pacing;      // default: the real waits
        ServiceAddress service = defaultBackupService();
        bool echoToStandardError = true;
    };

    // How long the end of the program waits for a run to stop, and the exit
    // status of a process that could not wait any longer.
    static constexpr std::chrono::milliseconds kEndWait{10'000};
    static constexpr int kStuckExitStatus = 3;

    explicit BackupEngine(QObject* parent = nullptr);
    explicit BackupEngine(Parts parts, QObject* parent = nullptr);
    ~BackupEngine() override;

    // Starts a run; false (and nothing happens) while one is under way.
    // The account is chosen here by request.serverIndex: 0 to 3 select one of
    // the service's accounts, any other index keeps the one of the last run
    // (account 1 at first).
    bool start(const BackupRequest& request);
    // "Cancelar Respaldo": the transfer under way fails at once and the run
    // stops at the start of its next attempt (well within a second). Status
    // becomes "Cancelando..." and the error line empty.
    void cancel();

    bool isRunning() const { return m_running; }
    // The FTP connection is open (edition 1 asks before closing only then).
    bool isConnectionOpen() const;
    ServiceAddress service() const { return m_service; }
    ServiceAccount account() const { return m_account; }

    // A progress bar's value for `sent` of `total` bytes: 0 to 100.
    static int percent(qint64 sent, qint64 total);

Q_SIGNALS:
    void statusChanged(const QString& text);   // Label5
    void errorChanged(const QString& text);    // Label6
    // Data bytes of the current file; `percent` is emitted whenever it changes.
    void progressChanged(qint64 sent, qint64 total, int percent);
    void messageRequested(const QString& text);  // a message box for the window to show
    void finished(const dc::BackupResult& result);

private:
    class Report;

    void runEnded(const BackupResult& result);
    void echo(const QString& line) const;

    std::unique_ptr<FtpClient> m_client;
    std::shared_ptr<const Clock> m_clock;
    std::shared_ptr<Pacing> m_pacing;
    ServiceAddress m_service;
    bool m_echo;
    std::unique_ptr<Report> m_report;
    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_cancel{false};
    ServiceAccount m_account;
    bool m_running = false;
};

}  // namespace dc
