#include "settings/ConnectionStrings.h"
#include "settings/SettingsStatements.h"
#include "settings/SqlDialect.h"

#include <gtest/gtest.h>

using namespace dc;

TEST(SettingsStatements, TextsAreTheInstalledOnesWithTheValueBound)
{
    const SettingsWrite user = settingsValueUpdate(2, QStringLiteral("juan'"));
    EXPECT_EQ(user.sql, QStringLiteral("update tbl_app_configuracion set valor = ? where id = 2 "));
    EXPECT_EQ(user.values, QVariantList{QStringLiteral("juan'")});
    EXPECT_EQ(settingsValueUpdate(169, QString()).sql,
              QStringLiteral("update tbl_app_configuracion set valor = ? where id = 169 "));
    EXPECT_EQ(backupSwitchUpdate(true).sql, QStringLiteral("update tbl_app_configuracion set valor = '1' where id = 5 "));
    EXPECT_EQ(backupSwitchUpdate(false).sql, QStringLiteral("update tbl_app_configuracion set valor = '0' where id = 5 "));
    EXPECT_EQ(cloudSwitchUpdate(true).sql, QStringLiteral("update tbl_app_configuracion set Valor = 1 where Id = 7"));
    EXPECT_EQ(cloudSwitchUpdate(false).sql, QStringLiteral("update tbl_app_configuracion set Valor = 0 where Id = 7"));
    const SettingsWrite flag = branchFlagUpdate(170, QStringLiteral("2"));
    EXPECT_EQ(flag.sql, QStringLiteral("update tbl_app_configuracion set valor = ? where Id = 170"));
    EXPECT_EQ(flag.values, QVariantList{QStringLiteral("2")});
}

TEST(SqlDialect, WhatTheTwoEnginesSayDifferentlyAndTheCheckThatCatchesTheRest)
{
    const SqlDialect& jet = SqlDialect::jet();
    const SqlDialect& sqlite = SqlDialect::sqlite();
    EXPECT_EQ(jet.boolean(false), QStringLiteral("False"));
    EXPECT_EQ(sqlite.boolean(false), QStringLiteral("0"));
    const QDateTime at(QDate(2026, 3, 14), QTime(10, 25, 7));
    EXPECT_EQ(sqlite.dateTime(at), QVariant(QStringLiteral("2026-03-14 10:25:07")));
    EXPECT_EQ(jet.dateTime(at), QVariant(at));
    EXPECT_TRUE(jet.probe().isEmpty());
    EXPECT_TRUE(jet.bulkWritesBegin().isEmpty());
    EXPECT_TRUE(jet.isLockError(QStringLiteral("-3218")));
    EXPECT_TRUE(sqlite.isLockError(QStringLiteral("517")));  // SQLITE_BUSY_SNAPSHOT
    EXPECT_FALSE(sqlite.isLockError(QStringLiteral("19")));

    // Statements of one engine only, as they were once written here.
    for (const char* sql : {"insert into tbl_app_Log (\"Desc\") values (?)", "select Id from tbl_app_productos where Inactivo = false",
                            "PRAGMA synchronous = NORMAL", "select * from tbl_app_Log order by Id desc limit 50",
                            "select top 50 * from tbl_app_Log", "select Ruta || Nombre from tbl_app_archivos",
                            "insert or ignore into t values (1)", "select count(*) from sqlite_master", "BEGIN IMMEDIATE",
                            "select `Desc` from tbl_app_Log", "select Id from t where a != 1",
                            "select Id from t where fecha > #2026-01-01#", "select coalesce(Valor, '') from t"})
        EXPECT_FALSE(outsideCommonSql(QLatin1String(sql)).isEmpty()) << sql;
    // What both understand; words inside a quoted value do not count.
    for (const char* sql : {"insert into tbl_app_Log ([Desc]) values (?)", "select * from tbl_app_configuracion where Id = :id",
                            "update tbl_app_configuracion set valor = '1' where id = 5 ",
                            "select * from t where Nombre = 'limit 5 || true; pragma'",
                            "insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) select Ruta, Nombre, Tipo, Interno from "
                            "tbl_app_archivostemplates where Sistema = ?"})
        EXPECT_TRUE(outsideCommonSql(QLatin1String(sql)).isEmpty()) << sql;
}

TEST(ConnectionStrings, JetOptionsInOrder)
{
    const QString e2 = jetOleDbConnectionString(QStringLiteral("C:\\KOVA_VazivoZeRurov_2\\Db\\KOVA_VazivoZeRurov.mdb"),
                                                QLatin1String(kDataCenterDbPassword), false);
    EXPECT_EQ(e2, QStringLiteral(
                      "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=C:\\KOVA_VazivoZeRurov_2\\Db\\"
                      "KOVA_VazivoZeRurov.mdb;Mode=Share Deny None;Jet OLEDB:System database=\"\";Jet OLEDB:Registry "
                      "Path=\"\";Jet OLEDB:Database Password=H7w2k9P4s1M8;Jet OLEDB:Engine Type=5;Jet OLEDB:Database "
                      "Locking Mode=1;Jet OLEDB:Global Partial Bulk Ops=2;Jet OLEDB:Global Bulk Transactions=1;Jet "
                      "OLEDB:New Database Password=\"\";Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt "
                      "Database=False;Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica "
                      "Repair=False;Jet OLEDB:SFP=False;"));
    const QString e1 = jetOleDbConnectionString(QStringLiteral("x.mdb"), QStringLiteral("p"), true);
    EXPECT_TRUE(e1.contains(QStringLiteral(";Mode=Share Deny None;Persist Security Info=False;Jet OLEDB:System")));
    EXPECT_EQ(QLatin1String(kPointOfSaleDbPassword).size(), 15);
}

TEST(ConnectionStrings, CompanyFormHasNoFinalSeparator)
{
    const QString s = companyOleDbConnectionString(QStringLiteral("C:\\KOVA_PuntoDeVenta_5\\Empresa2.mdb"),
                                                   QLatin1String(kPointOfSaleDbPassword));
    EXPECT_TRUE(s.startsWith(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data "
                                            "Source=C:\\KOVA_PuntoDeVenta_5\\Empresa2.mdb;Mode=Share Deny None;"
                                            "Extended Properties=\"\";")));
    EXPECT_TRUE(s.contains(QStringLiteral("Jet OLEDB:Database Password=RaPT5831VinoLA#;")));
    EXPECT_TRUE(s.endsWith(QStringLiteral("Jet OLEDB:SFP=False")));
}

TEST(ConnectionStrings, OdbcValuesCannotInjectAttributes)
{
    const QString driver = QLatin1String(kAccessOdbcDrivers[1]);
    EXPECT_EQ(odbcConnectionString(DatabaseRole::PointOfSale4, QStringLiteral("C:\\a.mdb"), driver),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\a.mdb;UID=Admin;PWD=bqt275;Exclusive=0;"
                             "ExtendedAnsiSQL=1;"));
    // The point-of-sale password holds '#': fine; a file name with ';' is braced.
    EXPECT_EQ(odbcConnectionString(DatabaseRole::Company, QStringLiteral("C:\\a;b}.mdb"), driver),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ={C:\\a;b}}.mdb};UID=Admin;PWD=RaPT5831VinoLA#;"
                             "Exclusive=0;ExtendedAnsiSQL=1;"));
    EXPECT_EQ(sqliteOdbcConnectionString(QStringLiteral("/t/a;b.mdb")),
              QStringLiteral("DRIVER=SQLite3;Database={/t/a;b.mdb};NoCreat=1;Timeout=5000;"));
}
