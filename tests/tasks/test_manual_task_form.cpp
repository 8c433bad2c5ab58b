// The manual task form and the task list of the cloud panel.
#include "cloud/CompanyPanel.h"
#include "settings/Database.h"
#include "support/WindowFixture.h"
#include "tasks/TFrmTareaManual.h"
#include "tasks/ManualTasks.h"
#include "tasks/TasksPanel.h"

#include <QFile>
#include <QHeaderView>
#include <QSqlRecord>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::TempRoot;
using dc::test::WindowFixture;

namespace {

// A window over a fresh root, started, with the main company selected.
struct TaskFixture {
    WindowFixture f;
    TFrmPrincipal* w = nullptr;
    TFrmTareaManual* form = nullptr;
    QString company;  // the main company's database

    TaskFixture()
    {
        company = f.temp.root().pointOfSale5Db();
        TempRoot::exec(company, QStringLiteral("delete from tbl_web_acciones"));
    }
    void start()
    {
        w = &f.start();
        form = w->tasks()->form();
    }
    void addSale(qint64 id, const char* fecha) const
    {
        TempRoot::exec(company, QStringLiteral("insert into tbl_app_saldos (Id, fecha, Total) values (?, ?, 1)"),
                       {id, QLatin1String(fecha)});
    }
    void addProduct(qint64 id, bool inactive) const
    {
        TempRoot::exec(company, QStringLiteral("insert into tbl_app_productos (Id, Descripcion, Inactivo) values (?, 'p', ?)"),
                       {id, inactive ? 1 : 0});
    }
    void salesTask(QDate first, QDate last)
    {
        form->ventasdate1->setSelectedDate(first);
        form->ventasdate2->setSelectedDate(last);
        form->BitBtn1->click();
    }
    // "Id" of every action row, in the order posted.
    QList<qint64> actions(const QString& tabla = kTablaSaldos) const
    {
        Connection c(QStringLiteral("check"), company);
        QSqlQuery q = c.query(QStringLiteral("select Id, Accion, Status from tbl_web_acciones where Tabla = ? order by rowid"),
                              {tabla});
        QList<qint64> out;
        while (q.next()) {
            EXPECT_EQ(q.value(1).toString(), QStringLiteral("N"));
            EXPECT_EQ(q.value(2).toString(), QStringLiteral("N"));
            out << q.value(0).toLongLong();
        }
        return out;
    }
    int taskRows() const
    {
        return TempRoot::scalar(f.db(), QStringLiteral("select count(*) from tbl_app_TareasManuales")).toInt();
    }
    QString lastTask(const char* column) const
    {
        return TempRoot::scalar(f.db(), QStringLiteral("select %1 from tbl_app_TareasManuales order by Id desc limit 1")
                                            .arg(QLatin1String(column)))
            .toString();
    }
};

struct SpanishSystem {
    QLocale saved = QLocale();
    SpanishSystem() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico)); }
    ~SpanishSystem() { QLocale::setDefault(saved); }
};

}  // namespace

