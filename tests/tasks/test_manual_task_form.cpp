// The manual task form and the task list of the cloud panel.
#include "panels/CompanyPanel.h"
#include "settings/Database.h"
#include "support/WindowFixture.h"
#include "tasks/ManualTasks.h"
#include "panels/TFrmTareaManual.h"
#include "panels/TasksPanel.h"

#include <QFile>
#include <QHeaderView>
#include <QScopeGuard>
#include <QSqlRecord>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::TempRoot;
using dc::test::WindowFixture;

namespace {

// A started window with the main company selected, and its task form.
struct TaskFixture {
    WindowFixture f;
    QString company = f.temp.root().pointOfSale5Db();
    TFrmPrincipal* w = nullptr;
    TFrmTareaManual* form = nullptr;

    void start()
    {
        w = &f.start();
        form = w->tasks()->form();
    }
    void addSale(qint64 id, const char* fecha) const
    {
        TempRoot::exec(company, QStringLiteral("insert into tbl_app_saldos (Id, fecha) values (?, ?)"), {id, QLatin1String(fecha)});
    }
    void addProduct(qint64 id, bool inactive) const
    {
        TempRoot::exec(company, QStringLiteral("insert into tbl_app_productos (Id, Inactivo) values (?, ?)"), {id, inactive});
    }
    void salesTask(QDate first, QDate last)
    {
        form->ventasdate1->setSelectedDate(first);
        form->ventasdate2->setSelectedDate(last);
        form->BitBtn1->click();
    }
    // The ids of the action rows of a table, in the order posted.
    QList<qint64> actions(const QString& tabla = kTablaSaldos) const
    {
        Connection c(QStringLiteral("check"), company);
        QSqlQuery q = c.query(QStringLiteral("select Id from tbl_web_acciones where Tabla = ? and Accion = 'N' and "
                                             "Status = 'N' order by rowid"), {tabla});
        QList<qint64> out;
        while (q.next()) out << q.value(0).toLongLong();
        return out;
    }
    int taskRows() const { return TempRoot::scalar(f.db(), QStringLiteral("select count(*) from tbl_app_TareasManuales")).toInt(); }
    QVariant lastTask(const char* column) const
    {
        return TempRoot::scalar(f.db(), QStringLiteral("select %1 from tbl_app_TareasManuales order by Id desc limit 1")
                                            .arg(QLatin1String(column)));
    }
    QStringList shown(const char* kind) const { return f.prompts.texts(QLatin1String(kind)); }
};

struct SpanishSystem {
    QLocale saved = QLocale();
    SpanishSystem() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico)); }
    ~SpanishSystem() { QLocale::setDefault(saved); }
};

}  // namespace

TEST(ManualTaskForm, OneHiddenFormOpenedModallyOnToday)
{
    TaskFixture t;
    t.start();
    EXPECT_FALSE(t.form->isVisible());
    EXPECT_EQ(t.form->windowTitle(), QStringLiteral("Agregar Tarea Manual"));
    EXPECT_EQ(t.form->Tabs->tabText(0), QStringLiteral("Ventas por Día"));
    EXPECT_TRUE(t.form->Pb->isHidden());
    EXPECT_EQ(t.form->ventasdate1->locale().language(), QLocale::Spanish) << "month and day names in Spanish";
    t.w->move(30, 40);
    t.w->OpAbrirClick();
    t.form->ventasdate1->setSelectedDate(QDate(2020, 1, 1));
    t.form->Tabs->setCurrentIndex(1);
    t.f.clock.t = QDateTime(QDate(2026, 3, 9), QTime(18, 30));
    for (int opening = 0; opening < 2; ++opening) {
        bool shownOnToday = false;
        QTimer::singleShot(0, t.form, [&] {
            shownOnToday = t.form->isVisible() && t.form->isModal() && t.form->ventasdate1->selectedDate() == QDate(2026, 3, 9)
                           && t.form->ventasdate2->selectedDate() == QDate(2026, 3, 9)
                           && (t.form->geometry().center() - t.w->geometry().center()).manhattanLength() <= 4;
            t.form->reject();
        });
        t.w->tasks()->ui().BitBtn5->click();
        EXPECT_TRUE(shownOnToday) << opening;
    }
    EXPECT_EQ(t.w->tasks()->form(), t.form);
    EXPECT_EQ(t.form->Tabs->currentIndex(), 1) << "the tab stays as the user left it";
}

