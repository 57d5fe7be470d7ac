#include "history/offsetplot.h"

#include "history/plotaxes.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 8;

// The range of the offsets (or the delays) of the columns with a set.
std::pair<double, double> valueRange(const std::vector<PlotColumn> &columns, bool offsets)
{
    double low = 0, high = 0;
    for (const PlotColumn &column : columns)
        if (column.success) {
            low = std::min(low, offsets ? column.offsetLow : double(column.delayLow));
            high = std::max(high, offsets ? column.offsetHigh : double(column.delayHigh));
        }
    return {low, high};
}

QString valueLabel(double value, double step)
{
    return QString::number(value, 'f', step >= 1 ? 0 : int(std::ceil(-std::log10(step))));
}

} // namespace

OffsetPlot::OffsetPlot(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OffsetPlot::setPoints(const std::vector<HistoryPoint> *newPoints)
{
    points = newPoints;
    pointsChanged();
}

void OffsetPlot::pointsChanged()
{
    columnsStale = true;
    update();
}

void OffsetPlot::setSpan(qint64 from, qint64 to)
{
    if (from == fromMs && to == toMs)
        return;
    fromMs = from;
    toMs = std::max(to, from + 1);
    pointsChanged();
}

QColor OffsetPlot::offsetColor()
{
    return QColor(31, 119, 180);
}

QColor OffsetPlot::delayColor()
{
    return QColor(230, 120, 20);
}

QColor OffsetPlot::failureColor()
{
    return QColor(214, 39, 40);
}

void OffsetPlot::resizeEvent(QResizeEvent *)
{
    columnsStale = true;
}

// The left margin holds the values' labels; each pane its title above it; the bottom the failures' strip
// and the times. The offsets have three fifths of the height the two panes share.
OffsetPlot::Areas OffsetPlot::areas() const
{
    const int line = fontMetrics().height();
    const int left = fontMetrics().horizontalAdvance(QStringLiteral("-00000.00")) + 2 * margin;
    const int right = width() - 2 * margin;
    const int stripTop = height() - line - 2 * margin - 10;
    const int paneHeights = stripTop - 2 * line - 3 * margin;
    Areas areas;
    areas.offsets = QRect(QPoint(left, margin + line), QPoint(right, margin + line + paneHeights * 3 / 5));
    areas.delays = QRect(QPoint(left, areas.offsets.bottom() + margin + line), QPoint(right, stripTop - margin));
    areas.failures = QRect(QPoint(left, stripTop), QPoint(right, stripTop + 9));
    return areas;
}

void OffsetPlot::updateColumns()
{
    if (!columnsStale)
        return;
    static const std::vector<HistoryPoint> none;
    columns = plotColumns(points ? *points : none, fromMs, toMs, areas().offsets.width());
    columnsStale = false;
}

void OffsetPlot::paintEvent(QPaintEvent *)
{
    updateColumns();
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    const Areas area = areas();
    drawPane(painter, area.offsets, tr("偏差(ms)"), true);
    drawPane(painter, area.delays, tr("时延(ms)"), false);
    for (size_t x = 0; x < columns.size(); ++x)
        if (columns[x].failure)
            painter.fillRect(QRect(area.failures.left() + int(x), area.failures.top(), 2, area.failures.height()),
                             failureColor());
    drawTimeAxis(painter, area.failures);
    if (std::none_of(columns.begin(), columns.end(), [](const PlotColumn &c) { return c.success || c.failure; }))
        painter.drawText(area.offsets, Qt::AlignCenter, tr("所选范围内没有记录"));
}

// A pane of values with its grid and labels, one stroke or dot for each column's sets.
void OffsetPlot::drawPane(QPainter &painter, const QRect &area, const QString &title, bool offsets)
{
    const auto [low, high] = valueRange(columns, offsets);
    const plotaxes::ValueAxis axis = plotaxes::valueAxis(low, high, area.height() / (fontMetrics().height() + 8));
    const auto y = [&](double value) {
        return area.bottom() - int(std::lround((value - axis.low) / (axis.high - axis.low) * (area.height() - 1)));
    };
    const QColor text = palette().text().color();
    for (double value = axis.low; value <= axis.high + axis.step / 2; value += axis.step) {
        painter.setPen(std::abs(value) < axis.step / 2 ? text : palette().mid().color());
        painter.drawLine(area.left(), y(value), area.right(), y(value));
        painter.setPen(text);
        painter.drawText(QRect(0, y(value) - 10, area.left() - margin, 20), Qt::AlignRight | Qt::AlignVCenter,
                         valueLabel(std::abs(value) < axis.step / 2 ? 0 : value, axis.step));
    }
    painter.drawText(QRect(area.left(), area.top() - fontMetrics().height() - 2, area.width(), fontMetrics().height()),
                     Qt::AlignLeft, title);
    const QColor color = offsets ? offsetColor() : delayColor();
    for (size_t i = 0; i < columns.size(); ++i) {
        const PlotColumn &column = columns[i];
        if (!column.success)
            continue;
        const int x = area.left() + int(i);
        const int top = y(offsets ? column.offsetHigh : double(column.delayHigh));
        const int bottom = y(offsets ? column.offsetLow : double(column.delayLow));
        painter.fillRect(QRect(x - 1, top - 1, 3, bottom - top + 3), color);
    }
}

void OffsetPlot::drawTimeAxis(QPainter &painter, const QRect &strip)
{
    const int width = std::max(strip.width(), 1);
    const qint64 utcOffsetMs = QDateTime::currentDateTime().offsetFromUtc() * qint64(1000);
    const plotaxes::TimeAxis axis = plotaxes::timeAxis(fromMs, toMs, width, 90, utcOffsetMs);
    painter.setPen(palette().text().color());
    painter.drawLine(strip.left(), strip.bottom() + 1, strip.right(), strip.bottom() + 1);
    for (qint64 tick = axis.firstMs; tick <= toMs; tick += axis.stepMs) {
        const int x = strip.left() + int((tick - fromMs) * width / (toMs - fromMs));
        painter.drawLine(x, strip.bottom() + 1, x, strip.bottom() + 4);
        const QString label = QDateTime::fromMSecsSinceEpoch(tick).toString(axis.days ? QStringLiteral("MM-dd")
                                                                                      : QStringLiteral("HH:mm"));
        painter.drawText(QRect(x - 40, strip.bottom() + 5, 80, fontMetrics().height()), Qt::AlignHCenter, label);
    }
}
