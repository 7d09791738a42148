#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class PaintData;
class QPainter;

// Painters of the freehand actions (pencil and pen strokes, highlighter, eraser), shared by the
// boards for replay and for live drawing. Action points are page coordinates; offset is added to
// each (the layer extension at left and top). Painters set up the pen, brush and composition
// mode they need; antialiasing is the caller's.

// Pencil and pen strokes are drawn in cubic pieces of three steps; a piece is
// drawn once the point after it exists. The steps after the last piece are straight.

// End index of the last cubic piece of a stroke of n points, 0 when there is none.
int penPieceEnd(int n);
// End index of the piece to draw live after the stroke grew to n points, 0 when none is due.
int livePenPieceEnd(int n);

// The whole stroke (replay).
void paintPenStroke(QPainter *painter, const PaintData &action, const QPointF &offset);
// The cubic piece ending at point end (end a multiple of 3, end + 1 an existing point).
void paintPenPiece(QPainter *painter, const PaintData &action, int end, const QPointF &offset);
// What is left when the pointer is released: the dot of a one-point stroke, or the straight steps
// after the last cubic piece. While the stroke is in progress the same is its provisional tail,
// shown until the next piece replaces it.
void finishPenStroke(QPainter *painter, const PaintData &action, const QPointF &offset);

// Highlighter: the band swept by the nib, painted with composition mode source so that a
// stroke never darkens where it crosses itself. nib is the nib vector (highlighterNib).

// The stroke's colour with alpha 100; invalid when the name stands for no colour.
QColor highlighterColor(const QString &color);
// The nib vector that keeps the nib upright on screen: topSide is the side of the view that shows
// the page's top edge (a ViewSide).
QPointF highlighterNib(int level, int topSide);
// Fills the band over the steps from point first to point last: whole three-step groups as cubic
// bands, the rest as quadrilaterals.
void paintHighlighterSteps(QPainter *painter, const PaintData &action, int first, int last,
                           const QPointF &nib, const QPointF &offset);
// Start of the group to paint live after the stroke grew to n points, -1 when none is due.
int liveHighlighterGroupStart(int n);
// Index where the steps not yet painted live begin for a stroke of n points.
int highlighterTailStart(int n);
// The provisional end of a stroke in progress, shown until the next group replaces it: the steps
// after the last group painted live, as quadrilaterals, on to pointer (the newest position,
// which moves that are not recorded reach too); a lone point shows the nib's edge.
void paintHighlighterTail(QPainter *painter, const PaintData &action, const QPointF &pointer,
                          const QPointF &nib, const QPointF &offset);
// The whole stroke (replay); a stroke of one point paints nothing.
void paintHighlighterStroke(QPainter *painter, const PaintData &action, const QPointF &nib,
                            const QPointF &offset);

// Eraser: each point clears a square or circle (style holds the EraserShape) of eraserSize.

// The corner offset of the erased square, turned with the view so that it always extends to the
// right of and below the pointer on screen; leftSide and topSide are the view sides showing the
// page's left and top edges.
QPointF eraserOffset(int leftSide, int topSide, double side);
// The erased area at point: the normalised rectangle point..point + offset, less 1 on each side.
QRectF eraserRect(const QPointF &point, const QPointF &offset);
// Clears the rectangle or, for an EraserShape::Circle, the ellipse in it.
void eraseArea(QPainter *painter, const QRectF &rect, int shape);
// Every point of the stroke from index first on.
void paintEraserStroke(QPainter *painter, const PaintData &action, const QPointF &cornerOffset,
                       const QPointF &offset, int first = 0);
