#pragma once

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QString>

class PaintProperty;

// Cursor pictures of the paint tools. The caller picks the hot spot (top-left unless noted).

// The highlighter nib of the level filled with the pen colour, with a dark and a light edge at
// top and left; transparent when the colour is none.
QPixmap highlighterCursor(int level, const QString &color);

// The eraser square (shape 0) or circle (shape 1) of the level.
QPixmap eraserCursor(int level, int shape);

// A pencil or pen icon scaled to the cursor size. With laser a glow of the pen colour lies under
// it and the icon's tip sits at the glow's centre; hotSpot receives that centre (x = y), else 0.
QPixmap penCursor(const QPixmap &icon, const QColor &color, bool laser, int &hotSpot);

// The eyedropper; its tip is the picture's bottom-left corner.
QPixmap strawCursor();

// The stamp, translucent and scaled by zoom, with a pointer at its centre: the teacher pointer's
// stamp when there is one, else the standard stamp pointer. Only the pointer when the stamp name
// is empty or has no picture.
QPixmap stampCursor(const QString &stampName, const QString &pointerName, const double &zoom);

// The cursor of the property's current tool at the zoom (the arrow without a property). A chosen
// teacher pointer replaces every tool's cursor.
QCursor toolCursor(const PaintProperty *property, double zoom);
