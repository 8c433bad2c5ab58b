#pragma once

#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QSqlQueryModel>

namespace dc {

// The company selection's controls.
struct CompanyPanelUi {
    QLabel* Label25 = nullptr;
    QComboBox* CmbEmpresas = nullptr;
    QLabel* Label17 = nullptr;
    QLineEdit* txtSucursal = nullptr;
    QLabel* Label13 = nullptr;
    QListWidget* LstDatosASubir = nullptr;
};

// The company selection of the cloud panel: the list of companies of the
// point-of-sale database, the connection to the selected company's own
// database, and that company's branch settings (branch name and the kinds of
// data to upload).
class CompanyPanel : public QObject, public Panel {
    Q_OBJECT
public:
    explicit CompanyPanel(WindowContext& ctx, QObject* parent = nullptr);

    // On the cloud settings' page.
    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    CompanyPanelUi& ui() { return m_ui; }
    // The name of the company selected now.
    QString companyName() const { return m_ui.CmbEmpresas->currentText(); }

    // Opens (or reopens) the list of companies.
    void openCompanies();
    // Sets the selection's key (a company's BaseDeDatos) and shows the company
    // that has it, or none; the key stays set either way. Runs no reaction.
    void setKey(const QString& baseDeDatos);
    QString key() const { return m_key; }
    QSqlQueryModel* companiesModel() const { return m_companies; }

    // Start-up: the companies, the main company selected and its database opened.
    void startup();

    // Reactions.
    void CmbEmpresasClick();
    void LstDatosASubirClickCheck();
    void txtSucursalChange();

private:
    void showTick(int item, bool ticked);

    WindowContext& m_ctx;
    CompanyPanelUi m_ui;
    QSqlQueryModel* m_companies;
    QString m_key;
};

// The main company's database: the point-of-sale database itself.
inline const QString kMainCompanyDb = QStringLiteral("KOVA_PuntoDeVenta.mdb");

inline const QString kMsgCompanyDbUnavailable =
    QStringLiteral("No ha sido posible accesar la base de datos por favor contacta a soporte!");
inline const QString kMsgCatalogueBothWays = QStringLiteral(
    "No puedes seleccionar \"Subir catálogo y Descargar Catálogo\" al mismo tiempo, por favor selecciona una sóla "
    "opción. Gracias!");

}  // namespace dc
