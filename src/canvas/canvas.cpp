#include "canvas/canvas.h"

#include <QCloseEvent>
#include <QCursor>
#include <QPainter>
#include <QPushButton>
#include <QWheelEvent>
#include <QtMath>

#include "base/uimetrics.h"
#include "board/boarditems.h"
#include "drawing/canvashost.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/pagelimits.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/slidecommand.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

namespace {
constexpr double maximumZoom = 1.8;

QMargins maxMargins(const QMargins &a, const QMargins &b)
{
    return QMargins(qMax(a.left(), b.left()), qMax(a.top(), b.top()), qMax(a.right(), b.right()),
                    qMax(a.bottom(), b.bottom()));
}
} // namespace

Canvas::Canvas(int mode, const QColor &boardColor, PaintProperty *paintProperty, QWidget *parent,
               CanvasHost *callbacks)
    : QWidget(parent)
    , canvasMode(mode)
    , board(boardColor)
    , property(paintProperty)
{
    canvasHost = callbacks ? callbacks : dynamic_cast<CanvasHost *>(parent);
    spacing = GridSpacing(pixelsPerMillimetre());
    // The slide overlay too is a child widget: it lies over the slide picture of its tab and
    // shows it wherever nothing is drawn.
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_AcceptTouchEvents);
    createItems(this);
    copies.setShown(false);
    if (mode == SlideOverlay)
        createStepButtons();
}

Canvas::~Canvas()
{
    // The items hide as the widget goes; their signals must not reach a canvas (or host) that
    // is already half destroyed.
    disconnectItems(this);
}

void Canvas::resetItems()
{
    items.reset();
}

void Canvas::createStepButtons()
{
    const struct
    {
        QPushButton **button;
        const char *tip;
        const char *icon;
        SlideCommand step;
    } specs[] = {
        {&prevButton, "上一步", ":/icon/direction/pptprev.png", SlideCommand::PreviousStep},
        {&nextButton, "下一步", ":/icon/direction/pptnext.png", SlideCommand::NextStep},
    };
    for (const auto &spec : specs) {
        auto *button = new QPushButton(this);
        button->setToolTip(QString::fromUtf8(spec.tip));
        button->setCursor(Qt::ArrowCursor);
        button->setIcon(QIcon(QString::fromLatin1(spec.icon)));
        const int step = int(spec.step);
        connect(button, &QPushButton::clicked, this, [this, step]() {
            if (canvasHost)
                canvasHost->navigateSlideShow(step);
            setFocus(Qt::OtherFocusReason);
        });
        *spec.button = button;
    }
}

bool Canvas::hasDrawing() const
{
    return page && !page->history.isEmpty();
}

bool Canvas::loadPages(const QList<QSize> &sizes, const QList<QPixmap> &backgrounds)
{
    if (sizes.isEmpty() || backgrounds.isEmpty() || sizes.size() != backgrounds.size()) {
        if (canvasHost)
            canvasHost->showMessage(QStringLiteral("文件尺寸参数设置错误，打开失败！"));
        return false;
    }
    // A second load replaces the pages instead of appending to them.
    if (!pages.isEmpty())
        clearPages();
    pageTotal = sizes.size();
    for (int i = 0; i < sizes.size(); ++i) {
        // The minimum holds for the picture's own size; the limit never reduces a side below it.
        const QSize size = limitedPageSize(sizes.at(i));
        if (sizes.at(i).width() < minimumPageSide || sizes.at(i).height() < minimumPageSide) {
            clearPages();
            pageTotal = 0;
            if (canvasHost) {
                const QString side = QString::number(minimumPageSide);
                canvasHost->showMessage(QStringLiteral("不支持的文件尺寸，最小允许尺寸：") + side +
                                        QStringLiteral("×") + side);
            }
            return false;
        }
        auto *data = new PageData(this);
        data->index = i;
        data->width = size.width();
        data->height = size.height();
        data->background = limitedPagePicture(backgrounds.at(i), sizes.at(i));
        pages.append(data);
        if (i == 0) {
            page = data;
            refreshPage();
        }
    }
    return true;
}

void Canvas::clearPages()
{
    for (PageData *data : qAsConst(pages)) {
        data->clear();
        delete data;
    }
    pages.clear();
    page = nullptr;
    resetItems();
    resetLayers();
    livePoints.clear();
}

