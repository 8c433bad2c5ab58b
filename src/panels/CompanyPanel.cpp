#include "panels/CompanyPanel.h"

#include "cloud/BranchSettings.h"
#include "widgets/ErrorReporter.h"
#include "widgets/GridModels.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"
#include "widgets/Prompts.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"
#include "settings/SettingsWriter.h"

#include <QSignalBlocker>
#include <QSqlRecord>

namespace dc {

CompanyPanel::CompanyPanel(WindowContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_companies(new QSqlQueryModel(this))
{
}

PanelPlace CompanyPanel::place() const
{
    return {"PReportesWeb", "PnReportesWeb", QStringLiteral("Configuración"), "Label11", "Image5", backupPicture()};
}

void CompanyPanel::build(QWidget* p)
{
    CompanyPanelUi& ui = m_ui;
    ui.Label25 = label(p, "Label25", QStringLiteral("Empresa:"), 121, 130);
    ui.CmbEmpresas = makeControl<QComboBox>(p, "CmbEmpresas", 170, 127, 136, 21);
    ui.Label17 = label(p, "Label17", QStringLiteral("Sucursal:"), 312, 130);
    ui.txtSucursal = edit(p, "txtSucursal", 362, 127, 93, 21);
    ui.txtSucursal->setMaxLength(settingValueMaxLength(SettingsDatabase::Company));
    ui.Label13 = heading(p, "Label13", QStringLiteral("Datos a subir"), 8, 131);
    ui.LstDatosASubir = makeControl<QListWidget>(p, "LstDatosASubir", 8, 155, 461, 59);
    ui.LstDatosASubir->setFlow(QListView::TopToBottom);
    ui.LstDatosASubir->setWrapping(true);
    ui.LstDatosASubir->setResizeMode(QListView::Adjust);
    for (const QString& text : {QStringLiteral("Ventas Generales"), QStringLiteral("Enviar Catálogo de Productos"),
                                QStringLiteral("Descargar Catálogo de Productos"), QStringLiteral("Enviar Existencias"),
                                QStringLiteral("Ventas detalladas por producto")}) {
        auto* item = new QListWidgetItem(text, ui.LstDatosASubir);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }

    ErrorReporter& e = m_ctx.errors;
    ui.CmbEmpresas->setModel(m_companies);
    // A pick from the list or with the keyboard; setting the selection in code runs nothing.
    connect(ui.CmbEmpresas, &QComboBox::activated, this, e.guard([this](int row) {
        setKey(m_companies->record(row).value(QStringLiteral("BaseDeDatos")).toString());
        CmbEmpresasClick();
    }));
    connect(ui.LstDatosASubir, &QListWidget::itemChanged, this, e.guard([this] { LstDatosASubirClickCheck(); }));
    connect(ui.txtSucursal, &QLineEdit::textChanged, this, e.guard([this] { txtSucursalChange(); }));
}

QList<QWidget*> CompanyPanel::tabOrder() const
{
    return {m_ui.CmbEmpresas, m_ui.txtSucursal, m_ui.LstDatosASubir};
}

void CompanyPanel::openCompanies()
{
    QComboBox* box = m_ui.CmbEmpresas;
    const QSignalBlocker block(box);
    loadGrid(m_companies, m_ctx.pdv, QStringLiteral("select * from tbl_app_empresas"));
    box->setModelColumn(m_companies->record().indexOf(QStringLiteral("Empresa")));
    setKey(m_key);
}

void CompanyPanel::setKey(const QString& baseDeDatos)
{
    m_key = baseDeDatos;
    int shown = -1;
    for (int row = 0; row < m_companies->rowCount() && shown < 0; ++row)
        if (m_companies->record(row).value(QStringLiteral("BaseDeDatos")).toString() == baseDeDatos) shown = row;
    const QSignalBlocker block(m_ui.CmbEmpresas);
    m_ui.CmbEmpresas->setCurrentIndex(shown);
}

void CompanyPanel::startup()
{
    openCompanies();
    setKey(kMainCompanyDb);
    CmbEmpresasClick();
}

void CompanyPanel::showTick(int item, bool ticked)
{
    QListWidget* list = m_ui.LstDatosASubir;
    const QSignalBlocker block(list);
    list->item(item)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void CompanyPanel::CmbEmpresasClick()
{
    Connection& company = m_ctx.company;
    try {
        company.close();
        company.setFilePath(m_ctx.root.companyDb(m_key));
        company.open();
    } catch (const DbError&) {
        // Left closed: the next write to the company database tries again.
        company.close();
        m_ctx.prompts.inform(kMsgCompanyDbUnavailable);
        return;
    }
    const QString one = QStringLiteral("1");
    // Loading a different branch name stores it back, as typing would.
    m_ui.txtSucursal->setText(readBranchSetting(company, RowBranchName));
    showTick(ItemSendSales, readBranchSetting(company, RowSendSales) == one);
    const QString catalogue = readBranchSetting(company, RowCatalogue);
    showTick(ItemSendCatalogue, catalogue == one);
    showTick(ItemDownloadCatalogue, catalogue == QStringLiteral("2"));
    showTick(ItemSendStock, readBranchSetting(company, RowSendStock) == one);
    showTick(ItemSendDetailedSales, readBranchSetting(company, RowSendDetailedSales) == one);
}

void CompanyPanel::LstDatosASubirClickCheck()
{
    QListWidget* list = m_ui.LstDatosASubir;
    const auto ticked = [list](int item) { return list->item(item)->checkState() == Qt::Checked; };
    Connection& company = m_ctx.company;
    m_ctx.settings.store(company, branchFlagUpdate(RowSendSales, branchFlagValue(ticked(ItemSendSales))));
    if (const auto value = catalogueValue(ticked(ItemSendCatalogue), ticked(ItemDownloadCatalogue))) {
        m_ctx.settings.store(company, branchFlagUpdate(RowCatalogue, *value));
    } else {
        // Both directions at once: neither is kept, and the row keeps its value.
        m_ctx.prompts.inform(kMsgCatalogueBothWays);
        showTick(ItemSendCatalogue, false);
        showTick(ItemDownloadCatalogue, false);
    }
    m_ctx.settings.store(company, branchFlagUpdate(RowSendStock, branchFlagValue(ticked(ItemSendStock))));
    m_ctx.settings.store(company, branchFlagUpdate(RowSendDetailedSales, branchFlagValue(ticked(ItemSendDetailedSales))));
}

void CompanyPanel::txtSucursalChange()
{
    m_ctx.settings.store(m_ctx.company, settingsValueUpdate(RowBranchName, m_ui.txtSucursal->text()));
}

}  // namespace dc
