#include "backup/BackupListStore.h"
#include "backup/RunHistory.h"
#include "platform/FileNames.h"
#include "settings/Database.h"
#include "support/TempRoot.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace dc;

namespace {
struct Store {
    test::TempRoot t;
    Connection c{QStringLiteral("cnn"), t.root().dataCenterDb(2)};
    BackupListStore s{c};
    int count(const QString& where)
    {
        return c.scalar(QStringLiteral("select count(*) from tbl_app_archivos where ") + where).toInt();
    }
};
const QString sep = QDir::separator();
}  // namespace

TEST(BackupListStore, DuplicateRuleIsByNameAndTypeAndStopsAtTheFirst)
{
    Store st;
    const QString a = sep + QStringLiteral("datos") + sep;
    // The second path has the name of a template row (the point-of-sale database).
    const auto out = st.s.addFiles({a + QStringLiteral("uno.txt"), a + QStringLiteral("KOVA_PuntoDeVenta.mdb"),
                                    a + QStringLiteral("tres.txt")});
    EXPECT_EQ(out.added, 1);
    EXPECT_TRUE(out.duplicate);
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'tres.txt'")), 0);
    // Same name in another folder: refused.
    EXPECT_TRUE(st.s.addFiles({sep + QStringLiteral("otra") + sep + QStringLiteral("uno.txt")}).duplicate);
    // A file named like a folder row is accepted (the type differs), and the reverse.
    EXPECT_FALSE(st.s.addFiles({a + QStringLiteral("Imagenes")}).duplicate);
    EXPECT_FALSE(st.s.addFolders({a + QStringLiteral("uno.txt")}).duplicate);
    EXPECT_TRUE(st.s.addFolders({sep + QStringLiteral("x") + sep + QStringLiteral("Imagenes")}).duplicate);
    // Letter case follows the platform's file names.
#ifdef Q_OS_WIN
    EXPECT_TRUE(st.s.addFiles({a + QStringLiteral("UNO.TXT")}).duplicate);
#else
    EXPECT_FALSE(st.s.addFiles({a + QStringLiteral("UNO.TXT")}).duplicate);
    // Times in names: two reports of one day are two files, each named whole.
    EXPECT_EQ(st.s.addFiles({QStringLiteral("/home/tienda/Corte 10:30.pdf"), QStringLiteral("/home/tienda/Cierre 11:30.pdf")}).added, 2);
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'Cierre 11:30.pdf'")), 1);
#endif
}

TEST(BackupListStore, NamesWithBlanksAccentsAndQuotesAreStoredAsTheyAre)
{
    Store st;
    const QStringList names = {QStringLiteral("Corte de caja.pdf"), QStringLiteral("Año 2026 ñandú.xls"),
                               QStringLiteral("O'Brien's notas.txt")};
    QStringList paths;
    for (const QString& n : names) paths << sep + QStringLiteral("docs") + sep + n;
    EXPECT_EQ(st.s.addFiles(paths).added, 3);
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = ?"), {names[i]}).toString(),
                  paths[i]);
    }
    // The quoted name is found again by the duplicate rule.
    EXPECT_TRUE(st.s.addFiles({sep + QStringLiteral("z") + sep + names[2]}).duplicate);
}

TEST(BackupListStore, FoldersEndWithTheSeparatorAndAreNamedByTheirLastPart)
{
    Store st;
    const QString datos = sep + QStringLiteral("home") + sep + QStringLiteral("Datos");
    st.s.addFolders({datos, datos + QStringLiteral("2") + sep});
    EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = 'Datos'")).toString(), datos + sep);
    EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = 'Datos2'")).toString(), datos + QStringLiteral("2") + sep);
#ifdef Q_OS_WIN
    EXPECT_EQ(fileNamePart(QStringLiteral("C:\\Datos")), QStringLiteral("Datos"));
    EXPECT_EQ(fileNamePart(QStringLiteral("C:archivo.txt")), QStringLiteral("archivo.txt"));
#else
    EXPECT_EQ(fileNamePart(QStringLiteral("/srv/C:\\Datos")), QStringLiteral("C:\\Datos"));
    st.s.addFolders({QStringLiteral("/home/tienda/Cortes 10:30")});
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'Cortes 10:30'")), 1);
#endif
}

