#pragma once

#include "settings/SettingsStatements.h"

#include <QDateTime>
#include <QList>
#include <QTimer>

#include <functional>

namespace dc {

class Clock;
class Connection;

// Settings writes that never hold the window for long. The controls store
// their value at every change (every keystroke); a companion tool or the point
// of sale may be writing the same database just then. A write that finds the
// database held waits a moment only; it is then kept, together with every
// later write to that connection (the newest value of each row wins), and
// tried again every kRetryMs until the database is free: nothing typed is
// lost. Held for longer than kGiveUpMs, the kept writes are dropped and the
// failure is reported (the controls keep showing their values).
class SettingsWriter {
public:
    SettingsWriter(const Clock& clock, std::function<void(const QString&)> report);
    // The writes still kept get a last try, with the connection's full wait.
    ~SettingsWriter();
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    // Stores now, or keeps the write for later while the database is held.
    // Throws DbError for any other failure.
    void store(Connection& c, const SettingsWrite& write);
    // Tries the kept writes again, in order (the timer runs it).
    void retry();
    bool hasPending() const { return !m_pending.isEmpty(); }

    static constexpr int kWaitMs = 100;
    static constexpr int kRetryMs = 250;
    static constexpr int kGiveUpMs = 5000;

private:
    struct Pending {
        Connection* connection;
        QString file;  // the database the write belongs to
        SettingsWrite write;
    };
    void keep(Connection& c, const SettingsWrite& write);

    const Clock& m_clock;
    std::function<void(const QString&)> m_report;
    QList<Pending> m_pending;
    QDateTime m_heldSince;
    QTimer m_timer;
};

}  // namespace dc
