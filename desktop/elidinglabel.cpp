#include "desktop/elidinglabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

void ElidingLabel::setText(const QString &text, const QString &toolTip)
{
    QLabel::setText(text);
    textToolTip = toolTip;
    showToolTip();
}

void ElidingLabel::setNote(const QString &text)
{
    note = text;
    showToolTip();
}

void ElidingLabel::showToolTip()
{
    setToolTip(textToolTip.isEmpty() || note.isEmpty() ? textToolTip + note : textToolTip + QLatin1Char('\n') + note);
}

bool ElidingLabel::fits() const
{
    return fontMetrics().horizontalAdvance(text()) <= contentsRect().width();
}

bool ElidingLabel::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip || fits())
        return QLabel::event(event);
    const QString whole = toolTip().isEmpty() ? text() : text() + QLatin1Char('\n') + toolTip();
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), whole, this);
    return true;
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, area.width()),
                          foregroundRole());
}
