#pragma once

#include <QLabel>

// What every interactive item of a board is: a label over the board that tells when it shows
// or hides (the board then updates its tool buttons).
class CanvasItem : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void showHideChanged(bool shown);

protected:
    // Covers area (parent coordinates, grown to whole pixels); a repaint when it already does.
    // Nothing for an empty area.
    void coverArea(const QRectF &area);
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};