TEST(BackupListStore, SystemChoiceReplacesOnlyTemplateRows)
{
    Store st;
    st.s.addFiles({sep + QStringLiteral("mio.txt")});
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Abarrotes Centro"), QStringLiteral("Abarrotes_Centro.mdb"));
    st.s.chooseSystem(3);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")), 1);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 2")), 2);
    st.s.chooseSystem(1);
    EXPECT_GT(st.count(QStringLiteral("Interno = 1")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1 and Nombre like '%Refaccionaria%'")), 2);
    st.s.chooseSystem(2);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1 and Nombre like '%Refaccionaria%'")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")) + st.count(QStringLiteral("Interno = 2")), 3);

    // The templates cannot be read: the rows of the system chosen before stay.
    const int before = st.count(QStringLiteral("Interno = 1"));
    test::TempRoot::exec(st.t.root().dataCenterDb(2),
                         QStringLiteral("alter table tbl_app_archivostemplates rename to plantillas_movidas"));
    EXPECT_THROW(st.s.chooseSystem(0), DbError);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1")), before);
}

TEST(BackupListStore, CompanyRowsPointAtThePointOfSale4Folder)
{
    Store st;
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Abarrotes Centro"), QStringLiteral("Abarrotes_Centro.mdb"));
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Ferretería Norte"), QStringLiteral("Ferreteria_Norte.mdb"));
    const BackupList rows = st.s.rows();
    BackupList company;
    for (const BackupRow& r : rows)
        if (r.interno == 2) company << r;
    ASSERT_EQ(company.size(), 2);
    EXPECT_EQ(company[0].ruta, st.t.root().pointOfSale4Dir() + QStringLiteral("Ferreteria_Norte.mdb"));
    EXPECT_EQ(company[0].tipo, 1);
    EXPECT_EQ(company[1].ruta, st.t.root().pointOfSale4Dir() + QStringLiteral("Ferretería Norte") + sep + QStringLiteral("Reportes") + sep);
    EXPECT_EQ(company[1].nombre, QStringLiteral("Reportes_Ferretería Norte"));
    EXPECT_EQ(company[1].tipo, 2);
}

TEST(BackupListStore, ARowOverTheColumnSizeIsRefused)
{
    Store st;
    EXPECT_THROW(st.s.addFiles({sep + QString(300, QLatin1Char('a'))}), DbError);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")), 0);
}

TEST(RunHistory, KeepsTheRunsNewestFirstWithTheirFilesAndOnlyTheLast365)
{
    Store st;
    RunHistory h(st.c);
    EXPECT_FALSE(h.times().lastComplete.isValid()) << "no run yet";
    const QDateTime first(QDate(2025, 12, 1), QTime(20, 0, 5));
    for (int i = 0; i < RunHistory::kKept + 2; ++i) {
        RunRecord r;
        r.start = first.addDays(i);
        r.end = r.start.addSecs(90);
        r.files = 3;
        r.bytes = qint64(5) << 30;  // past 32 bits
        r.service = QStringLiteral("respaldo.example:21");
        // Every tenth run leaves a file out; the last one too.
        const bool leftOut = i % 10 == 0 || i == RunHistory::kKept + 1;
        r.outcome = leftOut ? kOutcomeFilesLeftOut : kOutcomeComplete;
        if (leftOut) r.failures = {{QStringLiteral("/datos/ventas.mdb"), QString(300, QChar(0x00e9))}};
        h.record(r);
    }
    const QList<RunRecord> runs = h.runs();
    ASSERT_EQ(runs.size(), RunHistory::kKept);
    EXPECT_EQ(runs.front().start, first.addDays(RunHistory::kKept + 1)) << "newest first";
    EXPECT_EQ(runs.back().start, first.addDays(2)) << "the oldest two let go";
    EXPECT_EQ(runs.front().bytes, qint64(5) << 30);
    EXPECT_EQ(st.c.scalar(QStringLiteral("select count(*) from tbl_app_historial_fallas")).toInt(), 37)
        << "the files of runs let go go with them";
    const QList<RunRecord::Failure> files = h.failures(runs.front().id);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0].error.size(), 255) << "a long error is cut to its column";
    const RunHistory::Times t = h.times();
    EXPECT_EQ(t.lastStart, first.addDays(RunHistory::kKept + 1));
    EXPECT_EQ(t.lastComplete, first.addDays(RunHistory::kKept)) << "the last run left a file out";
    EXPECT_EQ(t.firstStart, first.addDays(2));
    EXPECT_EQ(lastCompleteText(t.lastComplete), QStringLiteral("Último respaldo completo: 01/12/2026 20:00"));
    // Behind after two whole days without a complete run; a new install is not.
    EXPECT_FALSE(backupOverdue(t.lastComplete.addDays(2), t.lastComplete, t.firstStart));
    EXPECT_TRUE(backupOverdue(t.lastComplete.addDays(2).addSecs(60), t.lastComplete, t.firstStart));
    EXPECT_TRUE(backupOverdue(first.addDays(3), {}, first));
    EXPECT_FALSE(backupOverdue(first, {}, {}));
}

