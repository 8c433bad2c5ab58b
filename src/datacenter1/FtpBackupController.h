#pragma once

#include "ftpbackup/BackupEngine.h"

#include <QObject>
#include <QString>

#include <memory>

namespace dc {

class TFrmPrincipal;

// Edition 1's backup, wired into the main window: "Hacer un respaldo ahora"
// (the start-up run and the daily check click it too) uploads the backup list
// with the FTP engine, "Cancelar Respaldo" cancels, the window follows the run
// in Label5, Label6 and ProgressBar1, and a run that goes through the whole
// list ends the program. Closing the window asks first only while an FTP
// connection is open.
class FtpBackupController final : public QObject {
    Q_OBJECT
public:
    // The process's exit status after a run that went through the whole list.
    static constexpr int kAllBackedUp = 0;
    static constexpr int kFilesNotBackedUp = 1;
    // Ended before any run went through the list: a run cancelled or stopped,
    // or the program closed or ended by the system first. Nothing says the
    // list was backed up.
    static constexpr int kNoCompleteRun = 3;

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
    BackupEngine& engine() { return *m_engine; }

private:
    void runEnded(const BackupResult& result);
    // Keeps the run in the history and tells the icon.
    void recordRun(const BackupResult& result);

    TFrmPrincipal& m_window;
    std::unique_ptr<BackupEngine> m_engine;
    bool m_preparing = false;
    // A run went through the list: the program is ending, no run starts again.
    bool m_finished = false;
};

inline const QString kMsgConfirmStopBackup = QStringLiteral("Estas seguro de querer detener el respaldo??");

}  // namespace dc
