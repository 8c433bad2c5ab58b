#pragma once

// An engine wired to a test FTP server, with a fake clock, short waits and a
// record of everything it told its window.
#include "ftpbackup/BackupEngine.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClientFactory.h"
#include "ftpbackup/Pacing.h"
#include "platform/Clock.h"
#include "support/FtpServer.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace dc::test {

inline const QString kShopUser = QStringLiteral("tienda_centro");
inline const QString kShopPassword = QStringLiteral("Clave 2026");

// The service's four accounts, for the test server.
inline QList<QPair<QString, QString>> serviceAccounts()
{
    QList<QPair<QString, QString>> list;
    for (const ServiceAccount& a : backupServiceAccounts()) list.append({a.user, a.password});
    return list;
}

// The clients' TLS setting: required where the servers require it.
inline FtpSecurity testSecurity()
{
    return FtpServer::overTls() ? FtpSecurity::Required : FtpSecurity::Off;
}

// A client as the programs make it, trusting the test CA too.
inline std::unique_ptr<FtpClient> testClient(const PocoFtpClient::Timeouts& timeouts = {})
{
    std::unique_ptr<FtpClient> client = makeFtpClient({timeouts, FtpServer::caFile(), {}});
    client->setSecurity(testSecurity());
    return client;
}

// A server with the shop's user and password folders.
inline std::unique_ptr<FtpServer> shopServer(const QString& fault = {}, int faultCount = -1, qint64 faultBytes = 1000)
{
    FtpServer::Options o;
    o.accounts = serviceAccounts();
    o.fault = fault;
    o.faultCount = faultCount;
    o.faultBytes = faultBytes;
    auto server = std::make_unique<FtpServer>(o);
    QDir().mkpath(server->path(kShopUser + QLatin1Char('/') + kShopPassword));
    return server;
}

class FakeClock final : public Clock {
public:
    explicit FakeClock(const QDateTime& t) : m_now(t) {}
    QDateTime now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void set(const QDateTime& t)
    {
        std::lock_guard lock(m_mutex);
        m_now = t;
    }

private:
    mutable std::mutex m_mutex;
    QDateTime m_now;
};

// Records the nominal time of every wait; `onWait` runs on the run's thread.
class RecordingPacing final : public Pacing {
public:
    explicit RecordingPacing(double scale) : Pacing(scale) {}
    std::function<void(std::chrono::milliseconds)> onWait;
    std::vector<long long> waits() const
    {
        std::lock_guard lock(m_mutex);
        return m_waits;
    }

protected:
    void waitRequested(std::chrono::milliseconds nominal) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_waits.push_back(nominal.count());
        }
        if (onWait) onWait(nominal);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<long long> m_waits;
};

inline const QDateTime kRunStart(QDate(2026, 3, 14), QTime(10, 25, 0));
inline const QString kRunDate = QStringLiteral("14032026");

struct EngineHarness {
    explicit EngineHarness(quint16 port, double pacingScale = 0.01,
                           std::chrono::milliseconds replyTimeout = std::chrono::milliseconds(10'000))
        : clock(std::make_shared<FakeClock>(kRunStart)), pacing(std::make_shared<RecordingPacing>(pacingScale))
    {
        BackupEngine::Parts parts;
        PocoFtpClient::Timeouts t;
        t.reply = replyTimeout;
        parts.client = makeFtpClient({t, FtpServer::caFile(), {}});
        parts.clock = clock;
        parts.pacing = pacing;
        parts.service = ServiceAddress{QStringLiteral("127.0.0.1"), port};
        parts.echoToStandardError = false;
        engine = std::make_unique<BackupEngine>(std::move(parts));
        QObject::connect(engine.get(), &BackupEngine::statusChanged, engine.get(), [this](const QString& s) { statuses << s; });
        QObject::connect(engine.get(), &BackupEngine::errorChanged, engine.get(), [this](const QString& s) { errors << s; });
        QObject::connect(engine.get(), &BackupEngine::messageRequested, engine.get(), [this](const QString& s) { messages << s; });
        QObject::connect(engine.get(), &BackupEngine::progressChanged, engine.get(),
                         [this](qint64 sent, qint64 total, int percent) { progress.push_back({sent, total, percent}); });
    }

    BackupRequest request(const BackupList& rows) const
    {
        BackupRequest r;
        r.rows = rows;
        r.user = kShopUser;
        r.password = kShopPassword;
        r.serverIndex = 0;
        r.security = testSecurity();
        return r;
    }

    // Starts a run and waits for its end.
    BackupResult run(const BackupRequest& r, int timeoutMs = 60'000)
    {
        QSignalSpy done(engine.get(), &BackupEngine::finished);
        EXPECT_TRUE(engine->start(r));
        return waitForEnd(done, timeoutMs);
    }
    BackupResult run(const BackupList& rows, int timeoutMs = 60'000) { return run(request(rows), timeoutMs); }

    static BackupResult waitForEnd(QSignalSpy& done, int timeoutMs)
    {
        if (done.isEmpty() && !done.wait(timeoutMs)) {
            ADD_FAILURE() << "the run did not end within " << timeoutMs << " ms";
            BackupResult none;
            none.outcome = BackupOutcome::Failed;
            return none;
        }
        return done.first().first().value<BackupResult>();
    }

    std::shared_ptr<FakeClock> clock;
    std::shared_ptr<RecordingPacing> pacing;
    std::unique_ptr<BackupEngine> engine;
    QStringList statuses;
    QStringList errors;
    QStringList messages;
    std::vector<std::tuple<qint64, qint64, int>> progress;
};

// Safe on an empty list, so a failed expectation cannot crash the test.
inline QString lastOf(const QStringList& l)
{
    return l.isEmpty() ? QStringLiteral("<none>") : l.last();
}
inline QString firstOf(const QStringList& l)
{
    return l.isEmpty() ? QStringLiteral("<none>") : l.first();
}

inline QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (qsizetype i = 0; i < n; ++i) data[i] = static_cast<char>(rng.bounded(256));
    return data;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing: ") + path.toUtf8() + '>';
    return f.readAll();
}

inline BackupRow fileRow(const QString& path)
{
    BackupRow r;
    r.ruta = path;
    r.nombre = QFileInfo(path).fileName();
    r.tipo = 1;
    return r;
}

inline BackupRow folderRow(const QString& folder, const QString& nombre, int tipo = 2)
{
    BackupRow r;
    r.ruta = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    r.nombre = nombre;
    r.tipo = tipo;
    return r;
}

}  // namespace dc::test
