#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

namespace dc {

class Connection;

// The cloud log, table tbl_app_Log of edition 2's data-center database: one
// row per file generated or sent and one per failure, written by the
// companion tools and shown newest first on the log panel.

// The longest text a row holds.
inline constexpr int kCloudLogTextMax = 255;

// "dd/MM/yyyy HH:mm <text>", cut to what the column holds.
QString cloudLogText(const QDateTime& when, const QString& text);

// Appends one row. Throws DbError.
void appendCloudLog(Connection& dataCenter, const QDateTime& when, const QString& text);

// The send tool's failures in the log, each cause told once. A look returns
// the causes of the failed sends written since the last look that were not
// told yet; a delivery since makes every cause new again. The first look only
// marks the log's end.
class SendFailureWatch {
public:
    explicit SendFailureWatch(Connection& dataCenter) : m_db(dataCenter) {}
    // Throws DbError.
    QStringList newCauses();

private:
    Connection& m_db;
    qint64 m_seen = -1;
    QStringList m_told;
};

// The whole log for a grid, newest first, read a page at a time as the grid
// scrolls down (canFetchMore/fetchMore), so a log of any length reloads at
// once. Each page is a short query on a range of Ids, read to its end: no
// statement stays open between pages, so the connection never holds an old
// snapshot of the file (a settings write on it would fail once a tool had
// written the log since). Columns Id and Desc; none before the first reload.
class CloudLogModel : public QAbstractTableModel {
public:
    explicit CloudLogModel(Connection& dataCenter, QObject* parent = nullptr);

    static constexpr int kIdColumn = 0;
    static constexpr int kDescColumn = 1;
    static constexpr int kPageRows = 200;

    // Reads the newest page again, rows written since included. Throws
    // DbError and then keeps the rows it showed.
    void reload();
    // Where a failure of a later page goes: the grid asks for pages outside
    // any reaction. Paging stops there until the next reload.
    void setFailureHandler(std::function<void(const QString&)> handler) { m_failed = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Row {
        qint64 id;
        QString desc;
    };
    // The next rows with Ids below `below` (moved past them) down to
    // `oldest`, newest first; empty at the end of the log.
    QList<Row> nextPage(qint64& below, qint64 oldest) const;

    Connection& m_db;
    QList<Row> m_rows;
    bool m_open = false;
    qint64 m_below = 0;   // the rows still to read have Ids below this
    qint64 m_oldest = 0;  // the oldest Id when the log was reloaded
    std::function<void(const QString&)> m_failed;
};

}  // namespace dc
