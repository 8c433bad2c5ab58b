#pragma once

#include "backup/BackupListStore.h"
#include "backup/DailyCheck.h"
#include "backup/RunHistory.h"
#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QSqlQueryModel>

#include <functional>

namespace dc {

// The backup panel's controls, named as its reactions know them.
struct BackupPanelUi {
    QCheckBox* ChkActivaRespaldos = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* CmbServer = nullptr;
    QLabel* Label10 = nullptr;
    QComboBox* CmbSistema = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtusuario = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtpass = nullptr;
    QLabel* Label2 = nullptr;
    QTimeEdit* HR1 = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    QTableView* DBGrid1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QListWidget* LstTmp = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QTimer* Timer1 = nullptr;  // daily check, 50 s
};

// The backup panel: the backup list, the backup settings, the daily check
// and the launch. How a backup is started and cancelled belongs to the
// edition (edition 2 starts the backup tool; edition 1 runs its own engine)
// and can be replaced with setRunner().
class BackupPanel : public QObject, public Panel {
    Q_OBJECT
public:
    // Edition 2 shows the whole panel; edition 1 only watches its run: the
    // list, the status lines, the progress and the cancel button.
    enum class Layout { Settings, RunWatch };

    BackupPanel(WindowContext& ctx, Layout layout, QObject* parent = nullptr);

    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    QList<int> settingsRows() const override;
    void loadSetting(int row, const QString& value) override;

    BackupPanelUi& ui() { return m_ui; }
    // Whether the automatic backups are on.
    bool backupsOn() const { return m_ui.ChkActivaRespaldos->isChecked(); }
    // The daily time, "HH:mm".
    QString dailyTimeText() const { return m_ui.HR1->time().toString(QStringLiteral("HH:mm")); }

    // Opens (or reopens) the list grid.
    void openList();
    QSqlQueryModel* listModel() const { return m_listModel; }
    BackupListStore& store() { return m_store; }

    // The controls that lock while backups are armed and after a launch, in order.
    QList<QWidget*> lockedControls() const;
    void setLocked(bool locked);

    // Reactions.
    void BitBtn2Click();        // "Agregar Archivos"
    void BitBtn4Click();        // "Agregar Carpetas"
    void BitBtn3Click();        // "Eliminar Archivo/Carpeta"
    void BitBtn1Click();        // hidden listing check
    void CmbSistemaChange();
    void ChkActivaRespaldosClick();
    void Timer1Timer();
    void Button1Click() { m_run(); }
    void Button2Click() { m_cancel(); }

    // Edition 2's launch: company rows, the backup tool, the daily check again.
    void launchBackupTool();
    // Fills the company rows from the first company other than company 1, when
    // the system is index 0. Shows the access message when that fails.
    void prepareCompanyRows();

    // `running` tells whether a backup is under way: a daily-check tick is then
    // ignored (the timer keeps running and its minute stays unmarked).
    void setRunner(std::function<void()> run, std::function<void()> cancel, std::function<bool()> running = {});
    // Remembers the minute of a launch for the daily check.
    void markLaunched();
    // A launch of the program's own, not the user's: the daily check's, and
    // edition 1's at its start.
    void runAutomatically();

private:
    void store(int row, const QString& value);
    BackupListStore::AddOutcome addAndShow(const std::function<BackupListStore::AddOutcome()>& add);
    qint64 currentRowId() const;

    WindowContext& m_ctx;
    Layout m_layout;
    BackupPanelUi m_ui;
    BackupListStore m_store;
    DailyCheck m_daily;
    QSqlQueryModel* m_listModel;
    std::function<void()> m_run;
    std::function<void()> m_cancel;
    std::function<bool()> m_running;
    // When runs started, from the history; invalid times when unknown.
    RunHistory::Times historyTimes();

    bool m_automatic = false;  // the launch under way is the program's own
    bool m_announceLaunch = false;  // the launch under way was asked for with the button
};

// Messages of the backup list and the launch.
inline const QString kMsgDuplicateFile =
    QStringLiteral("No puedes agregar el archivo seleccionado por que ya existe otro archivo del mismo nombre");
inline const QString kMsgDuplicateFolder =
    QStringLiteral("No puedes agregar la carpeta seleccionada por que ya existe otra del mismo nombre");
inline const QString kMsgFolderWarning = QStringLiteral(
    "IMPORTANTE!!... Al seleccionar una carpta para respaldo, SÓLO SE RESPALDARAN LOS ARCHIVOS, si hay carpetas "
    "dentro, para que sean respaldadas, tendrán que agregarse también");
inline const QString kMsgProtectedRow = QStringLiteral("Por seguridad no puedes eliminar del respaldo los archivos KOVA");
inline const QString kMsgConfirmRemove =
    QStringLiteral("Estas seguro de querer eliminar el archivo del respaldo automático?");
inline const QString kMsgCredentials =
    QStringLiteral("Por favor captura tu usuario y contraseña para poder hacer tus respaldos");
// Notices beside the tray icon (edition 2's backup tool).
inline const QString kNoticeBackupStarted =
    QStringLiteral("Respaldo iniciado: la herramienta de respaldo está trabajando.");
inline const QString kNoticeBackupCancelled =
    QStringLiteral("Respaldo cancelado: se detuvo la herramienta de respaldo.");
// %1: the daily time. The day's run starts late: the machine was off or
// asleep at the time, or the clock went past it.
inline const QString kNoticeMissedRun = QStringLiteral(
    "Respaldo pendiente de hoy: la hora del respaldo diario (%1) pasó sin un respaldo completo; se inicia ahora.");
inline const QString kEmptyBackupList =
    QStringLiteral("La lista está vacía. Agrega con «Agregar Archivos» los archivos que quieres respaldar.");
inline const QString kMsgCompanyRows = QStringLiteral(
    "No se pudo accesar a la base de datos del sistema, no se realizará el respaldo correctamente, por favor "
    "contacta a soporte. Gracias!");

}  // namespace dc
