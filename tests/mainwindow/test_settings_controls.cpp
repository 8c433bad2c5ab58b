// Every settings control stores its row the moment it changes.
#include "settings/Database.h"
#include "support/WindowFixture.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::WindowFixture;

TEST(SettingsControls, TextBoxesStoreOnEveryKeystroke)
{
    WindowFixture f;
    f.traceWrites(f.db());
    TFrmPrincipal& w = f.start();
    QTest::keyClicks(w.backup().ui().txtusuario, QStringLiteral("ana"));
    EXPECT_EQ(f.writesOf(f.db(), 2), (QStringList{QStringLiteral("a"), QStringLiteral("an"), QStringLiteral("ana")}));
    QTest::keyClicks(w.cloud()->ui().TxtPassEntrante, QStringLiteral("x'y"));
    EXPECT_EQ(f.setting(12), QStringLiteral("x'y"));
    EXPECT_EQ(f.setting(11), QString()) << "a quote changed another row";

    const std::pair<QLineEdit*, int> boxes[] = {
        {w.backup().ui().txtpass, 3},          {w.cloud()->ui().TxtServidor, 8},       {w.cloud()->ui().TxtUsuarioSaliente, 9},
        {w.cloud()->ui().TxtPassSaliente, 10}, {w.cloud()->ui().TxtUsuarioEntrante, 11}, {w.cloud()->ui().TxtPassEntrante, 12},
    };
    for (const auto& [box, row] : boxes) {
        box->setText(QStringLiteral("valor %1 'ñ'").arg(row));
        EXPECT_EQ(f.setting(row), QStringLiteral("valor %1 'ñ'").arg(row)) << row;
    }
    // Deleting the text stores the empty text.
    w.cloud()->ui().TxtServidor->clear();
    EXPECT_EQ(f.setting(8), QString());
}

TEST(SettingsControls, ListsAndTimeStoreTheirValue)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.backup().ui().HR1->setTime(QTime(19, 5));
    EXPECT_EQ(f.setting(4), QStringLiteral("19:05"));
    w.backup().ui().HR1->setTime(QTime(9, 0));
    EXPECT_EQ(f.setting(4), QStringLiteral("09:00"));
    w.backup().ui().CmbServer->setCurrentIndex(22);
    EXPECT_EQ(f.setting(1), QStringLiteral("22"));
    w.backup().ui().CmbSistema->setCurrentIndex(3);
    EXPECT_EQ(f.setting(6), QStringLiteral("3"));
    for (int i = 0; i < 6; ++i) {
        w.cloud()->ui().CmbTiempo->setCurrentIndex(i);
        EXPECT_EQ(f.setting(13), QString::number((i + 1) * 10));
    }
}

TEST(SettingsControls, SwitchesStoreTheirFixedStatements)
{
    WindowFixture f;
    f.setSetting(2, QStringLiteral("u"));
    f.setSetting(3, QStringLiteral("p"));
    TFrmPrincipal& w = f.start();
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    EXPECT_EQ(f.setting(7), QStringLiteral("1"));
    w.cloud()->ui().ChkNubeActivado->setChecked(false);
    EXPECT_EQ(f.setting(7), QStringLiteral("0"));
    EXPECT_FALSE(w.cloud()->ui().TNube->isActive());
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    EXPECT_EQ(f.setting(5), QStringLiteral("1"));
    w.backup().ui().ChkActivaRespaldos->setChecked(false);
    EXPECT_EQ(f.setting(5), QStringLiteral("0"));
}

TEST(SettingsControls, AValueTheDatabaseCannotTakeIsRefusedAndTheRowsKeepTheirValues)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    // A text box takes no more than its row holds: a long paste is cut, stored, and no database error shows.
    w.cloud()->ui().TxtServidor->setText(QString(360, QLatin1Char('x')));
    EXPECT_EQ(f.setting(8), QString(255, QLatin1Char('x')));
    w.companies()->ui().txtSucursal->setText(QString(360, QLatin1Char('s')));
    EXPECT_EQ(w.companies()->ui().txtSucursal->text().size(), 250);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).isEmpty()) << f.prompts.texts(QStringLiteral("error")).join(QLatin1Char('|')).toStdString();

    // A pasted text with a lone high surrogate before a quote once rewrote
    // every row; now it is refused with its own message and nothing changes.
    QStringList before;
    for (int row = 1; row <= 13; ++row) before << f.setting(row);
    w.backup().ui().txtusuario->setText(QString(QChar(0xD800)) + QStringLiteral("' --"));
    QStringList after;
    for (int row = 1; row <= 13; ++row) after << f.setting(row);
    EXPECT_EQ(after, before);
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).last().startsWith(invalidUnicodeText()));
}
