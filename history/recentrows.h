#pragma once

#include "history/synchistory.h"

#include <QAbstractTableModel>

// The last rows of the record for the window's table, newest first.
class RecentRows : public QAbstractTableModel
{
    Q_OBJECT

public:
    RecentRows(const SyncHistory &history, QObject *parent);

    // After the history changed.
    void refresh();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(const SyncLogRow &row, int column) const;

    const SyncHistory &history;
};
