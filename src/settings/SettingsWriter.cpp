#include "settings/SettingsWriter.h"

#include "platform/Clock.h"
#include "settings/Database.h"
#include "settings/DbErrorText.h"

#include <QDebug>
#include <QDir>

namespace dc {

namespace {
QString notStoredText(const QString& why)
{
    return QStringLiteral("No se guardó un cambio de la configuración. ") + why;
}
}  // namespace

SettingsWriter::SettingsWriter(const Clock& clock, std::function<void(const QString&)> report)
    : m_clock(clock), m_report(std::move(report))
{
    m_timer.setInterval(kRetryMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { retry(); });
}

SettingsWriter::~SettingsWriter()
{
    for (const Pending& p : std::as_const(m_pending)) {
        try {
            if (p.connection->filePath() == p.file) p.connection->exec(p.write.sql, p.write.values);
        } catch (const DbError& e) {
            qWarning().noquote() << notStoredText(e.text());
        }
    }
}

void SettingsWriter::store(Connection& c, const SettingsWrite& write)
{
    for (const Pending& p : m_pending)
        if (p.connection == &c) {
            // Behind the writes already kept for this database, in order.
            keep(c, write);
            return;
        }
    try {
        c.execWaitingAtMost(write.sql, write.values, kWaitMs);
    } catch (const DbBusyError&) {
        if (m_pending.isEmpty()) m_heldSince = m_clock.now();
        keep(c, write);
        m_timer.start();
    }
}

void SettingsWriter::keep(Connection& c, const SettingsWrite& write)
{
    // The same statement (the same row) again: the newer value replaces it.
    for (Pending& p : m_pending)
        if (p.connection == &c && p.write.sql == write.sql) {
            p.write = write;
            return;
        }
    m_pending.append({&c, c.filePath(), write});
}

void SettingsWriter::retry()
{
    while (!m_pending.isEmpty()) {
        const Pending p = m_pending.first();
        if (p.connection->filePath() != p.file) {
            // The connection moved on to another database (another company).
            m_pending.removeFirst();
            m_report(notStoredText(QStringLiteral("La base de datos ") + QDir::toNativeSeparators(p.file)
                                   + QStringLiteral(" estuvo ocupada por otro programa.")));
            continue;
        }
        try {
            p.connection->execWaitingAtMost(p.write.sql, p.write.values, kWaitMs);
            m_pending.removeFirst();
        } catch (const DbBusyError& e) {
            if (m_heldSince.msecsTo(m_clock.now()) < kGiveUpMs) return;
            m_pending.clear();
            m_timer.stop();
            m_report(notStoredText(e.text()));
            return;
        } catch (const DbError& e) {
            m_pending.removeFirst();
            m_report(notStoredText(e.text()));
        }
    }
    m_timer.stop();
}

}  // namespace dc
