#pragma once

#include <QSize>
#include <QString>

class QPainter;

// The grid of a board: its spacing and its lines.
//
// The spacing is counted in whole 2.5 mm steps (three at start, 7.5 mm), never as a running sum
// of millimetre lengths: a spacing computed as 7.5 mm - 3 * 2.5 mm in doubles can come out as a
// tiny positive number and the line loop would then never advance.
class GridSpacing
{
public:
    explicit GridSpacing(double pixelsPerMillimetre);

    int steps() const { return stepCount; }
    // The spacing in layer pixels.
    double pixels() const;
    // One step wider or narrower. The new spacing is kept only when it is at least one step and
    // below limit (a third of the smaller layer side); false when refused.
    bool widen(double limit);
    bool narrow(double limit);
    void reset() { stepCount = initialSteps; }

    static constexpr int initialSteps = 3;

private:
    bool trySteps(int steps, double limit);

    double stepPixels = 0.0;
    int stepCount = initialSteps;
};

// The grid a board shows, and the two requests that change the spacing of a shown grid.
namespace GridType {
enum : int {
    None = 0,
    Horizontal = 1,
    Vertical = 2,
    Both = 3,
    Wider = 4,
    Narrower = 5,
};
} // namespace GridType

// Which lines a GridType shows.
bool gridHasHorizontalLines(int type);
bool gridHasVerticalLines(int type);

// Draws the grid lines of a layer of the given size through its middle row and column, spacing
// pixels apart, margin pixels short of the layer's sides; colour with alpha 100, width 1.
// Lines at 0 or at the layer's height or width are never drawn. Nothing for a spacing below one
// pixel or a colour name that stands for no colour.
void paintGridLines(QPainter *painter, const QSize &layerSize, int type, double spacing, int margin,
                    const QString &color);
