#pragma once

#include "history/synchistory.h"

#include <QWidget>

class OffsetPlot;
class QComboBox;
class QLabel;
class QTableView;
class RecentRows;

// "同步记录": the record of the syncs in a window of its own, read from its files when opened and
// following every outcome while it is shown.
class SyncHistoryWindow : public QWidget
{
    Q_OBJECT

public:
    SyncHistoryWindow(const QString &folder, QWidget *parent);

    // Reads the files afresh and shows the window in front.
    void open();
    // A new row, as it was written.
    void follow(const SyncLogRow &row);

private:
    QWidget *rangeBar();
    void showRange();
    void showFigures(qint64 fromMs, qint64 toMs);

    QString folder;
    SyncHistory history;
    OffsetPlot *plot = nullptr;
    QComboBox *range = nullptr;
    QLabel *figures = nullptr;
    RecentRows *rows = nullptr;
    QTableView *table = nullptr;

    friend struct HistoryWindowProbe; // tests and benchmarks look inside
};
