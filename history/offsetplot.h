#pragma once

#include "history/plotcolumns.h"

#include <QWidget>

// The clock's offset over time, the round trip's delay beneath it on the same time axis, and a mark on
// that axis wherever a request failed. Drawn from one column of points a pixel, worked out again only
// when the points, the span or the size change.
class OffsetPlot : public QWidget
{
    Q_OBJECT

public:
    explicit OffsetPlot(QWidget *parent = nullptr);

    // points lives as long as the plot, by time; call pointsChanged whenever it changes.
    void setPoints(const std::vector<HistoryPoint> *points);
    void pointsChanged();
    void setSpan(qint64 fromMs, qint64 toMs);

    static QColor offsetColor();
    static QColor delayColor();
    static QColor failureColor();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Areas
    {
        QRect offsets;
        QRect delays;
        QRect failures; // the strip of marks above the time axis
    };
    Areas areas() const;
    void updateColumns();
    void drawPane(QPainter &painter, const QRect &area, const QString &title, bool offsets);
    void drawTimeAxis(QPainter &painter, const QRect &strip);

    const std::vector<HistoryPoint> *points = nullptr;
    qint64 fromMs = 0;
    qint64 toMs = 1;
    std::vector<PlotColumn> columns;
    bool columnsStale = true;
};
