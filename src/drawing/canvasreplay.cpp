// Painting the page's actions onto the canvas layers: the replay of a whole history after a
// rebuild, and the live painting of the action still open. Both use the same painters, so a page
// rebuilt from its history shows exactly what was drawn live.

#include <QElapsedTimer>
#include <QPainter>

#include "drawing/canvas.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/penwidth.h"
#include "drawing/strokepainter.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "items/pageorientation.h"
#include "toolbar/stampdialog.h"

void Canvas::refreshPage()
{
    rebuildLayers();
    replayHistory();
    update();
}

void Canvas::setSnapshotsEnabled(bool on)
{
    useSnapshots = on;
    if (!on)
        snapshots.clear();
    costSinceSnapshot = 0;
}

void Canvas::replayHistory()
{
    if (!page || !layersReady())
        return;
    const QList<PaintData *> &history = page->history;
    int start = 0;
    if (useSnapshots) {
        if (const LayerSnapshots::Snapshot *copy = snapshots.nearest(history)) {
            ink = copy->ink;
            if (!page->background.isNull())
                picture = copy->picture;
            start = copy->count;
        }
    }
    costSinceSnapshot = 0;
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
        paintAction(action);
        settled = settled && action->closed;
        if (useSnapshots && settled) {
            costSinceSnapshot += timer.nsecsElapsed();
            timer.restart();
            if (costSinceSnapshot >= snapshotCost) {
                snapshots.take(history, i + 1, ink, pictureForSnapshot());
                costSinceSnapshot = 0;
            }
        }
    }
    composeAll();
}

void Canvas::paintCurrentAction(const QRect &rect)
{
    if (!page || !layersReady())
        return;
    const QRect r = widgetRectToLayer(rect).adjusted(-2, -2, 1, 1).intersected(composite.rect());
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action)
        return;
    QElapsedTimer timer;
    timer.start();
    bool closedNow = false;
    switch (action->type) {
        case 2:
        case 3:
            livePen(action, r);
            closedNow = action->closed;
            break;
        case 4:
            // A stroke too short to keep is removed (and deleted) by the live painter.
            liveHighlighter(action, r);
            closedNow = page->history.contains(action) && action->closed;
            break;
        case 5:
            liveEraser(action, r);
            closedNow = action->closed;
            break;
        case 1:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
            liveItem(action, r);
            closedNow = page->history.contains(action) && action->closed;
            break;
        default:
            break;
    }
    update(rect.adjusted(-3, -3, 3, 3));
    noteLiveCost(timer.nsecsElapsed(), closedNow ? action : nullptr);
}

QPixmap Canvas::pictureForSnapshot() const
{
    // Without a background nothing ever paints the picture layer: no copy is needed.
    return page->background.isNull() ? QPixmap() : picture;
}

void Canvas::noteLiveCost(qint64 nanoseconds, PaintData *closedAction)
{
    liveCost += nanoseconds;
    if (!closedAction)
        return;
    costSinceSnapshot += liveCost;
    liveCost = 0;
    if (!useSnapshots || costSinceSnapshot < snapshotCost)
        return;
    const QList<PaintData *> &history = page->history;
    if (!history.isEmpty() && history.last() == closedAction) {
        snapshots.take(history, history.size(), ink, pictureForSnapshot());
        costSinceSnapshot = 0;
    }
}

void Canvas::paintAction(PaintData *action)
{
    switch (action->type) {
        case 1:
            paintSelectionContent(action);
            break;
        case 2:
        case 3: {
            QPainter painter(&ink);
            painter.setRenderHint(QPainter::Antialiasing);
            paintPenStroke(&painter, *action, layerOffset());
            break;
        }
        case 4:
            paintHighlighterAction(action);
            break;
        case 5:
            paintEraserPoints(action, 0);
            break;
        case 6:
            paintLineAction(action);
            break;
        case 7:
            paintShapeAction(action);
            break;
        case 8:
        case 9:
            paintPolylineAction(action);
            break;
        case 10:
            paintTextBoxAction(action);
            break;
        case 11:
            paintStampAction(action);
            break;
        default:
            break;
    }
}

void Canvas::paintHighlighterAction(PaintData *action)
{
    {
        QPainter painter(&highlight);
        painter.setRenderHint(QPainter::Antialiasing);
        paintHighlighterStroke(&painter, *action, highlighterNib(action->width, action->value2),
                               layerOffset());
    }
    {
        QPainter painter(&ink);
        painter.drawPixmap(0, 0, highlight);
    }
    highlight.fill(Qt::transparent);
}

