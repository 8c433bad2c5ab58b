#include "panels/HistoryPanel.h"

#include "widgets/Appearance.h"
#include "widgets/EmptyState.h"
#include "widgets/ErrorReporter.h"
#include "widgets/Prompts.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>

namespace dc {

namespace {

QString dateTimeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
}

// A row of read-only cells.
QList<QStandardItem*> cells(const QStringList& texts)
{
    QList<QStandardItem*> row;
    for (const QString& text : texts) {
        auto* item = new QStandardItem(text);
        item->setEditable(false);
        row << item;
    }
    return row;
}

void setColumns(QTableView* grid, QStandardItemModel* model, const QList<QPair<QString, int>>& columns)
{
    model->setColumnCount(static_cast<int>(columns.size()));
    for (int c = 0; c < columns.size(); ++c) {
        model->setHeaderData(c, Qt::Horizontal, columns[c].first);
        grid->setColumnWidth(c, columns[c].second);
    }
}

// Enter on a run asks for its files, as the button does.
class EnterKey : public QObject {
public:
    EnterKey(QObject* parent, std::function<void()> reaction) : QObject(parent), m_reaction(std::move(reaction)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_reaction();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_reaction;
};

}  // namespace

HistoryPanel::HistoryPanel(WindowContext& ctx, const BackupPanel& backup, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_backup(backup), m_runs(new QStandardItemModel(this)), m_failures(new QStandardItemModel(this))
{
}

PanelPlace HistoryPanel::place() const
{
    return {"PRespaldoDatos", "PnHistorial", QStringLiteral("Historial"), "Label27", "Image7", historyPicture()};
}

QList<QWidget*> HistoryPanel::tabOrder() const
{
    return {m_ui.DBGrid4, m_ui.BitBtn6, m_ui.DBGrid5};
}

void HistoryPanel::build(QWidget* p)
{
    HistoryPanelUi& ui = m_ui;
    ui.Label28 = heading(p, "Label28", QStringLiteral("Historial de respaldos"), 6, 5);
    ui.Shape7 = line(p, "Shape7", 6, 20, 465, 1);
    ui.DBGrid4 = grid(p, "DBGrid4", 8, 27, 465, 200);
    ui.Label29 = heading(p, "Label29", QStringLiteral("Archivos sin respaldar"), 6, 240);
    ui.BitBtn6 = button(p, "BitBtn6", QStringLiteral("Ver archivos sin respaldar"), 312, 234, 161, 20);
    ui.Shape8 = line(p, "Shape8", 6, 257, 465, 1);
    ui.DBGrid5 = grid(p, "DBGrid5", 8, 264, 465, 121);
    // A path keeps its file name in sight, an error its end.
    ui.DBGrid5->setTextElideMode(Qt::ElideMiddle);
    ui.DBGrid4->setModel(m_runs);
    ui.DBGrid5->setModel(m_failures);
    setColumns(ui.DBGrid4, m_runs,
               // The first five fill the grid's width; the service and the detail are a scroll away.
               {{QStringLiteral("Inicio"), 96}, {QStringLiteral("Fin"), 96}, {QStringLiteral("Resultado"), 144},
                {QStringLiteral("Archivos"), 52}, {QStringLiteral("Tamaño"), 58}, {QStringLiteral("Servicio"), 120},
                {QStringLiteral("Detalle"), 300}});
    // Both columns within the grid's width; a cut text is told whole in its tooltip.
    setColumns(ui.DBGrid5, m_failures, {{QStringLiteral("Archivo"), 190}, {QStringLiteral("Último error"), 256}});
    showWhenEmpty(ui.DBGrid4, [this] {
        return m_backup.backupsOn() ? kEmptyHistoryNext.arg(m_backup.dailyTimeText()) : kEmptyHistoryOff;
    });
    showWhenEmpty(ui.DBGrid5, [] { return kEmptyFilesLeftOut; });
    ErrorReporter& e = m_ctx.errors;
    connect(ui.BitBtn6, &QPushButton::clicked, this, e.guard([this] { BitBtn6Click(); }));
    connect(ui.DBGrid4, &QTableView::doubleClicked, this, e.guard([this] { BitBtn6Click(); }));
    ui.DBGrid4->installEventFilter(new EnterKey(this, e.guard([this] { BitBtn6Click(); })));
    // Another run chosen: its files are asked for anew.
    connect(ui.DBGrid4->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { m_failures->removeRows(0, m_failures->rowCount()); });
}

void HistoryPanel::reload()
{
    m_records = RunHistory(m_ctx.cnn).runs();
    m_runs->removeRows(0, m_runs->rowCount());
    m_failures->removeRows(0, m_failures->rowCount());
    const QLocale locale = windowLocale();
    for (const RunRecord& r : std::as_const(m_records)) {
        m_runs->appendRow(cells({dateTimeText(r.start), dateTimeText(r.end), r.outcome, QString::number(r.files),
                                 locale.formattedDataSize(r.bytes, 1, QLocale::DataSizeTraditionalFormat), r.service,
                                 r.detail}));
    }
    QTableView* grid = m_ui.DBGrid4;
    if (m_runs->rowCount() > 0) grid->setCurrentIndex(m_runs->index(0, 0));
    refreshEmptyState(grid);
}

void HistoryPanel::BitBtn6Click()
{
    if (m_records.isEmpty()) {
        m_ctx.prompts.inform(kNoRunsYet);
        return;
    }
    const int row = m_ui.DBGrid4->currentIndex().row();
    if (row < 0 || row >= m_records.size()) return;
    const QList<RunRecord::Failure> failures = RunHistory(m_ctx.cnn).failures(m_records[row].id);
    m_failures->removeRows(0, m_failures->rowCount());
    for (const RunRecord::Failure& f : failures)
        m_failures->appendRow(cells({QDir::toNativeSeparators(f.file), f.error}));
    if (failures.isEmpty()) m_failures->appendRow(cells({kNoFilesLeftOut, QString()}));
    m_ui.DBGrid5->setCurrentIndex(m_failures->index(0, 0));
}

}  // namespace dc