void Canvas::reset()
{
    clearPages();
    quitting = false;
    pageTotal = 0;
    tracking = false;
    setMouseTracking(false);
    setTabletTracking(false);
    grid = GridType::None;
    zoomFactor = 1.0;
    touchActive = false;
    touchPressure = 0.0;
    ctrlHeld = false;
    shiftHeld = false;
    strokeInProgress = false;
    pressTime = 0;
    lastTabletMove = 0;
    edgeDragging = false;
    edgeUnderPointer = FrameHandle::Outside;
    dragStartShow = QMargins();
    dragStartLayer = QMargins();
    spacing.reset();
    pressPosition = QPointF();
    currentPosition = QPointF();
}

void Canvas::gotoPage(int n)
{
    if (pages.isEmpty() || (page && page->index == n - 1))
        return;
    finishEditing();
    for (PageData *data : qAsConst(pages)) {
        if (data->index == n - 1) {
            page = data;
            refreshPage();
            break;
        }
    }
    updateUndoRedoState();
}

QSize Canvas::shownPageSize() const
{
    if (!page)
        return QSize();
    const QMargins &e = page->showExtension;
    return QSize(page->width + e.left() + e.right(), page->height + e.top() + e.bottom());
}

void Canvas::setZoom(double z)
{
    if (!page || !(z > 0.0) || z > maximumZoom + 1e-9)
        return;
    z = qMin(z, maximumZoom);
    const QSize shown = shownPageSize();
    if (qRound(z * page->width) < minimumPageSide || qRound(z * page->height) < minimumPageSide ||
        qRound(z * shown.width()) < minimumPageSide || qRound(z * shown.height()) < minimumPageSide)
        return;
    finishEditing();
    zoomFactor = z;
    QSize size(qRound(z * shown.width()), qRound(z * shown.height()));
    if (!orientation.hasOriginalAxes())
        size.transpose();
    setFixedSize(size);
    // The edges moved: the one a hover found is no longer under the pointer.
    forgetEdge();
    const int tool = property ? property->paintTool : PaintTool::Mouse;
    if (tool == PaintTool::Highlighter || tool == PaintTool::Eraser || tool == PaintTool::Stamp)
        updateCursor();
    layoutStepButtons();
    emit sizeChanged(zoomFactor);
}

QPointF Canvas::mapToPage(const QPointF &widgetPoint) const
{
    if (!page)
        return widgetPoint;
    const QSize shown = shownPageSize();
    const QPointF p = orientation.mapPoint(pointDividedByZoom(widgetPoint, zoomFactor),
                                           shown.width(), shown.height());
    return p - QPointF(page->showExtension.left(), page->showExtension.top());
}

QPointF Canvas::mapFromPage(const QPointF &pagePoint) const
{
    if (!page)
        return pagePoint;
    const QSize shown = shownPageSize();
    const QPointF s = pagePoint + QPointF(page->showExtension.left(), page->showExtension.top());
    return orientation.unmapPoint(s, shown.width(), shown.height()) * zoomFactor;
}

QTransform Canvas::pageToWidgetTransform() const
{
    // The mapping is affine (a flip or swap of axes, a scale and a shift): three points fix it.
    const QPointF o = mapFromPage(QPointF(0, 0));
    const QPointF ex = mapFromPage(QPointF(1, 0)) - o;
    const QPointF ey = mapFromPage(QPointF(0, 1)) - o;
    return QTransform(ex.x(), ex.y(), ey.x(), ey.y(), o.x(), o.y());
}

void Canvas::applyRotationTransform(int kind)
{
    const bool mirrored = orientation.isMirrored();
    const bool unswapped = orientation.hasOriginalAxes();
    switch (kind) {
        case Reorientation::TurnCounterClockwise:
            rotationTransform.rotate(mirrored ? 90 : -90);
            break;
        case Reorientation::TurnClockwise:
            rotationTransform.rotate(mirrored ? -90 : 90);
            break;
        case Reorientation::MirrorLeftRight:
            rotationTransform.scale(unswapped ? -1 : 1, unswapped ? 1 : -1);
            break;
        case Reorientation::MirrorTopBottom:
            rotationTransform.scale(unswapped ? 1 : -1, unswapped ? -1 : 1);
            break;
        default:
            break;
    }
}

