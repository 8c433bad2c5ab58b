#include "settings/ConnectionStrings.h"
#include "settings/SettingsStatements.h"

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
    EXPECT_EQ(odbcAccessConnectionString(QStringLiteral("C:\\a.mdb"), QStringLiteral("bqt275")),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\a.mdb;PWD=bqt275;ExtendedAnsiSQL=1;"));
    EXPECT_EQ(odbcAccessConnectionString(QStringLiteral("C:\\a;b.mdb"), QStringLiteral("x};UID=admin")),
              QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ={C:\\a;b.mdb};PWD={x}};UID=admin};"
                             "ExtendedAnsiSQL=1;"));
}
