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

TEST(SettingsRows, EachRowIsReadAsItsTypeAndWrittenInItsShape)
{
    // The conversions of the stored texts, with the messages the user sees.
    EXPECT_EQ(toWholeNumber(QStringLiteral(" 22 ")), 22);
    EXPECT_EQ(toTimeOfDay(QStringLiteral("7:05")), QTime(7, 5));
    EXPECT_EQ(toTimeOfDay(QStringLiteral("07:05:09")), QTime(7, 5, 9));
    EXPECT_TRUE(toSwitch(QStringLiteral("1")));
    EXPECT_FALSE(toSwitch(QStringLiteral("0")));
    const auto refusal = [](const SettingsRowEntry& row, const char* value) {
        try {
            checkSettingValue(row, QString::fromUtf8(value));
        } catch (const ConversionError& e) {
            return e.text();
        }
        return QString();
    };
    EXPECT_EQ(refusal(settingsRow(RowServer), "uno"), QStringLiteral("'uno' no es un valor entero válido"));
    EXPECT_EQ(refusal(settingsRow(RowCloudInterval), "1.5"), QStringLiteral("'1.5' no es un valor entero válido"));
    EXPECT_EQ(refusal(settingsRow(RowBackupTime), "25:99"), QStringLiteral("'25:99' no es una hora válida"));
    EXPECT_EQ(refusal(settingsRow(RowBackupTime), "20:00 h"), QStringLiteral("'20:00 h' no es una hora válida"));
    EXPECT_EQ(refusal(settingsRow(RowSendStock), " 1"), QStringLiteral("' 1' no es 1 (sí) ni 0 (no)"));
    EXPECT_EQ(refusal(settingsRow(RowBranchName), "25:99 uno"), QString());

    // Every first value setup writes reads as its row's type; each row has a
    // name and lives in one database.
    for (const SettingsRowEntry& row : settingsRows()) {
        EXPECT_EQ(refusal(row, row.defaultValue), QString()) << row.id;
        EXPECT_GT(qstrlen(row.name), 0u) << row.id;
        EXPECT_EQ(&settingsRow(row.id), &row);
        const SettingsWrite write = settingsUpdate(row.id, QString::fromUtf8(row.defaultValue));
        EXPECT_TRUE(write.sql.endsWith(QString::number(row.id)) || write.sql.endsWith(QString::number(row.id) + QLatin1Char(' ')))
            << row.id;
    }
    EXPECT_EQ(settingsRowsOf(SettingsDatabase::DataCenter).size() + settingsRowsOf(SettingsDatabase::Company).size(),
              static_cast<qsizetype>(settingsRows().size()));
    EXPECT_THROW(settingsRow(16), std::out_of_range);
    EXPECT_THROW(settingsUpdate(0, QStringLiteral("x")), std::out_of_range);
    // A switch's value is part of the statement's text: nothing else gets in.
    EXPECT_THROW(settingsUpdate(RowBackupsOn, QStringLiteral("1' or '1")), ConversionError);
    EXPECT_THROW(settingsUpdate(RowCloudOn, QStringLiteral("1 where 1 = 1 --")), ConversionError);
    EXPECT_EQ(settingsUpdate(RowCloudOn, QStringLiteral("1")).sql, cloudSwitchUpdate(true).sql);
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

TEST(ConnectionStrings, OdbcOpensSharedWithThePasswordAndValuesCannotInjectAttributes)
{
    const QString driver = QLatin1String(kAccessOdbcDrivers[1]);
    EXPECT_EQ(odbcConnectionString(DatabaseRole::DataCenterEdition1, QStringLiteral("C:\\KOVA_VazivoZeRurov_1\\Db\\x.mdb"),
                                   driver),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\KOVA_VazivoZeRurov_1\\Db\\x.mdb;UID=Admin;"
                             "PWD=H7w2k9P4s1M8;Exclusive=0;ExtendedAnsiSQL=1;"));
    EXPECT_EQ(QLatin1String(kPointOfSaleDbPassword).size(), 15);
    EXPECT_EQ(odbcConnectionString(DatabaseRole::PointOfSale4, QStringLiteral("C:\\a.mdb"), driver),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\a.mdb;UID=Admin;PWD=bqt275;Exclusive=0;"
                             "ExtendedAnsiSQL=1;"));
    // The point-of-sale password holds '#': fine; a file name with ';' is braced.
    EXPECT_EQ(odbcConnectionString(DatabaseRole::Company, QStringLiteral("C:\\a;b}.mdb"), driver),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ={C:\\a;b}}.mdb};UID=Admin;PWD=RaPT5831VinoLA#;"
                             "Exclusive=0;ExtendedAnsiSQL=1;"));
    EXPECT_EQ(sqliteOdbcConnectionString(QStringLiteral("/t/a;b.mdb")),
              QStringLiteral("DRIVER=SQLite3;Database={/t/a;b.mdb};NoCreat=1;Timeout=%1;").arg(kBusyPolicy.waitMs));
}
