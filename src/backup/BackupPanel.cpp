#include "backup/BackupPanel.h"

#include "ftpbackup/BackupRun.h"
#include "mainwindow/ErrorReporter.h"
#include "mainwindow/GridModels.h"
#include "mainwindow/Prompts.h"
#include "platform/Clock.h"
#include "platform/FolderListing.h"
#include "platform/ProcessControl.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"
#include "settings/SettingsWriter.h"

#include <QDir>
#include <QScopeGuard>
#include <QHeaderView>
#include <QSqlRecord>

namespace dc {

BackupPanel::BackupPanel(WindowContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_store(ctx.cnn), m_listModel(new QSqlQueryModel(this))
{
    MainWindowUi& ui = ctx.ui;
    ErrorReporter& e = ctx.errors;
    ui.DBGrid1->setModel(m_listModel);
    m_run = [this] { launchBackupTool(); };
    m_cancel = [this] {
        const bool ended = m_ctx.launcher.killByName(m_ctx.root.backupTool());
        m_ctx.notify(ended ? kNoticeBackupCancelled : kNoticeNoBackupRunning);
    };

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
    connect(ui.Timer1, &QTimer::timeout, this, e.guard([this] { Timer1Timer(); }));
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
    reloadGrid(m_ctx.ui.DBGrid1, m_listModel, m_ctx.cnn, QLatin1String(kBackupListSelect),
               {{QStringLiteral("Nombre"), 150}, {QStringLiteral("Ruta"), 500}});
}

QList<QWidget*> BackupPanel::lockedControls() const
{
    const MainWindowUi& ui = m_ctx.ui;
    return {ui.DBGrid1, ui.txtusuario, ui.txtpass, ui.HR1, ui.BitBtn2, ui.BitBtn3, ui.BitBtn4, ui.CmbServer, ui.CmbSistema};
}

void BackupPanel::setLocked(bool locked)
{
    for (QWidget* w : lockedControls()) w->setEnabled(!locked);
}

qint64 BackupPanel::currentRowId() const
{
    const QModelIndex current = m_ctx.ui.DBGrid1->currentIndex();
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
    if (m_listModel->record(m_ctx.ui.DBGrid1->currentIndex().row()).value(QStringLiteral("Interno")).toInt() != 0) {
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
    for (int i = 0; i < m_ctx.ui.LstTmp->count(); ++i) items << m_ctx.ui.LstTmp->item(i)->text();
    const int before = items.size();
    listFolderFiles(m_ctx.root.pointOfSale4ImagesDir(), items);
    m_ctx.ui.LstTmp->addItems(items.mid(before));
    for (int i = 0; i < m_ctx.ui.LstTmp->count(); ++i) {
        m_ctx.ui.LstTmp->setCurrentRow(i);
        m_ctx.prompts.inform(m_ctx.ui.LstTmp->item(i)->text());
    }
}

void BackupPanel::CmbSistemaChange()
{
    if (m_ctx.loading != 0) return;
    const int index = m_ctx.ui.CmbSistema->currentIndex();
    m_store.chooseSystem(index);
    store(RowSystem, QString::number(index));
    openList();
}

void BackupPanel::ChkActivaRespaldosClick()
{
    MainWindowUi& ui = m_ctx.ui;
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
    if (!m_daily.due(now, m_ctx.ui.HR1->time())) return;
    m_ctx.ui.Timer1->stop();
    Button1Click();
}

void BackupPanel::markLaunched()
{
    m_daily.launched(m_ctx.clock.now());
}

void BackupPanel::prepareCompanyRows()
{
    if (m_ctx.ui.CmbSistema->currentIndex() != 0) return;
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
    const bool started = m_ctx.launcher.start(tool, WindowMode::Normal, &why);
    m_ctx.ui.Timer1->start();
    if (!started)
        m_ctx.errors.report(QStringLiteral("No se pudo iniciar la herramienta de respaldo ") + QDir::toNativeSeparators(tool)
                            + QStringLiteral(" (") + why + QStringLiteral("): el respaldo no se realizó"));
    else if (m_announceLaunch)
        m_ctx.notify(kNoticeBackupStarted);
}

}  // namespace dc
