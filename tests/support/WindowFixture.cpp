#include "support/WindowFixture.h"

#include "settings/Database.h"

#include <QDir>

namespace dc::test {

WindowFixture::WindowFixture(Edition e, bool demo) : edition(e), temp(demo), savedCwd(QDir::currentPath()) {}

WindowFixture::~WindowFixture()
{
    window.reset();
    QDir::setCurrent(savedCwd);
}

TFrmPrincipal& WindowFixture::make()
{
    WindowDeps deps;
    deps.driveRoot = temp.root().drive();
    deps.edition = edition;
    deps.prompts = &prompts;
    deps.clock = &clock;
    deps.launcher = &launcher;
    window = std::make_unique<TFrmPrincipal>(deps);
    return *window;
}

TFrmPrincipal& WindowFixture::start()
{
    make();
    window->FormCreate();
    return *window;
}

void WindowFixture::traceWrites(const QString& dbFile)
{
    TempRoot::exec(dbFile, QStringLiteral("create table if not exists test_writes (seq integer primary key, Id integer, Valor text)"));
    TempRoot::exec(dbFile, QStringLiteral("create trigger if not exists test_trace after update on tbl_app_configuracion "
                                          "begin insert into test_writes (Id, Valor) values (new.Id, new.Valor); end"));
}

QStringList WindowFixture::writesOf(const QString& dbFile, int id) const
{
    Connection c(QStringLiteral("trace"), dbFile);
    QSqlQuery q = c.query(QStringLiteral("select Valor from test_writes where Id = ? order by seq"), {id});
    QStringList out;
    while (q.next()) out << q.value(0).toString();
    return out;
}

}  // namespace dc::test
