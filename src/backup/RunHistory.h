#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace dc {

class Connection;

// What one backup run left behind, as the history keeps it.
struct RunRecord {
    struct Failure {
        QString file;   // local path
        QString error;  // the last error of its last attempt
    };
    qint64 id = 0;
    QDateTime start;
    QDateTime end;
    QString outcome;   // one of the kOutcome texts
    int files = 0;     // files backed up (verified)
    qint64 bytes = 0;  // their bytes
    QString service;   // where they went (host:port)
    QString detail;    // what stopped a run that stopped, or why files were left out
    QList<Failure> failures;
};

inline const QString kOutcomeComplete = QStringLiteral("completo");
inline const QString kOutcomeFilesLeftOut = QStringLiteral("con archivos sin respaldar");
inline const QString kOutcomeCancelled = QStringLiteral("cancelado");
inline const QString kOutcomeCredentials = QStringLiteral("credenciales rechazadas");
// The connection could not be protected as asked (a certificate that does not
// verify, TLS required where the server or the program has none).
inline const QString kOutcomeSecurity = QStringLiteral("conexión segura rechazada");
inline const QString kOutcomeNoConnection = QStringLiteral("sin conexión");
// The file of the row that stands for the failures of a run beyond the ones
// listed; its error is moreFilesLeftOutText().
inline const QString kMoreFilesLeftOut = QStringLiteral("…");
// "y otros N archivo(s) sin respaldar"
QString moreFilesLeftOutText(qsizetype count);
// Followed by what the database said.
inline const QString kMsgHistoryNotWritten = QStringLiteral("No se pudo guardar el respaldo en el historial: ");

// The tip of the notification icon after the title: when the last complete
// backup was ("Último respaldo completo: dd/MM/yyyy HH:mm"), or that there has
// been none.
QString lastCompleteText(const QDateTime& lastComplete);

// Whether the shop should be warned that its backups are behind: the last
// complete run started more than kOverdueDays ago or, with none kept at all,
// the first run kept did (a new install that has not run yet is not behind).
inline constexpr int kOverdueDays = 2;
bool backupOverdue(const QDateTime& now, const QDateTime& lastComplete, const QDateTime& firstStart);

// The run history of an edition's data-center database (its
// tbl_app_historial and tbl_app_historial_fallas): one row per run and one
// per file left out, at most kFailuresListed of them and then one row
// (kMoreFilesLeftOut) that counts the rest; the last kKept runs kept. Texts
// are stored as valid Unicode (an unpaired surrogate becomes U+FFFD) and cut
// to their column. Every statement runs on Jet and SQLite alike. Throws
// DbError.
class RunHistory {
public:
    static constexpr int kKept = 365;
    static constexpr int kFailuresListed = 200;

    explicit RunHistory(Connection& dataCenter) : m_db(dataCenter) {}

    // Records a run and its failures in one transaction, then lets go of the
    // runs beyond the last kKept.
    void record(const RunRecord& run);
    // When runs started (each invalid when there is none).
    struct Times {
        QDateTime lastComplete;  // the last complete run
        QDateTime lastStart;     // the last run, whatever its outcome
        QDateTime firstStart;    // the first run kept
    };
    Times times();
    // The runs, newest first, without their failures.
    QList<RunRecord> runs();
    // The files a run left out.
    QList<RunRecord::Failure> failures(qint64 runId);

private:
    Connection& m_db;
};

}  // namespace dc
