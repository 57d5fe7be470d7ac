#include "history/historywindow.h"

#include "history/offsetplot.h"
#include "history/recentrows.h"

#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

namespace {

constexpr qint64 hourMs = 3600 * 1000;
// The spans of the range box, in its order; 0: everything in the files.
constexpr qint64 spansMs[] = {hourMs, 24 * hourMs, 7 * 24 * hourMs, 0};

QString ageText(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(ms / 1000, 0);
    if (seconds < 60)
        return QObject::tr("%1秒前").arg(seconds);
    if (seconds < 3600)
        return QObject::tr("%1分钟前").arg(seconds / 60);
    if (seconds < 86400)
        return QObject::tr("%1小时前").arg(seconds / 3600);
    return QObject::tr("%1天前").arg(seconds / 86400);
}

QString msText(const std::optional<double> &ms)
{
    return ms ? QString::number(*ms, 'f', 3) : QStringLiteral("-");
}

} // namespace

SyncHistoryWindow::SyncHistoryWindow(const QString &folder, QWidget *parent)
    : QWidget(parent, Qt::Window), folder(folder)
{
    setWindowTitle(tr("同步记录"));
    setAttribute(Qt::WA_QuitOnClose, false); // closed while the main window is in the tray, the program runs on
    plot = new OffsetPlot(this);
    plot->setPoints(&history.points());
    figures = new QLabel(this);
    figures->setWordWrap(true);
    rows = new RecentRows(history, this);
    table = new QTableView(this);
    table->setModel(rows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int digitsWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    for (const auto &[column, width] : {std::pair{0, digitsWidth}, {1, digitsWidth * 2 / 3}, {2, digitsWidth * 3 / 2}})
        table->setColumnWidth(column, width);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rangeBar());
    layout->addWidget(plot, 3);
    layout->addWidget(figures);
    layout->addWidget(table, 2);
    resize(820, 640);
}

QWidget *SyncHistoryWindow::rangeBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    range = new QComboBox(bar);
    range->addItems({tr("最近一小时"), tr("最近一天"), tr("最近一周"), tr("全部记录")});
    range->setCurrentIndex(1);
    connect(range, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SyncHistoryWindow::showRange);
    auto *openFolder = new QPushButton(tr("打开记录所在文件夹"), bar);
    openFolder->setToolTip(QDir::toNativeSeparators(folder));
    connect(openFolder, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    layout->addWidget(new QLabel(tr("范围："), bar));
    layout->addWidget(range);
    layout->addStretch();
    layout->addWidget(openFolder);
    return bar;
}

void SyncHistoryWindow::open()
{
    history.load(folder);
    plot->pointsChanged();
    rows->refresh();
    showRange();
    showNormal();
    raise();
    activateWindow();
}

void SyncHistoryWindow::follow(const SyncLogRow &row)
{
    if (!isVisible())
        return; // read afresh at the next open
    history.add(row);
    plot->pointsChanged();
    rows->refresh();
    showRange();
}

void SyncHistoryWindow::showRange()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 span = spansMs[std::clamp(range->currentIndex(), 0, 3)];
    const std::vector<HistoryPoint> &points = history.points();
    const qint64 from = span ? now - span : points.empty() ? now - hourMs : points.front().timeMs;
    const qint64 to = span || points.empty() ? now : std::max(now, points.back().timeMs);
    plot->setSpan(from, to);
    showFigures(from, to);
}

void SyncHistoryWindow::showFigures(qint64 fromMs, qint64 toMs)
{
    const HistoryFigures found = history.figures(fromMs, toMs);
    const QString last = found.lastSuccessMs
                             ? tr("最近一次成功：%1，%2")
                                   .arg(QDateTime::fromMSecsSinceEpoch(*found.lastSuccessMs)
                                            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                        ageText(QDateTime::currentMSecsSinceEpoch() - *found.lastSuccessMs))
                             : tr("最近一次成功：无");
    figures->setText(last + QStringLiteral("\n")
                     + tr("所选范围内：成功%1次，失败%2次，偏差中位数%3ms，最大偏差%4ms")
                           .arg(found.successes)
                           .arg(found.failures)
                           .arg(msText(found.medianOffsetMs), msText(found.largestOffsetMs)));
}
