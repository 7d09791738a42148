#include "items/pageorientation.h"

#include <QLineF>
#include <QTransform>
#include <cmath>

#include "drawing/viewside.h"
#include "items/framehandle.h"

namespace {

const QLineF referenceLine(-1, -1, 1, -1);

// Reachable orientations turn by whole quarters; snapping keeps the image turns exact.
QImage rotatedImage(const QImage &image, double degrees)
{
    const double quarters = degrees / 90.0;
    if (std::abs(quarters - std::round(quarters)) < 1e-6)
        degrees = 90.0 * std::round(quarters);
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0)
        degrees += 360.0;
    if (degrees == 0.0)
        return image;
    QTransform transform;
    transform.rotate(degrees);
    return image.transformed(transform, Qt::SmoothTransformation);
}

const int handleColumns[] = {0, 1, 2, 2, 2, 1, 0, 0};
const int handleRows[] = {0, 0, 0, 1, 2, 2, 2, 1};

} // namespace

void PageOrientation::reset()
{
    *this = PageOrientation();
}

void PageOrientation::rotateOrMirror(int kind)
{
    switch (kind) {
        case Reorientation::TurnCounterClockwise: {
            const int ax = cx + (y1 - cy), ay = cy - (x1 - cx);
            const int bx = cx + (y2 - cy), by = cy - (x2 - cx);
            x1 = ax, y1 = ay, x2 = bx, y2 = by;
            axesUnswapped = !axesUnswapped;
            break;
        }
        case Reorientation::TurnClockwise: {
            const int ax = cx - (y1 - cy), ay = cy + (x1 - cx);
            const int bx = cx - (y2 - cy), by = cy + (x2 - cx);
            x1 = ax, y1 = ay, x2 = bx, y2 = by;
            axesUnswapped = !axesUnswapped;
            break;
        }
        case Reorientation::MirrorLeftRight:
            x1 = -x1;
            x2 = -x2;
            mirrored = !mirrored;
            break;
        case Reorientation::MirrorTopBottom:
            y1 = -y1;
            y2 = -y2;
            mirrored = !mirrored;
            break;
        default:
            break;
    }
}

QPointF PageOrientation::mapPoint(const QPointF &p, int width, int height) const
{
    const bool fx = x1 < cx, fy = y1 < cy;
    if (axesUnswapped)
        return QPointF(fx ? p.x() : width - p.x(), fy ? p.y() : height - p.y());
    return QPointF(fy ? p.y() : width - p.y(), fx ? p.x() : height - p.x());
}

QRectF PageOrientation::mapRect(const QRectF &shown, int width, int height) const
{
    return QRectF(mapPoint(shown.topLeft(), width, height),
                  mapPoint(shown.bottomRight(), width, height))
        .normalized();
}

QPointF PageOrientation::unmapPoint(const QPointF &p, int width, int height) const
{
    const bool fx = x1 < cx, fy = y1 < cy;
    if (axesUnswapped)
        return QPointF(fx ? p.x() : width - p.x(), fy ? p.y() : height - p.y());
    return QPointF(fx ? p.y() : height - p.y(), fy ? p.x() : width - p.x());
}

int PageOrientation::mapHandle(int code) const
{
    if (code == FrameHandle::Outside || code == FrameHandle::Inside || code == FrameHandle::Rotate)
        return code;
    if (code < FrameHandle::TopLeft || code > FrameHandle::Left)
        return -1;
    const QPointF mapped = mapPoint(QPointF(handleColumns[code - 1], handleRows[code - 1]), 2, 2);
    const int column = qRound(mapped.x()), row = qRound(mapped.y());
    for (int i = 0; i < 8; ++i) {
        if (handleColumns[i] == column && handleRows[i] == row)
            return i + 1;
    }
    return FrameHandle::Outside;
}

int PageOrientation::topSide() const
{
    const bool fy = y1 < cy;
    if (axesUnswapped)
        return fy ? ViewSide::Top : ViewSide::Bottom;
    return fy ? ViewSide::Left : ViewSide::Right;
}

int PageOrientation::leftSide() const
{
    const bool fx = x1 < cx;
    if (axesUnswapped)
        return fx ? ViewSide::Left : ViewSide::Right;
    return fx ? ViewSide::Top : ViewSide::Bottom;
}

QImage PageOrientation::applyToImage(const QImage &image) const
{
    return applyOrientationToImage(image, mirrored, firstCorner(), secondCorner());
}

QImage PageOrientation::undoOnImage(const QImage &image) const
{
    return undoOrientationOnImage(image, mirrored, firstCorner(), secondCorner());
}

QImage applyOrientationToImage(const QImage &image, bool mirrored, const QPointF &corner1,
                               const QPointF &corner2)
{
    if (image.isNull())
        return image;
    const QImage flipped = mirrored ? image.mirrored(false, true) : image;
    return rotatedImage(flipped, QLineF(corner1, corner2).angleTo(referenceLine));
}

QImage undoOrientationOnImage(const QImage &image, bool mirrored, const QPointF &corner1,
                              const QPointF &corner2)
{
    if (image.isNull())
        return image;
    const QImage flipped = mirrored ? image.mirrored(false, true) : image;
    const double a = referenceLine.angleTo(QLineF(corner1, corner2));
    return rotatedImage(flipped, mirrored ? -a : a);
}
