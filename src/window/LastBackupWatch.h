#pragma once

#include "widgets/WindowContext.h"

#include <QDate>
#include <QObject>
#include <QTimer>

#include <functional>

namespace dc {

class TrayIcon;

// Keeps the notification icon telling when the last complete backup was (in
// its tip), and, while backups are behind (the last complete one is more
// than two days old), shows a warning badge on the icon and a notice once a
// day until a complete run happens. It reads the run history every minute,
// and when told that a run ended.
class LastBackupWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriod = 60'000;

    // `expectsRuns` tells whether backups are expected to run now.
    LastBackupWatch(WindowContext& ctx, TrayIcon& tray, std::function<bool()> expectsRuns, QObject* parent);

    // Reads the history now and starts the period.
    void start();
    void refresh();

private:
    WindowContext& m_ctx;
    TrayIcon& m_tray;
    std::function<bool()> m_expectsRuns;
    QTimer m_timer;
    QDate m_warnedOn;  // the day of the last warning notice
};

// %1: when the last complete backup was ("dd/MM/yyyy HH:mm").
inline const QString kNoticeBackupsBehind = QStringLiteral(
    "Respaldo atrasado: el último respaldo completo fue el %1, hace más de 2 días. Revisa la lista de respaldo, el "
    "usuario y la conexión.");
inline const QString kNoticeNoCompleteBackup = QStringLiteral(
    "Respaldo atrasado: no hay ningún respaldo completo desde hace más de 2 días. Revisa la lista de respaldo, el "
    "usuario y la conexión.");
inline const QString kHistoryUnreadable = QStringLiteral("No se pudo leer el historial de respaldos");

}  // namespace dc
