#include "panels/BackupPanel.h"

#include "backup/Credentials.h"
#include "settings/SettingsRows.h"
#include "widgets/ErrorReporter.h"
#include "widgets/EmptyState.h"
#include "widgets/GridModels.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"
#include "widgets/Prompts.h"
#include "platform/Clock.h"
#include "platform/FolderListing.h"
#include "platform/ProcessControl.h"
#include "settings/Database.h"
#include "settings/SettingsStatements.h"
#include "settings/SettingsWriter.h"

#include <QDir>
#include <QHeaderView>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSqlRecord>

namespace dc {

BackupPanel::BackupPanel(WindowContext& ctx, Layout layout, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_layout(layout), m_store(ctx.cnn), m_listModel(new QSqlQueryModel(this))
{
    m_ui.Timer1 = timer(parent ? parent : this, "Timer1", 50000);
    connect(m_ui.Timer1, &QTimer::timeout, this, ctx.errors.guard([this] { Timer1Timer(); }));
    m_run = [this] { launchBackupTool(); };
    // With no backup tool running a cancel does nothing and says nothing.
    m_cancel = [this] {
        if (m_ctx.launcher.killByName(m_ctx.root.backupTool())) m_ctx.notify(kNoticeBackupCancelled);
    };
}

PanelPlace BackupPanel::place() const
{
    return {"PRespaldoDatos", "PnRespaldos", QStringLiteral("Configuración"), "Label1", "Image1", backupPicture(), false};
}

void BackupPanel::build(QWidget* p)
{
    BackupPanelUi& ui = m_ui;
    ui.ChkActivaRespaldos = makeControl<QCheckBox>(p, "ChkActivaRespaldos", 12, 7, 185, 17);
    ui.ChkActivaRespaldos->setText(QStringLiteral("Activar los respaldos automàticos"));
    ui.Label9 = label(p, "Label9", QStringLiteral("Servidor:"), 29, 35);
    QStringList servers;
    for (int i = 1; i <= 23; ++i) servers << QStringLiteral("KOVA Server %1").arg(i);
    ui.CmbServer = list(p, "CmbServer", servers, 79, 32, 121, 21);
    ui.Label10 = label(p, "Label10", QStringLiteral("Sistema:"), 223, 35);
    ui.CmbSistema = list(p, "CmbSistema",
                         {QStringLiteral("KOVA Punto de Venta 4.0"), QStringLiteral("KOVA Refaccionaria 1.0"),
                          QStringLiteral("KOVA Punto de Venta 3.0"), QStringLiteral("Ninguno")},
                         270, 32, 145, 21);
    ui.Label3 = label(p, "Label3", QStringLiteral("Usuario:"), 33, 57);
    ui.txtusuario = edit(p, "txtusuario", 79, 54, 121, 21);
    ui.Label4 = label(p, "Label4", QStringLiteral("Contraseña:"), 13, 79);
    ui.txtpass = edit(p, "txtpass", 79, 76, 121, 21, true);
    for (QLineEdit* box : {ui.txtusuario, ui.txtpass}) box->setMaxLength(settingValueMaxLength(SettingsDatabase::DataCenter));
    ui.Label2 = label(p, "Label2", QStringLiteral("Hora del respaldo diario:"), 223, 69);
    ui.HR1 = timePicker(p, "HR1", 347, 67, 105, 21);
    ui.HR1->setDisplayFormat(QStringLiteral("HH:mm"));
    ui.HR1->setTime(QTime(20, 0));
    ui.Shape1 = line(p, "Shape1", 12, 104, 461, 1);
    ui.Label8 = label(p, "Label8", QStringLiteral("Archivos a Respaldar"), 12, 112);
    ui.Button2 = button(p, "Button2", QStringLiteral("Cancelar Respaldo"), 199, 107, 115, 20);
    ui.Button1 = button(p, "Button1", QStringLiteral("Hacer un respaldo ahora"), 320, 107, 153, 20);
    ui.DBGrid1 = grid(p, "DBGrid1", 12, 128, 461, 197);
    ui.DBGrid1->setTextElideMode(Qt::ElideMiddle);  // a path keeps its file name in sight
    ui.BitBtn3 = button(p, "BitBtn3", QStringLiteral("Eliminar Archivo/Carpeta"), 12, 326, 179, 20);
    ui.BitBtn4 = button(p, "BitBtn4", QStringLiteral("Agregar Carpetas"), 273, 326, 97, 20);
    ui.BitBtn4->hide();
    ui.BitBtn2 = button(p, "BitBtn2", QStringLiteral("Agregar Archivos"), 376, 326, 97, 20);
    ui.Label6 = label(p, "Label6", QString(), 13, 347, 452, 13);
    QPalette red = ui.Label6->palette();
    red.setColor(QPalette::WindowText, QColor(0xa0, 0x00, 0x00));
    ui.Label6->setPalette(red);
    ui.Label5 = label(p, "Label5", QStringLiteral("Sin Actividad"), 12, 359, 453, 12);
    ui.ProgressBar1 = makeControl<QProgressBar>(p, "ProgressBar1", 12, 375, 457, 17);
    ui.ProgressBar1->setRange(0, 100);
    ui.ProgressBar1->setValue(0);
    ui.LstTmp = makeControl<QListWidget>(p, "LstTmp", 273, 185, 170, 168);
    ui.LstTmp->hide();
    ui.BitBtn1 = button(p, "BitBtn1", QStringLiteral("BitBtn1"), 154, 237, 75, 25);
    ui.BitBtn1->hide();

    if (m_layout == Layout::RunWatch) {
        // Edition 1 watches the backup: list, status, progress and cancel.
        for (QWidget* w : std::initializer_list<QWidget*>{ui.ChkActivaRespaldos, ui.Label9, ui.CmbServer, ui.Label10,
                                                          ui.CmbSistema, ui.Label3, ui.txtusuario, ui.Label4, ui.txtpass,
                                                          ui.Label2, ui.HR1, ui.Shape1, ui.Button1, ui.BitBtn2, ui.BitBtn3})
            w->hide();
        ui.Label8->move(16, 11);
        ui.Button2->setGeometry(354, 6, 115, 20);
        ui.Button2->setEnabled(false);
        ui.DBGrid1->setGeometry(12, 32, 461, 309);
    } else {
        // In edition 2 the transfer belongs to the backup tool: no status or progress here.
        ui.Label6->hide();
        ui.Label5->hide();
        ui.ProgressBar1->hide();
    }

    ErrorReporter& e = m_ctx.errors;
    ui.DBGrid1->setModel(m_listModel);
    showWhenEmpty(ui.DBGrid1, [] { return kEmptyBackupList; });
    connect(ui.txtusuario, &QLineEdit::textChanged, this,
            e.guard([this](const QString& t) { store(RowBackupUser, t); }));
    connect(ui.txtpass, &QLineEdit::textChanged, this,
            e.guard([this](const QString& t) { store(RowBackupPassword, t); }));
    connect(ui.HR1, &QTimeEdit::timeChanged, this,
            e.guard([this](const QTime& t) { store(RowBackupTime, DailyCheck::minuteText(t)); }));
    connect(ui.CmbServer, &QComboBox::currentIndexChanged, this,
            e.guard([this](int index) { store(RowServer, QString::number(index)); }));
    connect(ui.CmbSistema, &QComboBox::currentIndexChanged, this, e.guard([this](int) { CmbSistemaChange(); }));
    connect(ui.ChkActivaRespaldos, &QCheckBox::toggled, this, e.guard([this](bool) { ChkActivaRespaldosClick(); }));
    connect(ui.BitBtn2, &QPushButton::clicked, this, e.guard([this] { BitBtn2Click(); }));
    connect(ui.BitBtn4, &QPushButton::clicked, this, e.guard([this] { BitBtn4Click(); }));
    connect(ui.BitBtn3, &QPushButton::clicked, this, e.guard([this] { BitBtn3Click(); }));
    connect(ui.BitBtn1, &QPushButton::clicked, this, e.guard([this] { BitBtn1Click(); }));
    connect(ui.Button1, &QPushButton::clicked, this, e.guard([this] {
        // A backup started by hand says so; the daily check's does not.
        m_announceLaunch = true;
        const auto done = qScopeGuard([this] { m_announceLaunch = false; });
        Button1Click();
    }));
    connect(ui.Button2, &QPushButton::clicked, this, e.guard([this] { Button2Click(); }));
}

QList<QWidget*> BackupPanel::tabOrder() const
{
    const BackupPanelUi& ui = m_ui;
    if (m_layout == Layout::RunWatch) return {ui.Button2, ui.DBGrid1};
    return {ui.ChkActivaRespaldos, ui.CmbServer, ui.txtusuario, ui.txtpass, ui.CmbSistema, ui.HR1,
            ui.Button2,           ui.Button1,   ui.DBGrid1,    ui.BitBtn3, ui.BitBtn2};
}

QList<int> BackupPanel::settingsRows() const
{
    return {RowServer, RowBackupUser, RowBackupPassword, RowBackupTime, RowBackupsOn, RowSystem};
}

void BackupPanel::loadSetting(int row, const QString& value)
{
    BackupPanelUi& ui = m_ui;
    switch (row) {
    case RowServer: selectItem(ui.CmbServer, toWholeNumber(value)); break;
    case RowBackupUser: ui.txtusuario->setText(value); break;
    case RowBackupPassword: ui.txtpass->setText(value); break;
    case RowBackupTime: {
        const QSignalBlocker block(ui.HR1);
        ui.HR1->setTime(toTimeOfDay(value));
        break;
    }
    case RowBackupsOn: ui.ChkActivaRespaldos->setChecked(value != QStringLiteral("0")); break;
    case RowSystem: selectItem(ui.CmbSistema, toWholeNumber(value)); break;
    default: break;
    }
}

void BackupPanel::setRunner(std::function<void()> run, std::function<void()> cancel, std::function<bool()> running)
{
    m_run = std::move(run);
    m_cancel = std::move(cancel);
    m_running = std::move(running);
}

void BackupPanel::store(int row, const QString& value)
{
    m_ctx.settings.store(m_ctx.cnn, settingsValueUpdate(row, value));
}

void BackupPanel::openList()
{
    reloadGrid(m_ui.DBGrid1, m_listModel, m_ctx.cnn, QLatin1String(kBackupListSelect),
               {{QStringLiteral("Nombre"), 150}, {QStringLiteral("Ruta"), 500}});
}

QList<QWidget*> BackupPanel::lockedControls() const
{
    const BackupPanelUi& ui = m_ui;
    return {ui.DBGrid1, ui.txtusuario, ui.txtpass, ui.HR1, ui.BitBtn2, ui.BitBtn3, ui.BitBtn4, ui.CmbServer, ui.CmbSistema};
}

void BackupPanel::setLocked(bool locked)
{
    for (QWidget* w : lockedControls()) w->setEnabled(!locked);
}

qint64 BackupPanel::currentRowId() const
{
    const QModelIndex current = m_ui.DBGrid1->currentIndex();
    if (!current.isValid()) return -1;
    const QVariant id = m_listModel->record(current.row()).value(QStringLiteral("Id"));
    return id.isValid() ? id.toLongLong() : -1;
}

BackupListStore::AddOutcome BackupPanel::addAndShow(const std::function<BackupListStore::AddOutcome()>& add)
{
    // Rows posted before a failure stay, and the grid shows them.
    BackupListStore::AddOutcome out;
    try {
        out = add();
    } catch (...) {
        openList();
        throw;
    }
    openList();
    return out;
}

void BackupPanel::BitBtn2Click()
{
    const QStringList paths = m_ctx.prompts.openFiles();
    if (paths.isEmpty()) return;
    const BackupListStore::AddOutcome out = addAndShow([&] { return m_store.addFiles(paths); });
    if (out.duplicate) m_ctx.prompts.inform(kMsgDuplicateFile);
}

void BackupPanel::BitBtn4Click()
{
    m_ctx.prompts.warnOkCancel(kMsgFolderWarning);  // the answer is not consulted
    const QStringList paths = m_ctx.prompts.openFolders();
    if (paths.isEmpty()) return;
    const BackupListStore::AddOutcome out = addAndShow([&] { return m_store.addFolders(paths); });
    if (out.duplicate) m_ctx.prompts.inform(kMsgDuplicateFolder);
}

void BackupPanel::BitBtn3Click()
{
    const qint64 id = currentRowId();
    if (id < 0) return;  // an empty list: nothing to remove
    if (m_listModel->record(m_ui.DBGrid1->currentIndex().row()).value(QStringLiteral("Interno")).toInt() != 0) {
        m_ctx.prompts.inform(kMsgProtectedRow);
        return;
    }
    if (!m_ctx.prompts.confirm(kMsgConfirmRemove)) return;
    m_store.remove(id);
    openList();
}

void BackupPanel::BitBtn1Click()
{
    QStringList items;
    for (int i = 0; i < m_ui.LstTmp->count(); ++i) items << m_ui.LstTmp->item(i)->text();
    const int before = items.size();
    listFolderFiles(m_ctx.root.pointOfSale4ImagesDir(), items);
    m_ui.LstTmp->addItems(items.mid(before));
    for (int i = 0; i < m_ui.LstTmp->count(); ++i) {
        m_ui.LstTmp->setCurrentRow(i);
        m_ctx.prompts.inform(m_ui.LstTmp->item(i)->text());
    }
}

void BackupPanel::CmbSistemaChange()
{
    if (m_ctx.loading != 0) return;
    const int index = m_ui.CmbSistema->currentIndex();
    m_store.chooseSystem(index);
    store(RowSystem, QString::number(index));
    openList();
}

void BackupPanel::ChkActivaRespaldosClick()
{
    BackupPanelUi& ui = m_ui;
    if (ui.ChkActivaRespaldos->isChecked()) {
        m_ctx.settings.store(m_ctx.cnn, backupSwitchUpdate(true));
        setLocked(true);
        if (isBlankCredential(ui.txtusuario->text()) || isBlankCredential(ui.txtpass->text())) {
            m_ctx.prompts.inform(kMsgCredentials);
            ui.ChkActivaRespaldos->setChecked(false);  // runs this reaction again, unchecked
            return;
        }
        ui.Timer1->start();
    } else {
        setLocked(false);
        m_ctx.settings.store(m_ctx.cnn, backupSwitchUpdate(false));
        ui.Timer1->stop();
    }
}

void BackupPanel::Timer1Timer()
{
    if (m_running && m_running()) return;
    const QDateTime now = m_ctx.clock.now();
    const QTime configured = m_ui.HR1->time();
    const RunHistory::Times runs = historyTimes();
    const DailyCheck::Due due = m_daily.due(now, configured, runs.lastComplete, runs.lastStart);
    if (due == DailyCheck::Due::No) return;
    m_ui.Timer1->stop();
    if (due == DailyCheck::Due::Missed) m_ctx.notify(kNoticeMissedRun.arg(DailyCheck::minuteText(configured)));
    runAutomatically();
}

void BackupPanel::runAutomatically()
{
    m_automatic = true;
    const auto lowered = qScopeGuard([this] { m_automatic = false; });
    Button1Click();
}

RunHistory::Times BackupPanel::historyTimes()
{
    try {
        return RunHistory(m_ctx.cnn).times();
    } catch (const std::exception&) {
        // A database without its history yet (setup has not run since): the
        // day's run is then caught up once, as when none was complete.
        return {};
    }
}

void BackupPanel::markLaunched()
{
    // A launch of the program's own (the daily check, edition 1's start) made
    // at or after the day's time is the day's: a missed minute is not caught
    // up again. A launch by hand, or one before the time, is not.
    const QDateTime now = m_ctx.clock.now();
    m_daily.launched(now, m_automatic && DailyCheck::minuteText(now.time()) >= DailyCheck::minuteText(m_ui.HR1->time()));
}

void BackupPanel::prepareCompanyRows()
{
    if (m_ui.CmbSistema->currentIndex() != 0) return;
    try {
        QSqlQuery q = m_ctx.pdv.query(QStringLiteral("select * from tbl_app_empresas\nwhere id <> 1"));
        if (q.next()) {
            const QString empresa = q.value(QStringLiteral("Empresa")).toString();
            const QString base = q.value(QStringLiteral("BaseDeDatos")).toString();
            q = QSqlQuery();
            m_store.replaceCompanyRows(m_ctx.root, empresa, base);
            openList();
        }
    } catch (const std::exception&) {
        m_ctx.prompts.inform(kMsgCompanyRows);
    }
}

void BackupPanel::launchBackupTool()
{
    setLocked(true);
    prepareCompanyRows();
    markLaunched();
    const QString tool = m_ctx.root.backupTool();
    QString why;
    const bool started = m_ctx.launcher.start(tool, WindowMode::Normal, m_ui.Button1->window()->winId(), &why);
    m_ui.Timer1->start();
    if (!started)
        m_ctx.errors.report(QStringLiteral("No se pudo iniciar la herramienta de respaldo ") + QDir::toNativeSeparators(tool)
                            + QStringLiteral(" (") + why + QStringLiteral("): el respaldo no se realizó"));
    else if (m_announceLaunch)
        m_ctx.notify(kNoticeBackupStarted);
}

}  // namespace dc
