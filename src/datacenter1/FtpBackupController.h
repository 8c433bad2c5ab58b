#pragma once

#include "ftpbackup/BackupJob.h"

#include <QObject>
#include <QString>

#include <memory>

namespace dc {

class TFrmPrincipal;

// Edition 1's backup, wired into the main window: "Hacer un respaldo ahora"
// (the start-up run and the daily check click it too) uploads the backup list
// with the FTP engine, "Cancelar Respaldo" cancels, the window follows the run
// in Label5, Label6 and ProgressBar1, and a run that goes through the whole
// list ends the program. So does a run that the service's refusal stopped (the
// log-in account, or a connection that cannot be protected as asked: no later
// run could do better), once its message is closed or has been shown for
// kStopMessageTime. A shop's user or password folder refused leaves the
// program in the tray, for the user to correct them. Closing the window asks
// first only while an FTP connection is open.
class FtpBackupController final : public QObject {
    Q_OBJECT
public:
    // The process's exit status after a run that went through the whole list.
    static constexpr int kAllBackedUp = 0;
    static constexpr int kFilesNotBackedUp = 1;
    // Ended before any run went through the list: a run cancelled or stopped,
    // the service refused the account or the protected connection, or the
    // program closed or ended by the system first. Nothing says the list was
    // backed up.
    static constexpr int kNoCompleteRun = 3;
    // How long the message of a refusal that ends the program stays when
    // nobody closes it (the program may run at start-up with nobody there).
    static constexpr int kStopMessageTime = 15'000;

    // Takes over the window's backup buttons, its close question and its
    // start-up run; the window owns the controller.
    FtpBackupController(TFrmPrincipal& window, BackupEngine::Parts parts);
    ~FtpBackupController() override;

    // The backup run: company rows and a snapshot of the list here, the
    // transfer on the engine's thread. Ignored while a run is under way.
    void Button1Click();
    // "Cancelar Respaldo".
    void Button2Click();
    // True lets the window close (and the program end).
    bool FormCloseQuery();
    // The system asks the program to end (a termination signal, the end of
    // the session): the run is cancelled and the program ends; on its way out
    // the run lets go of its temporary copy.
    void endOnRequest();

    // A run is being prepared or is under way.
    bool isBusy() const;
    BackupEngine& engine() { return m_job->engine(); }

private:
    void runEnded(const BackupResult& result);
    // The run's message box; the program ends when it closes, if it must.
    void showMessage(const QString& text);
    // The service's refusal stopped the run: the program ends after its message.
    void endAfterRefusal();
    // Keeps the run in the history and tells the icon.
    void recordRun(const BackupResult& result);

    TFrmPrincipal& m_window;
    std::unique_ptr<BackupJob> m_job;
    bool m_preparing = false;
    // A run went through the list, or the service refused it: the program
    // is ending, no run starts again.
    bool m_finished = false;
    // A message of the run is open; the program ends when it closes.
    bool m_messageOpen = false;
    bool m_endWhenMessageCloses = false;
};

inline const QString kMsgConfirmStopBackup = QStringLiteral("Estas seguro de querer detener el respaldo??");

}  // namespace dc
