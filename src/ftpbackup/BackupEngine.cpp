#include "ftpbackup/BackupEngine.h"

#include "ftpbackup/Pacing.h"
#include "ftpbackup/FtpClientFactory.h"
#include "platform/Clock.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace dc {

// Turns what the run reports (on the worker thread) into the engine's signals.
class BackupEngine::Report final : public RunReport {
public:
    explicit Report(BackupEngine& engine) : m_engine(engine) {}

    void reset() { m_lastPercent = -1; }

    void status(const QString& text) override
    {
        m_engine.echo(text);
        Q_EMIT m_engine.statusChanged(text);
    }
    void error(const QString& text) override
    {
        if (!text.isEmpty()) m_engine.echo(text);
        Q_EMIT m_engine.errorChanged(text);
    }
    void progress(qint64 sent, qint64 total) override
    {
        const int p = percent(sent, total);
        if (p == m_lastPercent && sent != 0 && sent != total) return;
        m_lastPercent = p;
        Q_EMIT m_engine.progressChanged(sent, total, p);
    }
    void message(const QString& text) override
    {
        m_engine.echo(text);
        Q_EMIT m_engine.messageRequested(text);
    }

private:
    BackupEngine& m_engine;
    int m_lastPercent = -1;
};

BackupEngine::BackupEngine(QObject* parent) : BackupEngine(Parts{}, parent) {}

BackupEngine::BackupEngine(Parts parts, QObject* parent)
    : QObject(parent),
      m_client(parts.client ? std::move(parts.client) : makeFtpClient()),
      m_clock(parts.clock ? std::move(parts.clock) : std::make_shared<SystemClock>()),
      m_pacing(parts.pacing ? std::move(parts.pacing) : std::make_shared<Pacing>()),
      m_service(parts.service),
      m_echo(parts.echoToStandardError),
      m_report(std::make_unique<Report>(*this)),
      m_account(backupServiceAccounts()[0])
{
    qRegisterMetaType<dc::BackupResult>();
}

BackupEngine::~BackupEngine()
{
    if (!m_thread) return;
    m_cancel = true;
    m_client->abort();
    m_pacing->interrupt();
    // A cancelled run ends within a second; one stuck beyond any cancel (a
    // read from a file system that no longer answers) must not keep the
    // program from ending. The run's thread uses this object, so the process
    // ends here; its temporary copy is swept by the next run.
    if (!m_thread->wait(QDeadlineTimer(kEndWait))) {
        echo(QStringLiteral("El respaldo no se detuvo en %1 segundos; el programa termina sin esperarlo")
                 .arg(std::chrono::duration_cast<std::chrono::seconds>(kEndWait).count()));
        std::fflush(nullptr);
        std::_Exit(kStuckExitStatus);
    }
}

int BackupEngine::percent(qint64 sent, qint64 total)
{
    if (total <= 0 || sent <= 0) return 0;
    if (sent >= total) return 100;
    return static_cast<int>(static_cast<double>(sent) * 100.0 / static_cast<double>(total));
}

bool BackupEngine::isConnectionOpen() const
{
    return m_client->isOpen();
}

void BackupEngine::echo(const QString& line) const
{
    if (!m_echo) return;
    QString one = line;
    one.replace(QLatin1Char('\r'), QLatin1Char(' '));
    one.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray bytes = one.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

bool BackupEngine::start(const BackupRequest& request)
{
    if (m_running) return false;
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
    if (const std::optional<ServiceAccount> chosen = accountForServerIndex(request.serverIndex)) m_account = *chosen;
    m_running = true;
    // A cancel belongs to the run it was asked for.
    m_cancel = false;
    m_client->clearAbort();
    m_pacing->rearm();
    m_report->reset();

    RunInput input{request.rows, request.user, request.password, m_account, request.security, request.copyRecord};
    m_thread.reset(QThread::create([this, input] {
        BackupResult result;
        result.started = m_clock->now();
        try {
            BackupRun run(*m_client, *m_clock, *m_pacing, m_service, *m_report, m_cancel);
            result = run.run(input);
        } catch (const std::exception& e) {
            m_client->close();
            result.outcome = BackupOutcome::Failed;
            result.stopText = QStringLiteral("Error inesperado del respaldo: ") + errorText(e);
            result.ended = m_clock->now();
            m_report->error(result.stopText);
        }
        for (const QString& file : std::as_const(result.failedFiles)) echo(QStringLiteral("  sin respaldar: ") + file);
        QMetaObject::invokeMethod(this, [this, result] { runEnded(result); }, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("backup-run"));
    m_thread->start();
    return true;
}

void BackupEngine::runEnded(const BackupResult& result)
{
    m_thread->wait();
    m_running = false;
    Q_EMIT finished(result);
}

void BackupEngine::cancel()
{
    if (!m_running) return;
    // Posted before the flag is set, so that whatever the run reports because
    // of the cancel arrives after these texts.
    QMetaObject::invokeMethod(
        this,
        [this] {
            echo(QStringLiteral("Cancelando..."));
            Q_EMIT statusChanged(QStringLiteral("Cancelando..."));
            Q_EMIT errorChanged(QString());
        },
        Qt::QueuedConnection);
    m_cancel = true;
    m_client->abort();
    m_pacing->interrupt();
}

}  // namespace dc
