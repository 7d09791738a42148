#include "board/actionpainter.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QStringList>

#include "board/boarditems.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/replaycopies.h"
#include "drawing/stampstore.h"
#include "drawing/strokepainter.h"
#include "drawing/stylerecords.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/pageorientation.h"

namespace {

void drawOnInk(const ActionLayers &layers, const QPointF &at, const QPixmap &pixmap)
{
    if (pixmap.isNull())
        return;
    QPainter painter(layers.ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(at + layers.offset, pixmap);
}

// Turned and mirrored as the view was when the action was made.
void drawOrientedOnInk(const ActionLayers &layers, const PaintData *action, const QPixmap &pixmap)
{
    if (pixmap.isNull())
        return;
    const QVector<QPointF> &p = action->points;
    const QImage oriented =
        applyOrientationToImage(pixmap.toImage(), action->value2 != 0, p.at(0), p.at(1));
    QPainter painter(layers.ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rectFromPoints(p.at(0), p.at(2)).topLeft() + layers.offset, oriented);
}

void paintHighlighter(const ActionLayers &layers, PaintData *action)
{
    {
        QPainter painter(layers.highlight);
        painter.setRenderHint(QPainter::Antialiasing);
        paintHighlighterStroke(&painter, *action, highlighterNib(action->width, action->value2),
                               layers.offset);
    }
    {
        QPainter painter(layers.ink);
        painter.drawPixmap(0, 0, *layers.highlight);
    }
    layers.highlight->fill(Qt::transparent);
}

void paintEraserPoints(const ActionLayers &layers, PaintData *action, int first)
{
    const QPointF corner =
        eraserOffset(action->value1, action->value2, eraserSize(action->width).width());
    for (QPixmap *target : {layers.picture, layers.ink}) {
        if (!target)
            continue;
        QPainter painter(target);
        painter.setRenderHint(QPainter::Antialiasing);
        paintEraserStroke(&painter, *action, corner, layers.offset, first);
    }
}

void paintSelectionContent(const ActionLayers &layers, PaintData *action)
{
    const QPointF offset = layers.offset;
    const QVector<QPointF> &p = action->points;
    const QRectF source = rectFromPoints(p.at(0), p.at(1)).translated(offset);
    QPixmap content;
    switch (action->value2) {
        case SelectionKind::DeletedRegion:
            if (layers.picture)
                clearPixmapRect(layers.picture, source);
            clearPixmapRect(layers.ink, source);
            return;
        case SelectionKind::MovedRegion: {
            // The region is lifted off the page, then placed in the target frame (which also
            // carries any mirroring).
            const QRect area = source.toAlignedRect();
            if (area.isEmpty())
                return;
            content = QPixmap(area.size());
            content.fill(layers.liftedBackground);
            QPainter painter(&content);
            if (layers.picture)
                painter.drawPixmap(QPoint(0, 0), *layers.picture, area);
            painter.drawPixmap(QPoint(0, 0), *layers.ink, area);
            painter.end();
            if (layers.picture)
                clearPixmapRect(layers.picture, source);
            clearPixmapRect(layers.ink, source);
            break;
        }
        case SelectionKind::PastedImage: {
            bool ok = false;
            const int index = action->text.toInt(&ok);
            if (!ok || index < 0 || index >= layers.page->pastedImages.size())
                return;
            content = layers.page->pastedImages.at(index);
            break;
        }
        default:
            return;
    }
    drawOnInk(layers, rectFromPoints(p.at(2), p.at(4)).topLeft(),
              CanvasMarquee::renderContentInFrame(content, p.at(5) + offset, p.at(6) + offset,
                                                  p.at(7) + offset));
}

// An item action still open is shown by its item, not on the page; of a region lifted off the
// page, the page shows the hole it left.
void paintOpenItem(const ActionLayers &layers, const PaintData *action)
{
    if (action->type != PaintTool::Selection || action->value2 != SelectionKind::MovedRegion ||
        !action->sourceFixed || action->points.size() < 2)
        return;
    const QRectF source =
        rectFromPoints(action->points.at(0), action->points.at(1)).translated(layers.offset);
    if (layers.picture)
        clearPixmapRect(layers.picture, source);
    clearPixmapRect(layers.ink, source);
}

bool isItemType(int type)
{
    return type == PaintTool::Selection || (type >= PaintTool::Line && type <= PaintTool::Stamp);
}

void paintLine(const ActionLayers &layers, PaintData *action)
{
    LineStyle style;
    style.lineWidth = action->width;
    style.lineStyle = action->style;
    style.arrowStyle = action->value1;
    style.hasLineDegree = action->value2 != 0;
    style.color = action->color;
    const QVector<QPointF> &p = action->points;
    drawOnInk(layers, rectFromPoints(p.at(0), p.at(1)).topLeft(),
              CanvasLine::renderToPixmap(style, p.at(2), p.at(3)));
}

ShapeStyle shapeStyleOf(const PaintData *action)
{
    ShapeStyle style;
    style.color = action->color;
    style.fillColor = action->color2;
    style.shapeType = action->value1;
    style.lineWidth = action->width;
    style.lineStyle = action->style;
    style.isShape = true;
    if (style.shapeType == ShapeType::RegularPolygon) {
        bool ok = false;
        const int sides = action->text.toInt(&ok);
        if (ok)
            style.polygonSideCount = sides;
    } else if (style.shapeType == ShapeType::PlaneAxes || style.shapeType == ShapeType::SpaceAxes) {
        style.hasLineDegree = action->text.toDouble() != 0.0;
    } else if (style.shapeType == ShapeType::Sector || style.shapeType == ShapeType::Arc) {
        const QStringList parts = action->text.split(QLatin1Char('|'));
        if (parts.size() == 2) {
            style.startAngle = parts.at(0).toInt();
            style.angleSize = parts.at(1).toInt();
        }
    } else if (style.shapeType == ShapeType::Cuboid && !action->values.isEmpty() &&
               action->values.first() > 0) {
        style.cuboidDepthSet = true;
        style.cuboidDepth = action->values.first();
    }
    return style;
}

void paintShape(const ActionLayers &layers, PaintData *action)
{
    const QPointF offset = layers.offset;
    const QVector<QPointF> &p = action->points;
    drawOnInk(layers, rectFromPoints(p.at(2), p.at(4)).topLeft(),
              CanvasMarquee::renderShapeInFrame(shapeStyleOf(action), false, p.at(5) + offset,
                                                p.at(6) + offset, p.at(7) + offset));
}

void paintPointFigure(const ActionLayers &layers, PaintData *action)
{
    if (!layers.items)
        return;
    QVector<QPointF> points = action->points;
    for (QPointF &point : points)
        point += layers.offset;
    QPixmap pixmap;
    if (action->type == PaintTool::Polyline) {
        PolylineStyle style;
        style.color = action->color;
        style.fillColor = action->color2;
        style.lineWidth = action->width;
        style.lineStyle = action->style;
        style.hasIncludedAngle = action->value2 != 0;
        pixmap = layers.items->connectedLine->renderToPixmap(points, style, 1.0);
    } else {
        PenStyle style;
        style.color = action->color;
        style.fillColor = action->color2;
        style.lineWidth = action->width;
        style.lineStyle = action->style;
        pixmap = layers.items->freeCurve->renderToPixmap(points, style, 1.0);
    }
    const QVector<double> &v = action->values;
    drawOnInk(layers,
              rectFromPoints(QPointF(v.at(0), v.at(1)), QPointF(v.at(2), v.at(3))).topLeft(),
              pixmap);
}

void paintTextBox(const ActionLayers &layers, PaintData *action)
{
    if (!layers.items)
        return;
    const QVector<QPointF> &p = action->points;
    drawOrientedOnInk(layers, action,
                      layers.items->textBox->renderToPixmap(action->color, action->color2, p.at(0),
                                                            p.at(1), p.at(2), action->text));
}

} // namespace

namespace ActionPainter {

bool isItemActionComplete(const PaintData *action)
{
    const int n = action->points.size();
    switch (action->type) {
        case PaintTool::Selection:
        case PaintTool::Shape:
            return n == 8;
        case PaintTool::Line:
            return n == 4;
        case PaintTool::Polyline:
        case PaintTool::FreeCurve:
            return n > 1 && action->values.size() == 4;
        case PaintTool::TextBox:
        case PaintTool::Stamp:
            return n == 3 && !action->text.isEmpty();
        default:
            return false;
    }
}

void paint(const ActionLayers &layers, PaintData *action)
{
    switch (action->type) {
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            QPainter painter(layers.ink);
            painter.setRenderHint(QPainter::Antialiasing);
            paintPenStroke(&painter, *action, layers.offset);
            return;
        }
        case PaintTool::Highlighter:
            paintHighlighter(layers, action);
            return;
        case PaintTool::Eraser:
            paintEraserPoints(layers, action, 0);
            return;
        default:
            break;
    }
    if (!isItemActionComplete(action))
        return;
    switch (action->type) {
        case PaintTool::Selection:
            paintSelectionContent(layers, action);
            break;
        case PaintTool::Line:
            paintLine(layers, action);
            break;
        case PaintTool::Shape:
            paintShape(layers, action);
            break;
        case PaintTool::Polyline:
        case PaintTool::FreeCurve:
            paintPointFigure(layers, action);
            break;
        case PaintTool::TextBox:
            paintTextBox(layers, action);
            break;
        case PaintTool::Stamp:
            drawOrientedOnInk(layers, action, StampStore::pixmap(action->text));
            break;
        default:
            break;
    }
}

void replay(const ActionLayers &layers, ReplayCopies *copies)
{
    const QList<PaintData *> &history = layers.page->history;
    const int start = copies ? copies->restore(history, layers.ink, layers.picture) : 0;
    // Copies are taken only while every action so far is active and closed.
    bool settled = true;
    QElapsedTimer timer;
    timer.start();
    for (int i = start; i < history.size(); ++i) {
        PaintData *action = history.at(i);
        if (!action->active) {
            settled = false;
            continue;
        }
        if (!action->closed && isItemType(action->type)) {
            paintOpenItem(layers, action);
            settled = false;
            continue;
        }
        paint(layers, action);
        settled = settled && action->closed;
        if (!copies)
            continue;
        copies->replayed(history, i + 1, settled, timer.nsecsElapsed(), *layers.ink,
                         layers.picture ? *layers.picture : QPixmap());
        if (settled)
            timer.restart();
    }
}

Live paintLive(const ActionLayers &layers, PaintData *action, bool strokeInProgress)
{
    QList<PaintData *> &history = layers.page->history;
    switch (action->type) {
        case PaintTool::Pencil:
        case PaintTool::Pen: {
            QPainter painter(layers.ink);
            painter.setRenderHint(QPainter::Antialiasing);
            if (strokeInProgress) {
                const int end = livePenPieceEnd(action->points.size());
                if (end > 0)
                    paintPenPiece(&painter, *action, end, layers.offset);
                return Live::Drawn;
            }
            finishPenStroke(&painter, *action, layers.offset);
            action->closed = true;
            return Live::Closed;
        }
        case PaintTool::Highlighter: {
            const QPointF nib = highlighterNib(action->width, action->value2);
            const int n = action->points.size();
            if (strokeInProgress) {
                const int first = liveHighlighterGroupStart(n);
                if (first >= 0) {
                    QPainter painter(layers.highlight);
                    painter.setRenderHint(QPainter::Antialiasing);
                    paintHighlighterSteps(&painter, *action, first, first + 3, nib, layers.offset);
                }
                return Live::HighlightDrawn;
            }
            if (n < 2) {
                layers.highlight->fill(Qt::transparent);
                PageHistory::removeAction(history, action);
                return Live::Removed;
            }
            {
                QPainter painter(layers.highlight);
                painter.setRenderHint(QPainter::Antialiasing);
                paintHighlighterSteps(&painter, *action, highlighterTailStart(n), n - 1, nib,
                                      layers.offset);
            }
            {
                QPainter painter(layers.ink);
                painter.drawPixmap(0, 0, *layers.highlight);
            }
            layers.highlight->fill(Qt::transparent);
            action->closed = true;
            PageHistory::dropRedoTail(history, true);
            return Live::Closed;
        }
        case PaintTool::Eraser:
            if (!strokeInProgress) {
                action->closed = true;
                return Live::Closed;
            }
            if (!action->points.isEmpty())
                paintEraserPoints(layers, action, action->points.size() - 1);
            return Live::Drawn;
        default:
            if (!isItemActionComplete(action)) {
                PageHistory::removeAction(history, action);
                return Live::Removed;
            }
            paint(layers, action);
            action->closed = true;
            return Live::Closed;
    }
}

namespace {
QPixmap *tailLayer(const ActionLayers &layers, const PaintData *action)
{
    if (!action)
        return nullptr;
    if (action->type == PaintTool::Pencil || action->type == PaintTool::Pen)
        return layers.ink;
    return action->type == PaintTool::Highlighter ? layers.highlight : nullptr;
}
} // namespace

LiveTail::LiveTail(const ActionLayers &layers, const PaintData *action, Live outcome,
                   bool strokeInProgress, const QPointF &pointer, const QRect &area)
{
    if (!strokeInProgress || (outcome != Live::Drawn && outcome != Live::HighlightDrawn))
        return;
    QPixmap *layer = tailLayer(layers, action);
    if (!layer || layer->isNull())
        return;
    m_area = area.intersected(layer->rect());
    if (m_area.isEmpty())
        return;
    m_layer = layer;
    m_saved = layer->copy(m_area);
    QPainter painter(layer);
    painter.setClipRect(m_area);
    painter.setRenderHint(QPainter::Antialiasing);
    if (action->type == PaintTool::Highlighter)
        paintHighlighterTail(&painter, *action, pointer,
                             highlighterNib(action->width, action->value2), layers.offset);
    else
        finishPenStroke(&painter, *action, layers.offset);
}

LiveTail::~LiveTail()
{
    if (!m_layer)
        return;
    QPainter painter(m_layer);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(m_area.topLeft(), m_saved);
}

} // namespace ActionPainter