TEST(ManualTaskForm, SalesTasksQueueWholeDaysAndAreRecordedEvenWithoutSales)
{
    SpanishSystem es;
    TaskFixture t;
    for (const auto& [id, fecha] : {std::pair{1, "2026-08-04 23:59:59"}, {2, "2026-08-05 00:00:00"},
                                     {3, "2026-08-05 13:10:00"}, {4, "2026-08-05 23:59:59"}, {5, "2026-08-06 00:00:00"}})
        t.addSale(id, fecha);
    t.start();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions(), (QList<qint64>{2, 3, 4}));
    EXPECT_EQ(t.lastTask("Fecha1").toDateTime(), QDateTime(QDate(2026, 8, 5), QTime(0, 0)));  // text or, through ODBC, a time
    EXPECT_EQ(t.shown("inform"), QStringList{kMsgTaskAdded});
    EXPECT_TRUE(t.form->Pb->isHidden());

    // Overlapping ranges queue the shared sales twice.
    t.salesTask(QDate(2026, 8, 4), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions(), (QList<qint64>{2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(t.lastTask("Valores").toString(), QStringLiteral("04/agosto/2026 A 05/agosto/2026"));
    // No sales, or a first day after the last: nothing queued, no task recorded, and the message says why.
    t.salesTask(QDate(2026, 9, 1), QDate(2026, 9, 30));
    t.salesTask(QDate(2026, 8, 6), QDate(2026, 8, 4));
    EXPECT_EQ(t.actions().size(), 7);
    EXPECT_EQ(t.taskRows(), 2);
    EXPECT_EQ(t.shown("inform"), (QStringList{kMsgTaskAdded, kMsgTaskAdded,
                                              kMsgNoSalesInRange.arg(QStringLiteral("01/09/2026"), QStringLiteral("30/09/2026")),
                                              kMsgReversedRange}));
}

TEST(ManualTaskForm, TaskTextsAreSpanishWhateverTheSystemLanguage)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
    TaskFixture t;
    t.addSale(1, "2026-12-22 10:00:00");
    t.start();
    t.f.clock.t = QDateTime(QDate(2026, 12, 22), QTime(18, 30));
    t.salesTask(QDate(2026, 12, 22), QDate(2026, 12, 22));
    EXPECT_EQ(t.lastTask("Valores").toString(), QStringLiteral("22/diciembre/2026 A 22/diciembre/2026"));
    EXPECT_TRUE(t.lastTask("Descripcion").toString().startsWith(QStringLiteral("22/12/2026")))
        << t.lastTask("Descripcion").toString().toStdString();
}

TEST(ManualTaskForm, TheNewTaskTopsTheGridWhenTheMessageShows)
{
    TaskFixture t;
    TempRoot::exec(t.f.db(), QStringLiteral("insert into tbl_app_TareasManuales (Descripcion, Valores) values ('vieja', 'Todo')"));
    t.addSale(1, "2026-05-01 09:15:00");
    t.start();
    QSqlQueryModel* grid = t.w->tasks()->taskModel();
    ASSERT_EQ(grid->rowCount(), 1);
    QString topWhenShown;
    t.f.prompts.onShow = [&](const auto&) { topWhenShown = grid->record(0).value(QStringLiteral("Descripcion")).toString(); };
    t.f.clock.t = QDateTime(QDate(2026, 5, 1), QTime(8, 0));
    t.salesTask(QDate(2026, 5, 1), QDate(2026, 5, 1));
    EXPECT_TRUE(topWhenShown.startsWith(QStringLiteral("01/05/2026 08:00-KOVA Punto de Venta: Agregar ventas por día.")))
        << topWhenShown.toStdString();

    QTableView* view = t.w->tasks()->ui().DBGrid2;
    const int descripcion = grid->record().indexOf(QStringLiteral("Descripcion"));
    const int valores = grid->record().indexOf(QStringLiteral("Valores"));
    EXPECT_EQ(grid->headerData(descripcion, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
    EXPECT_EQ(view->columnWidth(descripcion), 180);
    EXPECT_EQ(view->columnWidth(valores), 250);
    for (int c = 0; c < grid->columnCount(); ++c) EXPECT_EQ(view->isColumnHidden(c), c != descripcion && c != valores) << c;
}

TEST(ManualTaskForm, TheProductsTaskQueuesActiveProductsOnlyWhenTicked)
{
    TaskFixture t;
    t.addProduct(7, false);
    t.addProduct(8, true);
    t.addProduct(9, false);
    t.start();
    t.form->BitBtn2->click();
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_TRUE(t.f.prompts.shown.isEmpty()) << "unticked: nothing at all";

    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    EXPECT_EQ(t.actions(kTablaProductos), (QList<qint64>{7, 9}));
    EXPECT_FALSE(t.form->ChkTodo->isChecked());
    EXPECT_EQ(t.lastTask("Valores").toString(), QStringLiteral("Todo"));
    EXPECT_TRUE(t.lastTask("Fecha1").isNull());
    EXPECT_EQ(t.shown("inform"), QStringList{kMsgTaskAdded});

    // With no active product left the task is still recorded.
    TempRoot::exec(t.company, QStringLiteral("update tbl_app_productos set Inactivo = 1"));
    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    EXPECT_EQ(t.actions(kTablaProductos).size(), 2);
    EXPECT_EQ(t.taskRows(), 2);
}

TEST(ManualTaskForm, APressDuringARunIsIgnored)
{
    TaskFixture t;
    {
        Connection c(QStringLiteral("fill"), t.company);
        WriteTransaction tx(c);
        for (int id = 1; id <= 3000; ++id)
            c.exec(QStringLiteral("insert into tbl_app_saldos (Id, fecha) values (?, '2026-08-05 12:00:00')"), {id});
        tx.commit();
    }
    t.addProduct(1, false);
    t.start();
    t.form->ChkTodo->setChecked(true);
    t.form->show();
    int barWhilePressed = -1;
    bool stayedOpen = false;
    qsizetype storedWhenShown = -1;
    int barWhenShown = -2;
    QTimer::singleShot(0, t.form, [&] {
        barWhilePressed = t.form->isBusy() && !t.form->Pb->isHidden() ? t.form->Pb->maximum() : -1;
        // Another program sees the rows as the bar reports them, mid-run.
        storedWhenShown = t.actions().size();
        barWhenShown = t.form->Pb->value();
        t.form->BitBtn1->click();
        t.form->BitBtn2->click();
        t.form->close();
        t.form->reject();
        stayedOpen = t.form->isVisible();
    });
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    EXPECT_EQ(barWhilePressed, 3000) << "the run let no event through";
    EXPECT_EQ(storedWhenShown, barWhenShown);
    EXPECT_LT(storedWhenShown, 3000);
    EXPECT_TRUE(stayedOpen) << "the form closed during the run";
    EXPECT_EQ(t.actions().size(), 3000);
    EXPECT_TRUE(t.actions(kTablaProductos).isEmpty());
    EXPECT_TRUE(t.form->ChkTodo->isChecked()) << "the products press was taken";
    EXPECT_EQ(t.taskRows(), 1);
    EXPECT_EQ(t.shown("inform").size(), 1);
}

TEST(ManualTaskForm, AFailurePartWayKeepsThePostedRowsAndRecordsNoTask)
{
    TaskFixture t;
    for (int id = 1; id <= 5; ++id) t.addSale(id, "2026-08-05 12:00:00");
    TempRoot::exec(t.company, QStringLiteral("create trigger refuse before insert on tbl_web_acciones when new.Id = 4 "
                                             "begin select raise(abort, 'fila rechazada'); end"));
    t.start();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    ASSERT_EQ(t.shown("error").size(), 1);
    EXPECT_TRUE(t.shown("error").first().contains(QStringLiteral("fila rechazada")));
    EXPECT_TRUE(t.shown("error").first().startsWith(QStringLiteral("Se agregaron 3 de 5 acciones antes del error.")))
        << t.shown("error").first().toStdString();
    EXPECT_EQ(t.actions(), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_TRUE(t.shown("inform").isEmpty());
    EXPECT_FALSE(t.form->Pb->isHidden()) << "the bar stays with its last position";

    TempRoot::exec(t.company, QStringLiteral("drop trigger refuse"));
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions().size(), 8) << "the next task starts afresh";
    EXPECT_EQ(t.taskRows(), 1);
}

TEST(ManualTaskForm, AFailureAfterSeveralCommitsKeepsThemAll)
{
    TaskFixture t;
    const int sales = 2 * kActionsPerCommit + 10;
    {
        Connection c(QStringLiteral("fill"), t.company);
        WriteTransaction tx(c);
        QSqlQuery sale = c.prepare(QStringLiteral("insert into tbl_app_saldos (Id, fecha) values (?, '2026-08-05 12:00:00')"));
        for (int id = 1; id <= sales; ++id) {
            sale.bindValue(0, id);
            ASSERT_TRUE(sale.exec());
        }
        tx.commit();
    }
    const int refused = sales - 5;
    TempRoot::exec(t.company, QStringLiteral("create trigger refuse before insert on tbl_web_acciones when new.Id = %1 "
                                             "begin select raise(abort, 'fila rechazada'); end").arg(refused));
    t.start();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    ASSERT_EQ(t.shown("error").size(), 1);
    EXPECT_TRUE(t.shown("error").first().startsWith(
        QStringLiteral("Se agregaron %1 de %2 acciones antes del error.").arg(refused - 1).arg(sales)))
        << t.shown("error").first().toStdString();
    const QList<qint64> stored = t.actions();
    ASSERT_EQ(stored.size(), refused - 1);
    EXPECT_EQ(stored.first(), 1);
    EXPECT_EQ(stored.last(), refused - 1);
    EXPECT_LE(t.form->Pb->value(), stored.size()) << "the bar reported a row that was lost";
    EXPECT_EQ(t.taskRows(), 0);
}

TEST(ManualTaskForm, WithoutTheCompanyDatabaseNothingIsRecorded)
{
    TaskFixture t;
    const QString ferreteria = t.f.temp.root().companyDb(QStringLiteral("Ferreteria_Norte.mdb"));
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(ferreteria + QLatin1String(s));
    t.start();
    t.w->companies()->setKey(QStringLiteral("Ferreteria_Norte.mdb"));
    t.w->companies()->CmbEmpresasClick();
    t.f.prompts.clear();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    ASSERT_EQ(t.shown("error").size(), 2);
    EXPECT_TRUE(t.shown("error").first().contains(QStringLiteral("Ferreteria_Norte.mdb")));
    EXPECT_TRUE(t.shown("inform").isEmpty());
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_FALSE(QFile::exists(ferreteria));
}
