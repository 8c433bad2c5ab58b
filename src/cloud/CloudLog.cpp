#include "cloud/CloudLog.h"

#include "settings/Database.h"

#include <QSqlQuery>

namespace dc {

QString cloudLogText(const QDateTime& when, const QString& text)
{
    QString row = when.toString(QStringLiteral("dd/MM/yyyy HH:mm ")) + text;
    // Line breaks (a driver's multi-line error) would make the grid rows ragged.
    row.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (row.size() > kCloudLogTextMax) {
        row.truncate(kCloudLogTextMax);
        // Never cut a character in two.
        if (row.back().isHighSurrogate()) row.chop(1);
    }
    return row;
}

void appendCloudLog(Connection& dataCenter, const QDateTime& when, const QString& text)
{
    // Desc is a word of SQL: brackets quote it alike on both engines.
    dataCenter.exec(QStringLiteral("insert into tbl_app_Log ([Desc]) values (?)"), {cloudLogText(when, text)});
}

QStringList SendFailureWatch::newCauses()
{
    QStringList causes;
    if (m_seen < 0) {
        QSqlQuery q = m_db.query(QStringLiteral("select max(Id) from tbl_app_Log"));
        m_seen = q.next() ? q.value(0).toLongLong() : 0;
        return causes;
    }
    static const QLatin1String kFailed("Error al enviar ");
    static const QLatin1String kSent("Enviado: ");
    QSqlQuery q = m_db.query(QStringLiteral("select Id, [Desc] from tbl_app_Log where Id > ? order by Id"), {m_seen});
    while (q.next()) {
        m_seen = q.value(0).toLongLong();
        // "dd/MM/yyyy HH:mm " comes first.
        const QString text = q.value(1).toString().mid(17);
        if (text.startsWith(kSent)) {
            m_told.clear();
        } else if (text.startsWith(kFailed)) {
            const qsizetype colon = text.indexOf(QLatin1String(": "), kFailed.size());
            const QString cause = colon < 0 ? text : text.mid(colon + 2);
            if (!m_told.contains(cause)) {
                m_told << cause;
                causes << cause;
            }
        }
    }
    return causes;
}

CloudLogModel::CloudLogModel(Connection& dataCenter, QObject* parent) : QAbstractTableModel(parent), m_db(dataCenter) {}

QList<CloudLogModel::Row> CloudLogModel::nextPage(qint64& below, qint64 oldest) const
{
    while (below > oldest) {
        QList<Row> rows;
        QSqlQuery q = m_db.query(QStringLiteral("select Id, [Desc] from tbl_app_Log where Id < ? and Id >= ? order by Id desc"),
                                 {below, below - kPageRows});
        while (q.next()) rows.append({q.value(0).toLongLong(), q.value(1).toString()});
        below -= kPageRows;
        if (!rows.isEmpty()) return rows;
        // Rows taken out of the log leave a gap: on to the next row below it.
        const QVariant next = m_db.scalar(QStringLiteral("select max(Id) from tbl_app_Log where Id < ?"), {below});
        below = next.isNull() ? oldest : next.toLongLong() + 1;
    }
    return {};
}

void CloudLogModel::reload()
{
    // Two queries: SQLite finds a lone max() or min() in the index, both
    // together by reading the whole table.
    const QVariant newest = m_db.scalar(QStringLiteral("select max(Id) from tbl_app_Log"));
    const QVariant oldest = m_db.scalar(QStringLiteral("select min(Id) from tbl_app_Log"));
    qint64 below = newest.isNull() ? 0 : newest.toLongLong() + 1;
    const qint64 oldestId = oldest.isNull() ? 0 : oldest.toLongLong();
    QList<Row> first = nextPage(below, oldestId);
    beginResetModel();
    m_open = true;
    m_oldest = oldestId;
    m_rows = std::move(first);
    m_below = below;
    endResetModel();
}

int CloudLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CloudLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_open ? 0 : 2;
}

QVariant CloudLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const Row& row = m_rows.at(index.row());
    return index.column() == kIdColumn ? QVariant(row.id) : QVariant(row.desc);
}

QVariant CloudLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    return section == kIdColumn ? QStringLiteral("Id") : QStringLiteral("Desc");
}

bool CloudLogModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_open && m_below > m_oldest;
}

void CloudLogModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent)) return;
    QList<Row> rows;
    qint64 below = m_below;
    try {
        rows = nextPage(below, m_oldest);
    } catch (const std::exception& e) {
        m_below = m_oldest;
        if (m_failed) m_failed(errorText(e));
        return;
    }
    m_below = below;
    if (rows.isEmpty()) return;
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + rows.size() - 1));
    m_rows.append(rows);
    endInsertRows();
}

}  // namespace dc
