#pragma once

#include <QLabel>

// A one-line label for texts that may be longer than it is wide: what does not fit ends in "…", and
// hovering shows the whole text above the tooltip.
class ElidingLabel : public QLabel
{
public:
    using QLabel::QLabel;

    // Every text comes with its tooltip, empty where there is nothing to add, so none outlives its text.
    void setText(const QString &text, const QString &toolTip = QString());
    // A line that stays under every text's tooltip from now on.
    void setNote(const QString &note);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool fits() const;
    void showToolTip();

    QString textToolTip;
    QString note;
};
