#pragma once

#include <QStringList>

namespace dc::schema {

// Statements that create each kind of installed database. Text columns
// enforce their sizes, as the installed Jet tables do.
QStringList dataCenterTables();
QStringList pointOfSaleCompanyList();   // tbl_app_empresas
QStringList companyTables();            // settings, actions, sales, products
QStringList pointOfSale4CompanyList();

// Settings rows 1-13: Id, Descripcion, first Valor.
struct SettingsSeed {
    int id;
    const char* descripcion;
    const char* valor;
};
const SettingsSeed* dataCenterSettings(int* count);
const SettingsSeed* branchSettings(int* count);

}  // namespace dc::schema
