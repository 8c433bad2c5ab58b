#pragma once

// Edition 1's window with its FTP backup wired to a real FTP server on
// loopback, with short waits and a fixed date for the run.
#include "datacenter1/FtpBackupController.h"
#include "ftpbackup/Pacing.h"
#include "platform/Clock.h"
#include "settings/SettingsRows.h"
#include "support/FtpServer.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dc::test {

inline const QString kShopUser = QStringLiteral("tienda_centro");
inline const QString kShopPassword = QStringLiteral("Clave 2026");
// Where the shop's files of the run's day land on the service.
inline const QString kShopDay = kShopUser + QLatin1Char('/') + kShopPassword + QStringLiteral("/14032026/");

// The run's clock (it is read on the run's thread).
class RunDayClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 3, 14), QTime(10, 25)); }
};

inline std::unique_ptr<FtpServer> backupServer(const QString& fault = {}, bool shopFolders = true)
{
    FtpServer::Options o;
    for (const ServiceAccount& a : backupServiceAccounts()) o.accounts.append({a.user, a.password});
    o.fault = fault;
    auto server = std::make_unique<FtpServer>(o);
    if (shopFolders) QDir().mkpath(server->path(kShopUser + QLatin1Char('/') + kShopPassword));
    return server;
}

inline QStringList leftoverCopies(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.resp")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    return found;
}

struct Edition1 {
    // What runUntilEnd() returns when the program did not end in time.
    static constexpr int kDidNotEnd = -99;

    explicit Edition1(const QString& fault = {}, bool shopFolders = true) : server(backupServer(fault, shopFolders))
    {
        f.setSetting(RowBackupUser, kShopUser);
        f.setSetting(RowBackupPassword, kShopPassword);
    }

    ~Edition1()
    {
        // A program told to end outside the message loop would stop every
        // later event loop of this process; a turn of the loop clears that.
        if (f.window && f.window->isEnding()) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QApplication::exec();
        }
    }

    // Builds the window with its FTP backup; the creation reaction is left to the test.
    TFrmPrincipal& make()
    {
        TFrmPrincipal& w = f.make();
        BackupEngine::Parts parts;
        parts.clock = std::make_shared<RunDayClock>();
        parts.pacing = std::make_shared<Pacing>(0.01);
        parts.service = ServiceAddress{QStringLiteral("127.0.0.1"), server->port()};
        parts.echoToStandardError = false;
        controller = new FtpBackupController(w, std::move(parts));
        return w;
    }
    // Builds it and runs the creation reaction, which starts the start-up run.
    TFrmPrincipal& start()
    {
        make();
        f.window->FormCreate();
        return *f.window;
    }

    // Runs the message loop until the program ends; its exit status.
    static int runUntilEnd(int timeoutMs = 60'000)
    {
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &limit, [] { QCoreApplication::exit(kDidNotEnd); });
        limit.start(timeoutMs);
        return QApplication::exec();
    }

    // Waits for the end of the run under way; false when it did not end in time.
    static bool waitForEnd(QSignalSpy& finished, int timeoutMs = 30'000)
    {
        return !finished.isEmpty() || finished.wait(timeoutMs);
    }

    // Replaces the backup list by one row and drops the system's rows.
    void onlyInList(const QString& path, const QString& nombre, int tipo = 1)
    {
        TempRoot::exec(f.db(), QStringLiteral("delete from tbl_app_archivos"));
        TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, ?, 0)"),
                       {path, nombre, tipo});
        f.setSetting(RowSystem, QStringLiteral("3"));  // "Ninguno": no company rows
    }

    std::unique_ptr<FtpServer> server;  // outlives the window and its run
    WindowFixture f{Edition::One};
    FtpBackupController* controller = nullptr;  // owned by the window
};

}  // namespace dc::test
