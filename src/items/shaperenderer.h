#pragma once

#include <QPixmap>
#include <QSize>

struct ShapeStyle;

// Draws one of the 22 geometry shapes upright into a new transparent pixmap. Ids: 1 ellipse,
// 2 rectangle, 3 parallelogram, 4 diamond, 5 right triangle, 6 regular polygon, 7 sector, 8 chord,
// 9 cuboid, 10 cylinder, 11 sphere, 12 cone, 21 plane axes, 22 spatial axes, 23 four-line grid,
// 24 five-line staff, 25 ruler, 26 protractor, 27 parabola, 28 wavy line, 29 check mark, 30 half
// check mark; any other id leaves the pixmap transparent.
class ShapeRenderer
{
public:
    // The centre mark is the small circle the marquee shows at the shape's centre.
    static QPixmap render(const QSize &size, const ShapeStyle &style, bool centreMark);
    // The same with the screen's pixels per millimetre given (the ruler's scale).
    static QPixmap render(const QSize &size, const ShapeStyle &style, bool centreMark,
                          double pixelsPerMm);
};