void Canvas::paintEraserPoints(PaintData *action, int first)
{
    const QPointF corner =
        eraserOffset(action->value1, action->value2, eraserSize(action->width).width());
    // The eraser takes the page's picture away too, showing the board colour.
    if (!page->background.isNull()) {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        paintEraserStroke(&painter, *action, corner, layerOffset(), first);
    }
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    paintEraserStroke(&painter, *action, corner, layerOffset(), first);
}

bool Canvas::isItemActionComplete(const PaintData *action) const
{
    const int n = action->points.size();
    switch (action->type) {
        case 1:
        case 7:
            return n == 8;
        case 6:
            return n == 4;
        case 8:
        case 9:
            return n > 1 && action->values.size() == 4;
        case 10:
        case 11:
            return n == 3 && !action->text.isEmpty();
        default:
            return false;
    }
}

void Canvas::paintSelectionContent(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    const QPointF offset = layerOffset();
    const QVector<QPointF> &p = action->points;
    const QRectF source = rectFromPoints(p.at(0), p.at(1)).translated(offset);
    QPixmap content;
    switch (action->value2) {
        case SelectionKind::DeletedRegion:
            if (!page->background.isNull())
                clearPixmapRect(&picture, source);
            clearPixmapRect(&ink, source);
            return;
        case SelectionKind::MovedRegion: {
            // The region is lifted off the page with the board colour under it, then placed in
            // the target frame (which also carries any mirroring).
            const QRect area = source.toAlignedRect();
            if (area.isEmpty())
                return;
            content = QPixmap(area.size());
            content.fill(board);
            QPainter painter(&content);
            if (!page->background.isNull())
                painter.drawPixmap(QPoint(0, 0), picture, area);
            painter.drawPixmap(QPoint(0, 0), ink, area);
            painter.end();
            if (!page->background.isNull())
                clearPixmapRect(&picture, source);
            clearPixmapRect(&ink, source);
            break;
        }
        case SelectionKind::PastedImage: {
            bool ok = false;
            const int index = action->text.toInt(&ok);
            if (!ok || index < 0 || index >= page->pastedImages.size())
                return;
            content = page->pastedImages.at(index);
            break;
        }
        default:
            return;
    }
    const QPixmap framed = CanvasMarquee::renderContentInFrame(content, p.at(5) + offset,
                                                               p.at(6) + offset, p.at(7) + offset);
    if (framed.isNull())
        return;
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(rectFromPoints(p.at(2), p.at(4)).topLeft() + offset, framed);
}

void Canvas::paintLineAction(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    LineStyle style;
    style.lineWidth = action->width;
    style.lineStyle = action->style;
    style.arrowStyle = action->value1;
    style.hasLineDegree = action->value2 != 0;
    style.color = action->color;
    const QVector<QPointF> &p = action->points;
    const QPixmap pixmap = CanvasLine::renderToPixmap(style, p.at(2), p.at(3));
    if (pixmap.isNull())
        return;
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(rectFromPoints(p.at(0), p.at(1)).topLeft() + layerOffset(), pixmap);
}

void Canvas::paintShapeAction(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    ShapeStyle style;
    style.color = action->color;
    style.fillColor = action->color2;
    style.shapeType = action->value1;
    style.lineWidth = action->width;
    style.lineStyle = action->style;
    style.isShape = true;
    if (style.shapeType == 6) {
        bool ok = false;
        const int sides = action->text.toInt(&ok);
        if (ok)
            style.polygonSideCount = sides;
    } else if (style.shapeType == 21 || style.shapeType == 22) {
        style.hasLineDegree = action->text.toDouble() != 0.0;
    } else if (style.shapeType == 7 || style.shapeType == 8) {
        const QStringList parts = action->text.split(QLatin1Char('|'));
        if (parts.size() == 2) {
            style.startAngle = parts.at(0).toInt();
            style.angleSize = parts.at(1).toInt();
        }
    } else if (style.shapeType == 9 && !action->values.isEmpty() && action->values.first() > 0) {
        style.cuboidDepthSet = true;
        style.cuboidDepth = action->values.first();
    }
    const QPointF offset = layerOffset();
    const QVector<QPointF> &p = action->points;
    const QPixmap pixmap = CanvasMarquee::renderShapeInFrame(style, false, p.at(5) + offset,
                                                             p.at(6) + offset, p.at(7) + offset);
    if (pixmap.isNull())
        return;
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(rectFromPoints(p.at(2), p.at(4)).topLeft() + offset, pixmap);
}