TEST(ManualTaskForm, IsMadeOnceHiddenAndOpensOnTodayModally)
{
    TaskFixture t;
    t.start();
    ASSERT_NE(t.form, nullptr);
    EXPECT_FALSE(t.form->isVisible());
    EXPECT_EQ(t.form->windowTitle(), QStringLiteral("Agregar Tarea Manual"));
    EXPECT_TRUE(t.form->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(t.form->Tabs->tabText(0), QStringLiteral("Ventas por Día"));
    EXPECT_EQ(t.form->Tabs->tabText(1), QStringLiteral("Productos"));
    EXPECT_TRUE(t.form->Pb->isHidden());
    EXPECT_FALSE(t.form->ChkTodo->isChecked());
    t.form->ventasdate1->setSelectedDate(QDate(2020, 1, 1));
    t.form->Tabs->setCurrentIndex(1);

    t.f.clock.t = QDateTime(QDate(2026, 3, 9), QTime(18, 30));
    bool shownModal = false;
    QTimer::singleShot(0, t.form, [&] {
        shownModal = t.form->isVisible() && t.form->isModal();
        EXPECT_EQ(t.form->ventasdate1->selectedDate(), QDate(2026, 3, 9));
        EXPECT_EQ(t.form->ventasdate2->selectedDate(), QDate(2026, 3, 9));
        t.form->reject();
    });
    t.w->ui().BitBtn5->click();
    EXPECT_TRUE(shownModal);
    EXPECT_EQ(t.w->tasks()->form(), t.form) << "the same form is reused";
    EXPECT_EQ(t.form->Tabs->currentIndex(), 1) << "the tab stays as the user left it";
}

TEST(ManualTaskForm, ASalesTaskQueuesTheWholeFirstAndLastDay)
{
    TaskFixture t;
    t.addSale(1, "2026-08-04 23:59:59");
    t.addSale(2, "2026-08-05 00:00:00");
    t.addSale(3, "2026-08-05 13:10:00");
    t.addSale(4, "2026-08-05 23:59:59");
    t.addSale(5, "2026-08-06 00:00:00");
    t.start();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions(), (QList<qint64>{2, 3, 4}));
    EXPECT_EQ(t.taskRows(), 1);
    EXPECT_EQ(t.lastTask("Fecha1"), QStringLiteral("2026-08-05 00:00:00"));
    EXPECT_EQ(t.lastTask("Fecha2"), QStringLiteral("2026-08-05 00:00:00"));
    EXPECT_EQ(t.f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgTaskAdded});
    EXPECT_TRUE(t.form->Pb->isHidden());

    // An overlapping range queues the shared sales again.
    t.salesTask(QDate(2026, 8, 4), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions(), (QList<qint64>{2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(t.taskRows(), 2);
}

TEST(ManualTaskForm, ARangeWithoutSalesAndAReversedRangeAreStillRecorded)
{
    SpanishSystem es;
    TaskFixture t;
    t.addSale(1, "2026-08-05 10:00:00");
    t.start();
    t.salesTask(QDate(2026, 9, 1), QDate(2026, 9, 30));
    EXPECT_TRUE(t.actions().isEmpty());
    EXPECT_EQ(t.taskRows(), 1);
    t.salesTask(QDate(2026, 8, 6), QDate(2026, 8, 4));
    EXPECT_TRUE(t.actions().isEmpty()) << "a first day after the last matches nothing";
    EXPECT_EQ(t.lastTask("Valores"), QStringLiteral("06/agosto/2026 A 04/agosto/2026"));
    EXPECT_EQ(t.f.prompts.texts(QStringLiteral("inform")).size(), 2);
}

TEST(ManualTaskForm, TheTaskTextsNameTheSelectedCompanyAndTheDays)
{
    SpanishSystem es;
    TaskFixture t;
    t.start();
    t.w->companies()->setKey(QStringLiteral("Abarrotes_Centro.mdb"));
    t.w->companies()->CmbEmpresasClick();
    t.f.clock.t = QDateTime(QDate(2014, 8, 14), QTime(9, 7));
    t.salesTask(QDate(2014, 8, 5), QDate(2014, 8, 12));
    EXPECT_EQ(t.lastTask("Descripcion"), QStringLiteral("14/08/2014 09:07-Abarrotes Centro: Agregar ventas por día."));
    EXPECT_EQ(t.lastTask("Valores"), QStringLiteral("05/agosto/2014 A 12/agosto/2014"));
}

TEST(ManualTaskForm, TheNewTaskIsAtTheTopOfTheGridWhenTheMessageShows)
{
    TaskFixture t;
    TempRoot::exec(t.f.db(), QStringLiteral("insert into tbl_app_TareasManuales (Descripcion, Valores) values ('vieja', 'Todo')"));
    t.start();
    QSqlQueryModel* grid = t.w->tasks()->taskModel();
    ASSERT_EQ(grid->rowCount(), 1);
    QString topWhenShown;
    t.f.prompts.onShow = [&](const auto&) { topWhenShown = grid->record(0).value(QStringLiteral("Descripcion")).toString(); };
    t.f.clock.t = QDateTime(QDate(2026, 5, 1), QTime(8, 0));
    t.salesTask(QDate(2026, 5, 1), QDate(2026, 5, 1));
    EXPECT_TRUE(topWhenShown.startsWith(QStringLiteral("01/05/2026 08:00-KOVA Punto de Venta:"))) << topWhenShown.toStdString();
    EXPECT_EQ(grid->rowCount(), 2);

    // The grid shows the description, titled with its accent, and the values.
    QTableView* view = t.w->ui().DBGrid2;
    const int descripcion = grid->record().indexOf(QStringLiteral("Descripcion"));
    const int valores = grid->record().indexOf(QStringLiteral("Valores"));
    EXPECT_EQ(grid->headerData(descripcion, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
    EXPECT_EQ(view->columnWidth(descripcion), 180);
    EXPECT_EQ(view->columnWidth(valores), 250);
    EXPECT_EQ(view->horizontalHeader()->visualIndex(descripcion), 0);
    for (int c = 0; c < grid->columnCount(); ++c)
        EXPECT_EQ(view->isColumnHidden(c), c != descripcion && c != valores) << c;
}

TEST(ManualTaskForm, TheProductsTabQueuesActiveProductsOnlyWhenTicked)
{
    TaskFixture t;
    t.addProduct(7, false);
    t.addProduct(8, true);
    t.addProduct(9, false);
    t.start();
    t.form->BitBtn2->click();
    EXPECT_TRUE(t.actions(kTablaProductos).isEmpty());
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_TRUE(t.f.prompts.shown.isEmpty()) << "unticked: nothing at all";

    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    EXPECT_EQ(t.actions(kTablaProductos), (QList<qint64>{7, 9}));
    EXPECT_TRUE(t.actions().isEmpty());
    EXPECT_FALSE(t.form->ChkTodo->isChecked());
    EXPECT_EQ(t.lastTask("Valores"), QStringLiteral("Todo"));
    EXPECT_TRUE(TempRoot::scalar(t.f.db(), QStringLiteral("select Fecha1 from tbl_app_TareasManuales")).isNull());
    EXPECT_EQ(t.f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgTaskAdded});
}

TEST(ManualTaskForm, ACatalogueWithoutActiveProductsIsStillRecorded)
{
    TaskFixture t;
    t.addProduct(1, true);
    t.start();
    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    EXPECT_TRUE(t.actions(kTablaProductos).isEmpty());
    EXPECT_EQ(t.lastTask("Valores"), QStringLiteral("Todo"));
    EXPECT_EQ(t.f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgTaskAdded});
}

TEST(ManualTaskForm, APressDuringARunIsIgnored)
{
    TaskFixture t;
    {
        Connection c(QStringLiteral("fill"), t.company);
        WriteTransaction tx(c);
        for (int id = 1; id <= 3000; ++id)
            c.exec(QStringLiteral("insert into tbl_app_saldos (Id, fecha, Total) values (?, '2026-08-05 12:00:00', 1)"), {id});
        tx.commit();
    }
    t.addProduct(1, false);
    t.start();
    t.form->ChkTodo->setChecked(true);
    bool pressedWhileBusy = false;
    int barShownWith = -1;
    QTimer::singleShot(0, t.form, [&] {
        pressedWhileBusy = t.form->isBusy();
        barShownWith = t.form->Pb->isHidden() ? -1 : t.form->Pb->maximum();
        t.form->BitBtn1->click();
        t.form->BitBtn2->click();
    });
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    ASSERT_TRUE(pressedWhileBusy) << "the run let no event through";
    EXPECT_EQ(barShownWith, 3000);
    EXPECT_EQ(t.actions().size(), 3000);
    EXPECT_TRUE(t.actions(kTablaProductos).isEmpty());
    EXPECT_TRUE(t.form->ChkTodo->isChecked()) << "the products press was not taken";
    EXPECT_EQ(t.taskRows(), 1);
    EXPECT_EQ(t.f.prompts.texts(QStringLiteral("inform")).size(), 1);
    EXPECT_FALSE(t.form->isBusy());
}

TEST(ManualTaskForm, AFailurePartWayKeepsThePostedRowsAndRecordsNoTask)
{
    TaskFixture t;
    for (int id = 1; id <= 5; ++id) t.addSale(id, "2026-08-05 12:00:00");
    TempRoot::exec(t.company, QStringLiteral("create trigger refuse before insert on tbl_web_acciones when new.Id = 4 "
                                             "begin select raise(abort, 'fila rechazada'); end"));
    t.start();
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    const QStringList errors = t.f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("fila rechazada"))) << errors.first().toStdString();
    EXPECT_EQ(t.actions(), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_TRUE(t.f.prompts.texts(QStringLiteral("inform")).isEmpty());
    EXPECT_FALSE(t.form->Pb->isHidden()) << "the bar stays with its last position";
    EXPECT_FALSE(t.form->isBusy());

    // The next task starts afresh.
    TempRoot::exec(t.company, QStringLiteral("drop trigger refuse"));
    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    EXPECT_EQ(t.actions().size(), 8);
    EXPECT_TRUE(t.form->Pb->isHidden());
    EXPECT_EQ(t.taskRows(), 1);
}

TEST(ManualTaskForm, WithoutTheCompanyDatabaseNothingIsRecorded)
{
    TaskFixture t;
    const QString ferreteria = t.f.temp.root().companyDb(QStringLiteral("Ferreteria_Norte.mdb"));
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(ferreteria + QLatin1String(s));
    t.start();
    t.w->companies()->setKey(QStringLiteral("Ferreteria_Norte.mdb"));
    t.w->companies()->CmbEmpresasClick();
    ASSERT_EQ(t.f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCompanyDbUnavailable});
    t.f.prompts.clear();

    t.salesTask(QDate(2026, 8, 5), QDate(2026, 8, 5));
    t.form->ChkTodo->setChecked(true);
    t.form->BitBtn2->click();
    const QStringList errors = t.f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Ferreteria_Norte.mdb"))) << errors.first().toStdString();
    EXPECT_TRUE(t.f.prompts.texts(QStringLiteral("inform")).isEmpty());
    EXPECT_EQ(t.taskRows(), 0);
    EXPECT_FALSE(QFile::exists(ferreteria));
}
