#include "settings/Database.h"
#include "settings/SettingsStatements.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dc;

TEST(Connection, NeverCreatesAMissingFileAndReopensOnLaterUse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("falta.mdb"));
    Connection c(QStringLiteral("t"), path);
    try {
        c.exec(QStringLiteral("select 1"));
        FAIL() << "opened a missing file";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("falta.mdb"))) << e.what();
        EXPECT_TRUE(e.text().endsWith(QStringLiteral(": el archivo no existe"))) << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(c.isOpen());

    // The file appears later (installed while the program runs): the next use opens it.
    test::TempRoot root;
    QFile::copy(root.root().dataCenterDb(2), path);
    EXPECT_EQ(c.scalar(QStringLiteral("select Valor from tbl_app_configuracion where Id = 4")).toString(),
              QStringLiteral("20:00"));
    EXPECT_TRUE(c.isOpen());
}

TEST(Connection, AFileThatIsNotADatabaseOrAJetFileWithoutItsDriverFailsAtOpenAndStaysAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("basura.mdb"));
    test::writeFile(path, QByteArray(4096, 'x'));
    Connection c(QStringLiteral("t"), path);
    try {
        c.open();
        ADD_FAILURE() << "opened a file that is not a database";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("no es una base de datos válida"))) << e.what();
    }
    EXPECT_FALSE(c.isOpen());

    // A shop's Access file where no Access ODBC driver exists (this machine):
    // a clear message that names the file, never SQLite in its place.
    const QString jet = dir.filePath(QStringLiteral("KOVA_PuntoDeVenta.mdb"));
    const QByteArray jetBytes = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4076, '\x5a');
    test::writeFile(jet, jetBytes);
    Connection pos(QStringLiteral("pos"), jet, DatabaseRole::PointOfSale);
    try {
        pos.open();
        FAIL() << "a Jet file opened without an Access driver";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("No se pudo abrir la base de datos ") + QDir::toNativeSeparators(jet)
                                        + QStringLiteral(": es una base de datos de Access (Jet) y en este equipo no hay "
                                                         "un controlador ODBC de Access")))
            << e.what();
    }
    QFile after(jet);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), jetBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no file was created beside it";
}

TEST(Connection, PathsWithUriCharactersOpen)
{
    QTemporaryDir dir;
    test::TempRoot root;
#ifdef Q_OS_WIN  // Windows refuses '?' in a name
    const QString path = dir.filePath(QStringLiteral("Año #1 &50%.mdb"));
#else
    const QString path = dir.filePath(QStringLiteral("Año #1 ?50%.mdb"));
#endif
    ASSERT_TRUE(QFile::copy(root.root().dataCenterDb(2), path));
    Connection c(QStringLiteral("t"), path);
    EXPECT_EQ(c.scalar(QStringLiteral("select count(*) from tbl_app_configuracion")).toInt(),
              settingsRowsOf(SettingsDatabase::DataCenter).size());
}

TEST(Connection, ValuesAreBoundStoredIntactAndSizesEnforced)
{
    test::TempRoot root;
    Connection c(QStringLiteral("t"), root.root().dataCenterDb(2));
    const QString tricky = QStringLiteral("O'Brien' where id = 3; --");
    storeSetting(c, settingsValueUpdate(2, tricky));
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 2), tricky);
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 3), QString()) << "the value changed another row";
    // A lone high surrogate before a quote: SQLite's UTF-16 decoder would take
    // the surrogate and the quote together. Such a text is refused; a valid
    // pair (an emoji) is stored intact.
    const QString lone = QString(QChar(0xD83D)) + QStringLiteral("' --");
    try {
        storeSetting(c, settingsValueUpdate(2, lone));
        ADD_FAILURE() << "a text that is not Unicode was stored";
    } catch (const DbError& e) {
        EXPECT_EQ(e.text(), invalidUnicodeText());
    }
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 2), tricky);
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 4), QStringLiteral("20:00"));
    storeSetting(c, settingsValueUpdate(2, QStringLiteral("tienda 😀")));
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 2), QStringLiteral("tienda 😀"));

    // 255 characters fit; 256 are refused with the database's error and the row keeps its value.
    storeSetting(c, settingsValueUpdate(8, QString(255, QLatin1Char('a'))));
    try {
        storeSetting(c, settingsValueUpdate(8, QString(256, QLatin1Char('b'))));
        ADD_FAILURE() << "256 characters stored";
    } catch (const DbError& e) {
        // The driver's words follow (the SQLite ODBC driver puts "[SQLite]" first).
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("El texto es demasiado largo para guardarse: admite hasta 255 "
                                                       "caracteres. Acórtalo y vuelve a intentarlo (detalle: ")))
            << e.what();
        EXPECT_TRUE(e.text().contains(QStringLiteral("CHECK constraint failed"))) << e.what();
    }
    EXPECT_EQ(test::TempRoot::setting(root.root().dataCenterDb(2), 8), QString(255, QLatin1Char('a')));
}

TEST(Connection, TheCloudSwitchNumberReadsBackAsText)
{
    test::TempRoot root;
    Connection c(QStringLiteral("t"), root.root().dataCenterDb(2));
    storeSetting(c, cloudSwitchUpdate(true));
    const QVariant v = c.scalar(QStringLiteral("select Valor from tbl_app_configuracion where Id = 7"));
    EXPECT_EQ(v.toString(), QStringLiteral("1"));
    EXPECT_EQ(test::TempRoot::scalar(root.root().dataCenterDb(2),
                                     QStringLiteral("select typeof(Valor) from tbl_app_configuracion where Id = 7"))
                  .toString(),
              QStringLiteral("text"));
}

TEST(Connection, AWriterInAnotherConnectionMakesUsWaitNotFail)
{
    test::TempRoot root;
    const QString db = root.root().dataCenterDb(2);
    Connection a(QStringLiteral("a"), db);
    Connection b(QStringLiteral("b"), db);
    WriteTransaction t(a);
    storeSetting(a, settingsValueUpdate(8, QStringLiteral("uno")));
    // WAL: a reader is not blocked by the open write transaction.
    EXPECT_EQ(b.scalar(QStringLiteral("select Valor from tbl_app_configuracion where Id = 8")).toString(), QString());
    t.commit();
    EXPECT_EQ(b.scalar(QStringLiteral("select Valor from tbl_app_configuracion where Id = 8")).toString(),
              QStringLiteral("uno"));
}
