// The canvas's layer pixmaps: building, composing, the grid, painting the widget and page images.

#include <QPaintEvent>
#include <QPainter>
#include <QtMath>

#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "drawing/canvashost.h"
#include "drawing/pagedata.h"
#include "drawing/paintproperty.h"

namespace {
QSize layerSizeOf(const PageData *page)
{
    const QMargins &e = page->layerExtension;
    return QSize(page->width + e.left() + e.right(), page->height + e.top() + e.bottom());
}
} // namespace

bool Canvas::layersReady() const
{
    return !composite.isNull();
}

const QPixmap &Canvas::ensureLayer(QPixmap &layer) const
{
    // Layers are made when something first needs them, transparent and as large as the page's.
    if (layer.isNull() && !composite.isNull()) {
        layer = QPixmap(composite.size());
        layer.fill(Qt::transparent);
    }
    return layer;
}

void Canvas::resetLayers()
{
    composite = QPixmap();
    picture = QPixmap();
    gridPixmap = QPixmap();
    highlight = QPixmap();
    ink = QPixmap();
    copies.clear();
    snapshotPage = nullptr;
}

QPointF Canvas::layerOffset() const
{
    return page ? QPointF(page->layerExtension.left(), page->layerExtension.top()) : QPointF();
}

void Canvas::rebuildLayers()
{
    if (!page)
        return;
    const QSize size = layerSizeOf(page);
    if (size.isEmpty())
        return;
    composite = QPixmap(size);
    composite.fill(Qt::transparent);
    // The board colour is filled in where the layers are composed; the other layers exist only
    // while something is on them.
    picture = QPixmap();
    gridPixmap = QPixmap();
    highlight = QPixmap();
    ink = QPixmap();
    if (!page->background.isNull()) {
        ensureLayer(picture);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPixmap(page->layerExtension.left(), page->layerExtension.top(),
                           page->background);
    }
    paintBackground();
    // Snapshots hold layers of one page at one layer geometry.
    if (snapshotPage != page || snapshotLayerSize != size ||
        snapshotLayerExtension != page->layerExtension) {
        copies.clear();
        snapshotPage = page;
        snapshotLayerSize = size;
        snapshotLayerExtension = page->layerExtension;
    }
}

void Canvas::composeAll()
{
    if (!layersReady() || !page)
        return;
    // The board layer is the board colour throughout: filling with it is drawing it. Layers that
    // are empty by construction (no picture, no grid) are skipped, as in recomposeRect.
    composite.fill(board);
    QPainter painter(&composite);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    if (!page->background.isNull())
        painter.drawPixmap(0, 0, picture);
    if (grid != GridType::None && !gridPixmap.isNull())
        painter.drawPixmap(0, 0, gridPixmap);
    if (!ink.isNull())
        painter.drawPixmap(0, 0, ink);
}

void Canvas::recomposeRect(const QRect &layerRect, bool withHighlight)
{
    if (!layersReady() || !page)
        return;
    const QRect r = layerRect.intersected(composite.rect());
    if (r.isEmpty())
        return;
    QPainter painter(&composite);
    painter.setPen(Qt::NoPen);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(r, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(r, board);
    if (!page->background.isNull())
        painter.drawPixmap(r, picture, r);
    if (grid != GridType::None && !gridPixmap.isNull())
        painter.drawPixmap(r, gridPixmap, r);
    if (!ink.isNull())
        painter.drawPixmap(r, ink, r);
    if (withHighlight && !highlight.isNull())
        painter.drawPixmap(r, highlight, r);
}

void Canvas::paintBackground()
{
    if (grid == GridType::None || composite.isNull()) {
        gridPixmap = QPixmap();
        return;
    }
    ensureLayer(gridPixmap);
    gridPixmap.fill(Qt::transparent);
    QPainter painter(&gridPixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintGridLines(&painter, gridPixmap.size(), grid, spacing.pixels(), spacingUnit(),
                   gridColorName);
}

void Canvas::setBoardGridType(int type)
{
    if (type >= GridType::None && type <= GridType::Both) {
        if (type == grid)
            return;
        finishEditing();
        grid = type;
        gridColorName = property ? property->foreColor : QString();
    } else if (type == GridType::Wider || type == GridType::Narrower) {
        if (grid == GridType::None || composite.isNull())
            return;
        const double limit = qMin(composite.width(), composite.height()) / 3.0;
        if (!(type == GridType::Wider ? spacing.widen(limit) : spacing.narrow(limit)))
            return;
    } else {
        return;
    }
    paintBackground();
    composeAll();
    update();
}

QRect Canvas::widgetRectToLayer(const QRect &rect) const
{
    if (!page || composite.isNull())
        return QRect();
    if (rect == this->rect())
        return composite.rect();
    const QTransform layerToWidget =
        QTransform::fromTranslate(-layerOffset().x(), -layerOffset().y()) * pageToWidgetTransform();
    const QRectF mapped = layerToWidget.inverted().mapRect(QRectF(rect));
    return mapped.toAlignedRect();
}

void Canvas::paintEvent(QPaintEvent *event)
{
    updateItemStates();
    if (!page)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    const QRect exposed = event->rect();
    if (!layersReady())
        return;
    // An edge drag shows the page's new area before the layers grow to it.
    if (edgeDragging)
        painter.fillRect(exposed, board);
    // One pixel more on each side keeps the smooth scaling seamless between exposed pieces.
    const QRect source =
        widgetRectToLayer(exposed).adjusted(-1, -1, 1, 1).intersected(composite.rect());
    if (source.isEmpty())
        return;
    painter.setTransform(QTransform::fromTranslate(-layerOffset().x(), -layerOffset().y()) *
                         pageToWidgetTransform());
    painter.drawPixmap(QRectF(source), composite, QRectF(source));
}

QPixmap Canvas::composedPage(const QImage &slide, bool withGrid) const
{
    const QSize shown = shownPageSize();
    const QMargins &show = page->showExtension;
    const QMargins &layer = page->layerExtension;
    const QRect source(QPoint(layer.left() - show.left(), layer.top() - show.top()), shown);
    QPixmap out(shown);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect target = out.rect();
    if (!slide.isNull())
        painter.drawImage(target, slide);
    painter.fillRect(target, board);
    if (!page->background.isNull())
        painter.drawPixmap(target, picture, source);
    if (withGrid && grid != GridType::None && !gridPixmap.isNull())
        painter.drawPixmap(target, gridPixmap, source);
    if (!ink.isNull())
        painter.drawPixmap(target, ink, source);
    painter.end();
    return QPixmap::fromImage(orientation.applyToImage(out.toImage()));
}

QPixmap Canvas::pageImage(bool withGrid) const
{
    if (!page || !layersReady())
        return QPixmap();
    QImage slide;
    if (canvasMode == SlideOverlay && canvasHost)
        slide = canvasHost->grabSlidePicture().toImage();
    return composedPage(slide, withGrid);
}
