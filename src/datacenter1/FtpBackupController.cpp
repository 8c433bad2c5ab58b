#include "datacenter1/FtpBackupController.h"

#include "panels/BackupPanel.h"
#include "widgets/ErrorReporter.h"
#include "widgets/Prompts.h"
#include "window/LastBackupWatch.h"
#include "window/TFrmPrincipal.h"
#include "window/TrayIcon.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>

namespace dc {

FtpBackupController::FtpBackupController(TFrmPrincipal& window, BackupEngine::Parts parts)
    : QObject(&window), m_window(window), m_job(std::make_unique<BackupJob>(window.cnn(), std::move(parts)))
{
    BackupPanelUi& ui = window.backup().ui();
    ErrorReporter& e = window.errors();
    BackupEngine* engine = &m_job->engine();
    // The two lines are one line each: a longer text is told whole in their tooltip.
    connect(engine, &BackupEngine::statusChanged, this, [&ui](const QString& text) {
        ui.Label5->setText(text);
        ui.Label5->setToolTip(text);
    });
    connect(engine, &BackupEngine::errorChanged, this, [&ui](const QString& text) {
        ui.Label6->setText(text);
        ui.Label6->setToolTip(text);
    });
    // The bar runs 0 to 100 whatever the file's size.
    connect(engine, &BackupEngine::progressChanged, this,
            [&ui](qint64, qint64, int percent) { ui.ProgressBar1->setValue(percent); });
    connect(engine, &BackupEngine::messageRequested, this, e.guard([this](const QString& text) { showMessage(text); }));
    connect(engine, &BackupEngine::finished, this,
            e.guard([this](const BackupResult& result) { runEnded(result); }));

    window.setExitStatus(kNoCompleteRun);
    window.backup().setRunner([this] { Button1Click(); }, [this] { Button2Click(); }, [this] { return isBusy(); });
    window.setCloseQuery([this] { return FormCloseQuery(); });
    // The run at every start is the program's own: after the day's time it is the day's run.
    window.setStartupRun([&window] { window.backup().runAutomatically(); });
}

FtpBackupController::~FtpBackupController()
{
    // A run still under way is cancelled and waited for here; what it reports
    // on its way out no longer reaches the window.
    m_job->engine().disconnect(this);
    m_job.reset();
}

bool FtpBackupController::isBusy() const
{
    return m_preparing || m_job->engine().isRunning();
}

void FtpBackupController::Button1Click()
{
    // The access message below lets timer ticks through while it is open.
    if (isBusy() || m_finished) return;
    BackupPanelUi& ui = m_window.backup().ui();
    BackupPanel& panel = m_window.backup();
    ui.Button1->setEnabled(false);
    ui.Button2->setEnabled(true);
    panel.setLocked(true);

    BackupRequest request;
    m_preparing = true;
    try {
        panel.prepareCompanyRows();
        panel.markLaunched();
        request = m_job->request();
    } catch (...) {
        m_preparing = false;
        // No run started: the buttons must not say otherwise.
        ui.Button1->setEnabled(true);
        ui.Button2->setEnabled(false);
        throw;
    }
    m_preparing = false;
    request.user = ui.txtusuario->text();
    request.password = ui.txtpass->text();
    request.serverIndex = ui.CmbServer->currentIndex();
    engine().start(request);
}

void FtpBackupController::Button2Click()
{
    engine().cancel();
}

bool FtpBackupController::FormCloseQuery()
{
    if (!engine().isConnectionOpen()) return true;
    if (!m_window.prompts().confirm(kMsgConfirmStopBackup)) return false;
    engine().cancel();
    return true;
}

void FtpBackupController::endOnRequest()
{
    engine().cancel();
    m_window.endProgram();
}

void FtpBackupController::recordRun(const BackupResult& result)
{
    if (const QString why = m_job->record(result); !why.isEmpty()) m_window.context().notify(why);
    m_window.backupWatch().refresh();
}

void FtpBackupController::showMessage(const QString& text)
{
    m_messageOpen = true;
    // While it is open the run's end arrives, and may ask for the program's.
    const auto closed = qScopeGuard([this] {
        m_messageOpen = false;
        if (m_endWhenMessageCloses) m_window.endProgram();
    });
    m_window.prompts().inform(text);
}

void FtpBackupController::endAfterRefusal()
{
    m_finished = true;
    m_window.setExitStatus(kNoCompleteRun);
    if (!m_messageOpen) {
        m_window.endProgram();
        return;
    }
    m_endWhenMessageCloses = true;
    // Nobody there to close it: the end of the program takes it away.
    QTimer::singleShot(kStopMessageTime, this, [this] { m_window.endProgram(); });
}

void FtpBackupController::runEnded(const BackupResult& result)
{
    recordRun(result);
    BackupPanelUi& ui = m_window.backup().ui();
    ui.Button1->setEnabled(true);
    ui.Button2->setEnabled(false);
    if (result.outcome == BackupOutcome::Failed) {
        // The engine put the error's text in the error line.
        m_window.errors().report(ui.Label6->text());
        return;
    }
    if (result.outcome == BackupOutcome::CredentialsStop && result.refusal != CredentialsRefusal::ShopFolders) {
        endAfterRefusal();
        return;
    }
    // Any other stopped run leaves the program in the tray.
    if (result.outcome != BackupOutcome::Completed) return;

    m_finished = true;
    m_window.setExitStatus(kAllBackedUp);
    ui.Timer1->start();
    if (!ui.ChkActivaRespaldos->isChecked()) m_window.backup().setLocked(false);
    bool noticeShown = false;
    if (!result.failedFiles.isEmpty()) {
        m_window.setExitStatus(kFilesNotBackedUp);
        noticeShown = m_window.tray().notify(applicationTitle(),
                                             filesNotBackedUpText(result.failedFiles.size()));
    }
    // The icon goes with the program: it stays while its notice can be read.
    if (noticeShown)
        QTimer::singleShot(TrayIcon::kNoticeTime, this, [this] { m_window.endProgram(); });
    else
        m_window.endProgram();
}

}  // namespace dc