TEST(RunHistory, UnpairedSurrogatesAreKeptAsReplacementCharactersAndFailuresBeyond200AreCounted)
{
    Store st;
    RunHistory h(st.c);
    // Windows file names may hold an unpaired surrogate; a pair stays a pair.
    const QChar lone[] = {QChar(0xd800), QChar(0xdc00)};
    const QString smile = QString::fromUcs4(U"\U0001F600");
    const QString odd = QStringLiteral("/datos/") + lone[0] + QStringLiteral("ventas") + smile + lone[1];
    const QString kept = QStringLiteral("/datos/\uFFFDventas") + smile + QStringLiteral("\uFFFD");
    RunRecord r;
    r.start = QDateTime(QDate(2026, 3, 14), QTime(10, 25));
    r.end = r.start.addSecs(60);
    r.outcome = kOutcomeFilesLeftOut;
    r.files = 7;
    r.service = QStringLiteral("respaldo") + lone[1] + QStringLiteral(":21");
    r.detail = QStringLiteral("No se encontró el archivo ") + odd;
    for (int i = 0; i < RunHistory::kFailuresListed + 50; ++i)
        r.failures.append({i == 0 ? odd : QStringLiteral("/datos/f%1").arg(i), QStringLiteral("No se pudo leer ") + odd});
    // A long text cut where a lone surrogate stood before a pair.
    r.failures[1].error = QString(254, QLatin1Char('x')) + lone[0] + smile;
    h.record(r);

    const QList<RunRecord> runs = h.runs();
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0].service, QStringLiteral("respaldo\uFFFD:21"));
    EXPECT_EQ(runs[0].detail, QStringLiteral("No se encontró el archivo ") + kept);
    EXPECT_EQ(runs[0].files, 7);
    const QList<RunRecord::Failure> files = h.failures(runs[0].id);
    ASSERT_EQ(files.size(), RunHistory::kFailuresListed + 1);
    EXPECT_EQ(files[0].file, kept);
    EXPECT_EQ(files[0].error, QStringLiteral("No se pudo leer ") + kept);
    EXPECT_EQ(files[1].error, QString(254, QLatin1Char('x')) + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(files[RunHistory::kFailuresListed - 1].file, QStringLiteral("/datos/f199"));
    EXPECT_EQ(files.back().file, kMoreFilesLeftOut);
    EXPECT_EQ(files.back().error, QStringLiteral("y otros 50 archivo(s) sin respaldar"));
    // Exactly the listed number leaves no summary row.
    r.failures.resize(RunHistory::kFailuresListed);
    h.record(r);
    EXPECT_EQ(h.failures(h.runs().front().id).size(), RunHistory::kFailuresListed);
}