void Canvas::setStepButtonsVisible(bool visible)
{
    if (prevButton)
        prevButton->setVisible(visible);
    if (nextButton)
        nextButton->setVisible(visible);
}

void Canvas::layoutStepButtons()
{
    if (!prevButton || !nextButton)
        return;
    const int s = qCeil(2 * titleBarButtonSize() * zoomFactor);
    const int inset = qCeil(spacingUnit() * zoomFactor);
    const QString sheet =
        QStringLiteral("QPushButton{background:rgba(234,234,234,80);border:0;border-radius:") +
        QString::number(s / 2) +
        QStringLiteral(
            ";}QPushButton:hover{background-color:rgba(214,214,214,80);}"
            "QPushButton:pressed{background-color:rgba(214,214,214,80);}");
    const int y = (height() - s) / 2;
    for (QPushButton *button : {prevButton, nextButton}) {
        button->setFixedSize(s, s);
        button->setIconSize(QSize(s / 2, s / 2));
        button->setStyleSheet(sheet);
    }
    prevButton->move(inset, y);
    nextButton->move(width() - inset - s, y);
}

void Canvas::setPointerTracking(bool on)
{
    if (!page)
        return;
    tracking = on;
    setMouseTracking(on);
    setTabletTracking(on);
}

int Canvas::pageEdgeAt(const QPoint &p) const
{
    const double m = fiveMillimetresInPixels() * zoomFactor;
    const double w = width();
    const double h = height();
    if (w - m <= p.x() && p.x() <= w) {
        if (0 <= p.y() && p.y() < h - m)
            return FrameHandle::Right;
        if (p.y() >= h - m)
            return FrameHandle::BottomRight;
    }
    if (h - m <= p.y() && p.y() <= h && 0 <= p.x() && p.x() < w - m)
        return FrameHandle::Bottom;
    return FrameHandle::Outside;
}

void Canvas::updateEdgeCursor(const QPoint &p)
{
    const int hit = pageEdgeAt(p);
    if (hit == edgeUnderPointer)
        return;
    edgeUnderPointer = hit;
    switch (hit) {
        case FrameHandle::Right:
            setCursor(Qt::SizeHorCursor);
            break;
        case FrameHandle::BottomRight:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case FrameHandle::Bottom:
            setCursor(Qt::SizeVerCursor);
            break;
        default:
            updateCursor();
            break;
    }
}

void Canvas::beginEdgeDrag(const QPointF &pressAt)
{
    if (!tracking || !page || edgeUnderPointer == FrameHandle::Outside)
        return;
    pressPosition = pressAt;
    currentPosition = pressAt;
    strokeInProgress = true;
    edgeDragging = true;
    syncExtensionCopy();
}

void Canvas::dragEdgeTo(const QPointF &at, bool final)
{
    if (!edgeDragging)
        return;
    currentPosition = at;
    resizePageEdge(edgeUnderPointer, final);
    if (final) {
        edgeDragging = false;
        strokeInProgress = false;
    }
}

void Canvas::syncExtensionCopy()
{
    if (!page)
        return;
    dragStartShow = page->showExtension;
    dragStartLayer = page->layerExtension;
}

void Canvas::resizePageEdge(int edge, bool final)
{
    if (!tracking || !page || edge == FrameHandle::Outside || edge == FrameHandle::Inside ||
        edge == FrameHandle::Rotate)
        return;
    const int side = orientation.mapHandle(edge);
    if (side < FrameHandle::TopLeft || side > FrameHandle::Left)
        return;
    // The pointer's travel as a page vector; each page side grows by the travel along its
    // outward direction, so an edge follows the pointer whatever the view's turns and mirrors.
    const QTransform toPage = pageToWidgetTransform().inverted();
    const QPointF travel = toPage.map(currentPosition) - toPage.map(pressPosition);
    const int ax = qRound(travel.x());
    const int ay = qRound(travel.y());
    int l = dragStartShow.left();
    int t = dragStartShow.top();
    int r = dragStartShow.right();
    int b = dragStartShow.bottom();
    if (side == FrameHandle::TopLeft || side == FrameHandle::BottomLeft ||
        side == FrameHandle::Left)
        l -= ax;
    if (side == FrameHandle::TopRight || side == FrameHandle::Right ||
        side == FrameHandle::BottomRight)
        r += ax;
    if (side == FrameHandle::TopLeft || side == FrameHandle::Top || side == FrameHandle::TopRight)
        t -= ay;
    if (side == FrameHandle::BottomRight || side == FrameHandle::Bottom ||
        side == FrameHandle::BottomLeft)
        b += ay;
    // The page may not grow past the size of the largest picture page.
    const QSize pageSize(page->width, page->height);
    const QMargins shown = limitedPageExtension(pageSize, QMargins(l, t, r, b), dragStartShow);
    if (qRound(zoomFactor * (page->width + shown.left() + shown.right())) < minimumPageSide ||
        qRound(zoomFactor * (page->height + shown.top() + shown.bottom())) < minimumPageSide)
        return;
    page->showExtension = shown;
    if (final) {
        // Growth of earlier drags that is no longer shown goes where the layers would pass the
        // limit.
        page->layerExtension =
            limitedPageExtension(pageSize, maxMargins(dragStartLayer, shown), shown);
        refreshPage();
        dragStartShow = QMargins();
        dragStartLayer = QMargins();
    }
    // While dragging, the layers stay as they were: the paint handler shows the board colour
    // round them, so a move costs no page-sized pixmap.
    setZoom(zoomFactor);
    update();
}

