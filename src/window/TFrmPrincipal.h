#pragma once

#include "widgets/ErrorReporter.h"
#include "widgets/WindowContext.h"
#include "window/Edition.h"
#include "window/MainWindowUi.h"
#include "platform/InstallRoot.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>

namespace dc {

class BackupPanel;
class Clock;
class CloudPanel;
class CompanyPanel;
class HistoryPanel;
class LastBackupWatch;
class Connection;
class Launcher;
class OutboxLogPanel;
class Panel;
class Prompts;
class SettingsWriter;
class TasksPanel;
class TrayIcon;

// What the window is built with. Tests put their own prompts, clock and
// launcher in place of the real ones.
struct WindowDeps {
    QString driveRoot;
    Edition edition = Edition::Two;
    Prompts* prompts = nullptr;        // default: Qt dialogs
    const Clock* clock = nullptr;      // default: the system clock
    Launcher* launcher = nullptr;      // default: the system's
};

// The main window of both editions. It owns the controls, the connections,
// the timers and the tray icon, and wires the parts that hold the reactions.
class TFrmPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit TFrmPrincipal(const WindowDeps& deps);
    ~TFrmPrincipal() override;

    // The creation reaction: brings the stored settings into the controls.
    void FormCreate();

    MainWindowUi& ui() { return m_ui; }
    const Edition& edition() const { return m_deps.edition; }
    // The panels, in the order their controls were made.
    const QList<Panel*>& panels() const { return m_panels; }
    WindowContext& context() { return *m_ctx; }
    Connection& cnn() { return *m_cnn; }
    Connection& pdv() { return *m_pdv; }
    Connection& company() { return *m_company; }
    ErrorReporter& errors() { return m_errors; }
    Prompts& prompts() { return *m_prompts; }
    BackupPanel& backup() { return *m_backup; }
    CloudPanel* cloud() { return m_cloud; }
    OutboxLogPanel* outbox() { return m_outbox; }
    CompanyPanel* companies() { return m_companies; }
    TasksPanel* tasks() { return m_tasks; }
    TrayIcon& tray() { return *m_tray; }
    HistoryPanel* history() { return m_history; }
    LastBackupWatch& backupWatch() { return *m_backupWatch; }

    // Panel switching.
    void openWorkPanel(QFrame* panel);
    void Label1Click() { openWorkPanel(m_ui.PnRespaldos); }
    void Label27Click() { openWorkPanel(m_ui.PnHistorial); }
    void Image7Click() { Label27Click(); }
    void Label11Click() { openWorkPanel(m_ui.PnReportesWeb); }
    void Image5Click() { openWorkPanel(m_ui.PnReportesWeb); }
    void Label18Click() { openWorkPanel(m_ui.PnRegistro); }
    void Image6Click() { openWorkPanel(m_ui.PnRegistro); }
    void PRespaldoDatosCollapse();
    void PReportesWebCollapse();

    // Tray menu and ending.
    void OpAbrirClick();
    void DetenerAplicacin1Click();
    // Asks whether the program may end; true lets the close go on.
    bool FormCloseQuery();
    // Edition 1 asks its own question, only while a transfer is open.
    void setCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }
    // Runs at the end of edition 1's creation reaction.
    void setStartupRun(std::function<void()> run) { m_startupRun = std::move(run); }
    // Reloads the log each time the window becomes active.
    void setOnActivate(std::function<void()> f) { m_onActivate = std::move(f); }

    bool isEnding() const { return m_ending; }
    // Tells the application to end, with the exit status set last.
    void endProgram();
    // The status the process ends with, whichever way it ends (0 at first).
    void setExitStatus(int status) { m_exitStatus = status; }
    int exitStatus() const { return m_exitStatus; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes each panel's controls, its page's link and the Tab order.
    void buildPanels();
    void wireCategoryPanels();
    // Gives the keyboard focus to the first control of a panel in Tab order.
    void focusFirstControl(QWidget* panel);
    // The work panels of edition 2, one shown at a time.
    void formCreateEdition2();
    void formCreateEdition1();

    WindowDeps m_deps;
    MainWindowUi m_ui;
    std::unique_ptr<Prompts> m_ownPrompts;
    std::unique_ptr<Clock> m_ownClock;
    std::unique_ptr<Launcher> m_ownLauncher;
    Prompts* m_prompts;
    ErrorReporter m_errors;
    std::unique_ptr<Connection> m_cnn;
    std::unique_ptr<Connection> m_pdv;
    std::unique_ptr<Connection> m_company;  // CnnMultiempresas
    std::unique_ptr<SettingsWriter> m_settings;
    std::unique_ptr<WindowContext> m_ctx;
    TrayIcon* m_tray = nullptr;
    BackupPanel* m_backup = nullptr;
    CloudPanel* m_cloud = nullptr;
    OutboxLogPanel* m_outbox = nullptr;
    CompanyPanel* m_companies = nullptr;
    TasksPanel* m_tasks = nullptr;
    HistoryPanel* m_history = nullptr;
    LastBackupWatch* m_backupWatch = nullptr;
    QList<Panel*> m_panels;
    QFrame* m_openPage = nullptr;
    std::function<bool()> m_closeQuery;
    std::function<void()> m_startupRun;
    std::function<void()> m_onActivate;
    QHash<QObject*, std::function<void()>> m_clicks;
    bool m_ending = false;
    int m_exitStatus = 0;
};

inline const QString kMsgConfirmStop = QStringLiteral("Estas seguro de querer detener el KOVA Vazivo ze Rurov??");

}  // namespace dc
