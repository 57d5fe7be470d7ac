#include "history/recentrows.h"

#include <QDateTime>

namespace {

enum Column { Time, Server, SyncLine, Delay, Offset, ClockSet, Reason, ColumnCount };

QString milliseconds(const std::optional<qint64> &ns)
{
    return ns ? QString::fromLatin1(synclog::millisecondsText(*ns)) : QString();
}

} // namespace

RecentRows::RecentRows(const SyncHistory &history, QObject *parent) : QAbstractTableModel(parent), history(history) {}

void RecentRows::refresh()
{
    beginResetModel();
    endResetModel();
}

int RecentRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(history.recentRows().size());
}

int RecentRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecentRows::data(const QModelIndex &index, int role) const
{
    const auto &rows = history.recentRows();
    if (!index.isValid() || index.row() >= int(rows.size()))
        return QVariant();
    const SyncLogRow &row = rows[rows.size() - 1 - size_t(index.row())];
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() >= SyncLine))
        return text(row, index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Delay || index.column() == Offset))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QString RecentRows::text(const SyncLogRow &row, int column) const
{
    switch (column) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(row.timeMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Server:
        return row.report.server;
    case SyncLine:
        return row.report.text;
    case Delay:
        return milliseconds(row.report.delayNs);
    case Offset:
        return milliseconds(row.report.offsetNs);
    case ClockSet:
        return row.report.clockSet ? tr("是") : tr("否");
    default:
        return row.report.reason;
    }
}

QVariant RecentRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString titles[] = {tr("时间"),     tr("服务器"),   tr("同步行"), tr("时延(ms)"),
                              tr("偏差(ms)"), tr("设置时钟"), tr("原因")};
    return section >= 0 && section < ColumnCount ? titles[section] : QVariant();
}