void Canvas::paintPolylineAction(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    const QPointF offset = layerOffset();
    QVector<QPointF> points = action->points;
    for (QPointF &point : points)
        point += offset;
    QPixmap pixmap;
    if (action->type == 8) {
        PolylineStyle style;
        style.color = action->color;
        style.fillColor = action->color2;
        style.lineWidth = action->width;
        style.lineStyle = action->style;
        style.hasIncludedAngle = action->value2 != 0;
        pixmap = connectedLine->renderToPixmap(points, style, 1.0);
    } else {
        PenStyle style;
        style.color = action->color;
        style.fillColor = action->color2;
        style.lineWidth = action->width;
        style.lineStyle = action->style;
        pixmap = freeCurve->renderToPixmap(points, style, 1.0);
    }
    if (pixmap.isNull())
        return;
    const QVector<double> &v = action->values;
    const QPointF topLeft =
        rectFromPoints(QPointF(v.at(0), v.at(1)), QPointF(v.at(2), v.at(3))).topLeft();
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(topLeft + offset, pixmap);
}

void Canvas::paintTextBoxAction(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    const QVector<QPointF> &p = action->points;
    const QPixmap pixmap = textBox->renderToPixmap(action->color, action->color2, p.at(0), p.at(1),
                                                   p.at(2), action->text);
    if (pixmap.isNull())
        return;
    // Turned and mirrored as the view was when the box was made.
    const QImage oriented =
        applyOrientationToImage(pixmap.toImage(), action->value2 != 0, p.at(0), p.at(1));
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rectFromPoints(p.at(0), p.at(2)).topLeft() + layerOffset(), oriented);
}

void Canvas::paintStampAction(PaintData *action)
{
    if (!isItemActionComplete(action))
        return;
    const QPixmap stamp = StampDialog::stampPixmap(action->text);
    if (stamp.isNull())
        return;
    const QVector<QPointF> &p = action->points;
    // Turned and mirrored as the view was when the stamp was placed.
    const QImage oriented =
        applyOrientationToImage(stamp.toImage(), action->value2 != 0, p.at(0), p.at(1));
    const QPointF topLeft = rectFromPoints(p.at(0), p.at(2)).topLeft() + layerOffset();
    QPainter painter(&ink);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(topLeft, oriented);
}

void Canvas::livePen(PaintData *action, const QRect &rect)
{
    {
        QPainter painter(&ink);
        painter.setRenderHint(QPainter::Antialiasing);
        if (strokeInProgress) {
            const int end = livePenPieceEnd(action->points.size());
            if (end > 0)
                paintPenPiece(&painter, *action, end, layerOffset());
        } else {
            finishPenStroke(&painter, *action, layerOffset());
            action->closed = true;
        }
    }
    recomposeRect(rect);
}

void Canvas::liveHighlighter(PaintData *action, const QRect &rect)
{
    const QPointF nib = highlighterNib(action->width, action->value2);
    const int n = action->points.size();
    if (strokeInProgress) {
        const int first = liveHighlighterGroupStart(n);
        if (first >= 0) {
            QPainter painter(&highlight);
            painter.setRenderHint(QPainter::Antialiasing);
            paintHighlighterSteps(&painter, *action, first, first + 3, nib, layerOffset());
        }
        recomposeRect(rect, true);
        return;
    }
    if (n < 2) {
        highlight.fill(Qt::transparent);
        PageHistory::removeAction(page->history, action);
        recomposeRect(rect);
        updateUndoRedoState();
        return;
    }
    {
        QPainter painter(&highlight);
        painter.setRenderHint(QPainter::Antialiasing);
        paintHighlighterSteps(&painter, *action, highlighterTailStart(n), n - 1, nib,
                              layerOffset());
    }
    {
        QPainter painter(&ink);
        painter.drawPixmap(0, 0, highlight);
    }
    highlight.fill(Qt::transparent);
    action->closed = true;
    recomposeRect(rect);
    dropRedoTail(true);
}

void Canvas::liveEraser(PaintData *action, const QRect &rect)
{
    if (strokeInProgress) {
        if (!action->points.isEmpty())
            paintEraserPoints(action, action->points.size() - 1);
    } else {
        action->closed = true;
    }
    recomposeRect(rect);
}

void Canvas::liveItem(PaintData *action, const QRect &rect)
{
    if (!isItemActionComplete(action)) {
        PageHistory::removeAction(page->history, action);
        updateUndoRedoState();
        return;
    }
    paintAction(action);
    action->closed = true;
    recomposeRect(rect);
}