QPixmap Canvas::renderPageImage(int index)
{
    if (pages.isEmpty() || index < 0 || index >= pages.size() || !page)
        return QPixmap();
    // The slide from the tab's own reader; one that cannot be rendered leaves the ink alone.
    QImage slide;
    if (canvasMode == SlideOverlay && canvasHost)
        slide = canvasHost->slidePageImage(index);
    finishEditing();
    PageData *previous = page;
    page = pages.at(index);
    rebuildLayers();
    replayHistory();
    QPixmap result;
    if (layersReady()) {
        result = composedPage(slide, true);
    }
    if (previous != page) {
        page = previous;
        rebuildLayers();
        replayHistory();
    }
    return result;
}

void Canvas::updateItemStates()
{
    if (!canvasHost || !page)
        return;
    const bool clearScreen = !page->history.isEmpty();
    const bool marqueeShown = !items.marquee->isHidden();
    const bool clearColor = PageHistory::canCleanImpureImage(page->history, marqueeShown) ||
                            (!page->background.isNull() && page->history.isEmpty());
    // Called on every repaint: only a change is passed on, so no button is redrawn needlessly.
    if (reportedClearScreen != int(clearScreen)) {
        reportedClearScreen = int(clearScreen);
        canvasHost->setClearScreenEnabled(clearScreen);
    }
    if (reportedClearColor != int(clearColor)) {
        reportedClearColor = int(clearColor);
        canvasHost->setClearColorEnabled(clearColor);
    }
}

void Canvas::forgetReportedStates()
{
    reportedClearScreen = -1;
    reportedClearColor = -1;
}

bool Canvas::canRotateView() const
{
    return canvasMode == PictureDocument;
}

void Canvas::wheelEvent(QWheelEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    ctrlHeld = event->modifiers().testFlag(Qt::ControlModifier);
    items.marquee->setCtrlPressed(ctrlHeld);
    const int delta = event->angleDelta().y();
    if (canvasMode == SlideOverlay) {
        if (pageTotal < 2) {
            event->ignore();
            return;
        }
        event->accept();
        if (canvasHost && delta > 0)
            canvasHost->navigateSlideShow(int(SlideCommand::PreviousStep));
        else if (canvasHost && delta < 0)
            canvasHost->navigateSlideShow(int(SlideCommand::NextStep));
        return;
    }
    if (canvasMode == PictureDocument && ctrlHeld) {
        event->accept();
        if (delta > 0)
            zoomStep(ZoomDirection::Larger);
        else if (delta < 0)
            zoomStep(ZoomDirection::Smaller);
        return;
    }
    event->ignore();
}

void Canvas::closeEvent(QCloseEvent *event)
{
    if (canvasMode == SlideOverlay && !quitting) {
        event->ignore();
        if (canvasHost)
            canvasHost->requestClose();
        return;
    }
    QWidget::closeEvent(event);
}

void Canvas::showEvent(QShowEvent *event)
{
    forgetReportedStates();
    copies.setShown(true);
    QWidget::showEvent(event);
}

void Canvas::hideEvent(QHideEvent *event)
{
    // The undo copies of a board out of sight are the first to go when memory is short.
    copies.setShown(false);
    QWidget::hideEvent(event);
}
