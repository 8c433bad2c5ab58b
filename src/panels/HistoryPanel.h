#pragma once

#include "backup/RunHistory.h"
#include "panels/BackupPanel.h"
#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QTableView>
#include <QStandardItemModel>

namespace dc {

// The history panel's controls.
struct HistoryPanelUi {
    QLabel* Label28 = nullptr;
    QFrame* Shape7 = nullptr;
    QTableView* DBGrid4 = nullptr;
    QLabel* Label29 = nullptr;
    QFrame* Shape8 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QTableView* DBGrid5 = nullptr;
};

// The backup history panel (edition 2), read-only: the runs newest first
// (start, end, outcome, files and bytes backed up, service, detail), and on
// demand the files the current run left out with their last error.
class HistoryPanel : public QObject, public Panel {
    Q_OBJECT
public:
    // `backup` tells when the next backup is due, for the empty history.
    HistoryPanel(WindowContext& ctx, const BackupPanel& backup, QObject* parent = nullptr);

    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    // The runs are read anew each time the panel opens.
    void shown() override { reload(); }
    HistoryPanelUi& ui() { return m_ui; }

    // Reads the runs anew (each time the panel opens); the first is current
    // and the files list is emptied. Throws DbError.
    void reload();
    // "Ver archivos sin respaldar" (and Enter or a double click on a run):
    // the files the current run left out. Throws DbError.
    void BitBtn6Click();

    QStandardItemModel* runsModel() const { return m_runs; }
    QStandardItemModel* failuresModel() const { return m_failures; }

private:
    WindowContext& m_ctx;
    const BackupPanel& m_backup;
    HistoryPanelUi m_ui;
    QStandardItemModel* m_runs;
    QStandardItemModel* m_failures;
    QList<RunRecord> m_records;  // the rows of m_runs
};

// The files list when the current run left none out.
// The empty history: %1 the daily time ("HH:mm").
inline const QString kEmptyHistoryNext =
    QStringLiteral("Todavía no hay respaldos. El primero se hará a las %1.");
inline const QString kEmptyHistoryOff = QStringLiteral(
    "Todavía no hay respaldos. Activa los respaldos automáticos en «Configuración» o haz uno con «Hacer un respaldo "
    "ahora».");
inline const QString kEmptyFilesLeftOut = QStringLiteral(
    "Elige un respaldo y pulsa «Ver archivos sin respaldar»: aquí aparecen los archivos que dejó fuera y por qué.");
inline const QString kNoRunsYet = QStringLiteral("Todavía no hay respaldos: no hay archivos sin respaldar que mostrar.");
inline const QString kNoFilesLeftOut = QStringLiteral("Este respaldo no dejó archivos sin respaldar");

}  // namespace dc
