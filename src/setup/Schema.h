#pragma once

#include "settings/SettingsRows.h"

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

// The column of a settings table that holds each row's name (the rows
// themselves, with their first values, are settingsRows()).
QString settingsNameColumn(SettingsDatabase database);

}  // namespace dc::schema
