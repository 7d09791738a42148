#include "drawing/strokepainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "base/uimetrics.h"
#include "drawing/colorname.h"
#include "drawing/geometry.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/strokeoutline.h"
#include "drawing/viewside.h"

namespace {
double widthAt(const PaintData &action, int i)
{
    return i < action.values.size() ? action.values.at(i) : double(action.width);
}

void paintPenSteps(QPainter *painter, const PaintData &action, int first, int last,
                   const QPointF &offset)
{
    const QVector<QPointF> &p = action.points;
    for (int i = qMax(first, 0) + 1; i <= last && i < p.size(); ++i) {
        paintVariableWidthLine(painter, p.at(i - 1) + offset, p.at(i) + offset,
                               widthAt(action, i - 1), widthAt(action, i), action.color);
    }
}

// The steps first to last as quadrilaterals of each step and the same step moved by nib.
void paintHighlighterQuads(QPainter *painter, const QVector<QPointF> &p, int first, int last,
                           const QPointF &nib, const QPointF &offset)
{
    for (int i = first; i < last; ++i) {
        const QPointF a = p.at(i) + offset;
        const QPointF b = p.at(i + 1) + offset;
        const QPointF quad[4] = {a, b, b + nib, a + nib};
        painter->drawConvexPolygon(quad, 4);
    }
}

void paintPenDot(QPainter *painter, const PaintData &action, const QPointF &offset)
{
    const QColor color = colorFromName(action.color);
    if (!color.isValid() || action.points.isEmpty())
        return;
    painter->setBrush(Qt::NoBrush);
    painter->setPen(
        QPen(color, qFloor(1.5 * action.width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawPoint(action.points.first() + offset);
}
} // namespace

int penPieceEnd(int n)
{
    if (n < 5)
        return 0;
    // The largest multiple of three below n - 1: that piece still has a following point.
    return 3 * ((n - 2) / 3);
}

int livePenPieceEnd(int n)
{
    // Pieces become complete at 5, 8, 11, ... points; each is drawn exactly once.
    return (n >= 5 && (n - 1) % 3 == 1) ? n - 2 : 0;
}

void paintPenPiece(QPainter *painter, const PaintData &action, int end, const QPointF &offset)
{
    const QVector<QPointF> &p = action.points;
    if (!painter || end < 3 || end % 3 != 0 || end + 1 >= p.size())
        return;
    const QPointF previous = end >= 6 ? p.at(end - 6) + offset : invalidPointF;
    paintVariableWidthCurve(painter, previous, p.at(end - 3) + offset, p.at(end - 2) + offset,
                            p.at(end - 1) + offset, p.at(end) + offset, p.at(end + 1) + offset,
                            widthAt(action, end - 3), widthAt(action, end), action.color,
                            invalidPointF);
}

void paintPenStroke(QPainter *painter, const PaintData &action, const QPointF &offset)
{
    if (!painter)
        return;
    const int lastPiece = penPieceEnd(action.points.size());
    for (int end = 3; end <= lastPiece; end += 3)
        paintPenPiece(painter, action, end, offset);
    finishPenStroke(painter, action, offset);
}

void finishPenStroke(QPainter *painter, const PaintData &action, const QPointF &offset)
{
    if (!painter)
        return;
    const int n = action.points.size();
    if (n == 1)
        paintPenDot(painter, action, offset);
    else
        paintPenSteps(painter, action, penPieceEnd(n), n - 1, offset);
}

QColor highlighterColor(const QString &color)
{
    QColor c = colorFromName(color);
    if (c.isValid())
        c.setAlpha(100);
    return c;
}

QPointF highlighterNib(int level, int topSide)
{
    const qreal h = highlighterSize(level).height();
    switch (topSide) {
        case ViewSide::Right:
            return QPointF(-h, 0);
        case ViewSide::Bottom:
            return QPointF(0, -h);
        case ViewSide::Left:
            return QPointF(h, 0);
        default:
            return QPointF(0, h);
    }
}

void paintHighlighterSteps(QPainter *painter, const PaintData &action, int first, int last,
                           const QPointF &nib, const QPointF &offset)
{
    const QColor color = highlighterColor(action.color);
    const QVector<QPointF> &p = action.points;
    last = qMin(last, p.size() - 1);
    first = qMax(first, 0);
    if (!painter || !color.isValid() || last <= first)
        return;
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->setPen(QPen(color));
    painter->setBrush(QBrush(color));
    int i = first;
    for (; i + 3 <= last; i += 3) {
        const QPointF a = p.at(i) + offset;
        const QPointF b = p.at(i + 1) + offset;
        const QPointF c = p.at(i + 2) + offset;
        const QPointF d = p.at(i + 3) + offset;
        QPainterPath band(a);
        band.cubicTo(b, c, d);
        band.lineTo(d + nib);
        band.cubicTo(c + nib, b + nib, a + nib);
        band.lineTo(a);
        painter->drawPath(band);
    }
    paintHighlighterQuads(painter, p, i, last, nib, offset);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void paintHighlighterTail(QPainter *painter, const PaintData &action, const QPointF &pointer,
                          const QPointF &nib, const QPointF &offset)
{
    const QColor color = highlighterColor(action.color);
    if (!painter || !color.isValid() || action.points.isEmpty())
        return;
    QVector<QPointF> steps = action.points.mid(highlighterTailStart(action.points.size()));
    // A lone point still shows the nib's edge: the step from it to itself.
    if (pointer != steps.last() || steps.size() == 1)
        steps << pointer;
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->setPen(QPen(color));
    painter->setBrush(QBrush(color));
    paintHighlighterQuads(painter, steps, 0, steps.size() - 1, nib, offset);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

int liveHighlighterGroupStart(int n)
{
    return (n > 3 && (n - 1) % 3 == 0) ? n - 4 : -1;
}

int highlighterTailStart(int n)
{
    return n > 0 ? 3 * ((n - 1) / 3) : 0;
}

void paintHighlighterStroke(QPainter *painter, const PaintData &action, const QPointF &nib,
                            const QPointF &offset)
{
    paintHighlighterSteps(painter, action, 0, action.points.size() - 1, nib, offset);
}

QPointF eraserOffset(int leftSide, int topSide, double side)
{
    const double s = side;
    if ((leftSide == ViewSide::Top && topSide == ViewSide::Right) ||
        (leftSide == ViewSide::Right && topSide == ViewSide::Top))
        return QPointF(-s, s);
    if ((leftSide == ViewSide::Right && topSide == ViewSide::Bottom) ||
        (leftSide == ViewSide::Bottom && topSide == ViewSide::Right))
        return QPointF(-s, -s);
    if ((leftSide == ViewSide::Bottom && topSide == ViewSide::Left) ||
        (leftSide == ViewSide::Left && topSide == ViewSide::Bottom))
        return QPointF(s, -s);
    return QPointF(s, s);
}

QRectF eraserRect(const QPointF &point, const QPointF &offset)
{
    return rectFromPoints(point, point + offset).adjusted(1, 1, -1, -1);
}

void eraseArea(QPainter *painter, const QRectF &rect, int shape)
{
    if (!painter || rect.isEmpty())
        return;
    const QPainter::CompositionMode mode = painter->compositionMode();
    painter->setCompositionMode(QPainter::CompositionMode_Clear);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(Qt::white, Qt::SolidPattern));
    if (shape == EraserShape::Circle)
        painter->drawEllipse(rect);
    else
        painter->drawRect(rect);
    painter->setCompositionMode(mode);
}

void paintEraserStroke(QPainter *painter, const PaintData &action, const QPointF &cornerOffset,
                       const QPointF &offset, int first)
{
    for (int i = qMax(first, 0); i < action.points.size(); ++i)
        eraseArea(painter, eraserRect(action.points.at(i) + offset, cornerOffset), action.style);
}
