// The cloud log grid with 200,000 log rows: what a reload (every activation
// of the window, every cloud minute) costs, what reading the whole log as the
// grid is scrolled to its end costs, and, as the reference, reading the whole
// table in one query. Run with DC_SQLITE_THROUGH_ODBC=1 for the ODBC path.
#include "cloud/CloudLog.h"
#include "settings/Database.h"
#include "setup/InstallRootBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQueryModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace dc;

namespace {

constexpr int kLogRows = 200'000;

// The best of `runs` timings of `f`, in milliseconds.
template <class F>
double bestMs(int runs, F f)
{
    double best = 1e12;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/log_grid_XXXXXX"));
    const InstallRoot root(dir.path() + QStringLiteral("/C"));
    SetupOptions options;
    buildInstallRoot(root, options);
    Connection db(QStringLiteral("bench"), root.dataCenterDb(2));
    {
        WriteTransaction tx(db);
        QSqlQuery insert = db.prepare(QStringLiteral("insert into tbl_app_Log ([Desc]) values (?)"));
        for (int i = 1; i <= kLogRows; ++i) {
            insert.bindValue(0, QStringLiteral("01/02/2026 10:00 Enviado: Abarrotes_Centro_Matriz_2_20260201_%1.xml").arg(i));
            if (!insert.exec()) return 1;
        }
        tx.commit();
    }
    std::printf("%d log rows, %s\n", kLogRows, sqliteThroughOdbc() ? "SQLite through ODBC" : "SQLite");

    CloudLogModel model(db);
    const double reload = bestMs(5, [&] { model.reload(); });
    const int firstRows = model.rowCount();
    const double scrolled = bestMs(3, [&] {
        model.reload();
        while (model.canFetchMore({})) model.fetchMore({});
    });
    const int allRows = model.rowCount();
    QSqlQueryModel whole;
    const double oneQuery = bestMs(3, [&] {
        QSqlQuery q(db.database());
        q.exec(QStringLiteral("select * from tbl_app_Log Order By Id DESC"));
        whole.setQuery(std::move(q));
        while (whole.canFetchMore()) whole.fetchMore();
    });

    std::printf("reload (activation, cloud minute): %.2f ms for the newest %d rows\n", reload, firstRows);
    std::printf("scrolled to the end: %.1f ms for all %d rows, a page of %d at a time\n", scrolled, allRows,
                CloudLogModel::kPageRows);
    std::printf("reference, the whole table in one query: %.1f ms for %d rows\n", oneQuery, whole.rowCount());
    return allRows == kLogRows && whole.rowCount() == kLogRows ? 0 : 1;
}
