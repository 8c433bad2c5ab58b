#pragma once

#include <QStringList>

namespace dc::schema {

// A table of an installed database, by name, and the statement that creates it.
struct Table {
    QString name;
    QString create;
};

// Statements that create each kind of installed database. Text columns
// enforce their sizes, as the installed Jet tables do.
QList<Table> dataCenterTables();
QStringList pointOfSaleCompanyList();   // tbl_app_empresas
QStringList companyTables();            // settings, actions, sales, products
QStringList pointOfSale4CompanyList();

// Settings rows: Id, Descripcion (Nombre in a company database), first Valor.
struct SettingsSeed {
    int id;
    const char* descripcion;
    const char* valor;
};
const SettingsSeed* dataCenterSettings(int* count);
const SettingsSeed* branchSettings(int* count);

}  // namespace dc::schema
