#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>

// The turns and mirrors a view of a page or a selection frame takes, as seen on screen.
namespace Reorientation {
enum : int {
    TurnCounterClockwise = 1,
    TurnClockwise = 2,
    MirrorLeftRight = 3,
    MirrorTopBottom = 4,
};
} // namespace Reorientation

// How a page is shown: turned by quarter turns and mirrored. The line from corner 1 to corner 2
// shows where the page's top edge lies in the view, running from its top-left to its top-right.
class PageOrientation
{
public:
    void reset();
    // A quarter turn or a mirror (a Reorientation); other kinds do nothing.
    void rotateOrMirror(int kind);
    bool isMirrored() const { return mirrored; }
    bool hasOriginalAxes() const { return axesUnswapped; }

    // width and height are those of the page itself, not of the turned view.
    QPointF mapPoint(const QPointF &shown, int width, int height) const;
    QRectF mapRect(const QRectF &shown, int width, int height) const;
    QPointF unmapPoint(const QPointF &page, int width, int height) const;
    // FrameHandle code on the shown page to the code of the same handle on the page.
    int mapHandle(int code) const;
    // The ViewSide showing the page's top or left edge.
    int topSide() const;
    int leftSide() const;

    QImage applyToImage(const QImage &image) const;
    QImage undoOnImage(const QImage &image) const;

    QPointF firstCorner() const { return QPointF(x1, y1); }
    QPointF secondCorner() const { return QPointF(x2, y2); }

private:
    int x1 = -1;
    int y1 = -1;
    int x2 = 1;
    int y2 = -1;
    int cx = 0;
    int cy = 0;
    bool mirrored = false;
    bool axesUnswapped = true;
};

// The page image as shown under the stored orientation (mirror flag and the two corners).
QImage applyOrientationToImage(const QImage &image, bool mirrored, const QPointF &corner1,
                               const QPointF &corner2);
QImage undoOrientationOnImage(const QImage &image, bool mirrored, const QPointF &corner1,
                              const QPointF &corner2);
