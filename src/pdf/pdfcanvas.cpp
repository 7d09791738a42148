// The PDF board's document: opening, pages and their layout, layers, painting and closing.
#include "pdf/pdfcanvas.h"

#include <QAbstractScrollArea>
#include <QCryptographicHash>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "base/filesystem.h"
#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"
#include "pdf/pdfboardhost.h"
#include "pdf/pdfpagedata.h"

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

namespace {
// Rows above the first page, below the last one and (at zoom 1) between pages.
constexpr int pageMargin = 15;
// Layers kept from pages scrolled away: those of two pages, for as long as the view moves.
constexpr int spareLayerCount = 6;
constexpr int spareLayerMs = 500;
// Previews are a quarter of a page across, kept for the pages seen last.
constexpr int previewShrink = 4;
constexpr int previewCount = 24;

// A transparent layer in memory fresh from the system: its pages read as zero, which is
// transparent, and are taken only where ink is drawn. A page scrolling in needs three ink layers
// at once; filling them would take every page of them while the view moves.
QPixmap transparentLayer(const QSize &size)
{
#ifdef Q_OS_UNIX
    const size_t bytes = size_t(size.width()) * 4 * size_t(size.height());
    void *bits = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bits != MAP_FAILED) {
        struct Mapping
        {
            void *bits;
            size_t bytes;
        };
        QImage image(
            static_cast<uchar *>(bits), size.width(), size.height(), size.width() * 4,
            QImage::Format_ARGB32_Premultiplied,
            [](void *data) {
                auto *mapping = static_cast<Mapping *>(data);
                munmap(mapping->bits, mapping->bytes);
                delete mapping;
            },
            new Mapping{bits, bytes});
        return QPixmap::fromImage(std::move(image), Qt::NoOpaqueDetection);
    }
#endif
    QPixmap layer(size);
    layer.fill(Qt::transparent);
    return layer;
}
} // namespace

PdfCanvas::PdfCanvas(const QString &path, const QString &stateFolder, PaintProperty *properties,
                     QWidget *parent, PdfBoardHost *host)
    : QWidget(parent)
    , boardHost(host ? host : dynamic_cast<PdfBoardHost *>(parent))
    , edgeGripWidth(fiveMillimetresInPixels())
    , key(stateKeyOf(path))
    , renderAhead([this](int pdfPage) { pageRendered(pdfPage); })
    , documentPath(path)
    , stateDir(stateFolder)
    , property(properties)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_AcceptTouchEvents);
    // Hover moves find the page edges under the pointer (mouse and pen).
    setMouseTracking(true);
    setTabletTracking(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, documentBackgroundColor());
    setPalette(palette);
    setAutoFillBackground(true);
    createItems(this);
    spareRelease = new QTimer(this);
    spareRelease->setSingleShot(true);
    spareRelease->setInterval(spareLayerMs);
    connect(spareRelease, &QTimer::timeout, this, [this] { spareLayers.clear(); });
    reader.setPagesChanged([this] { renderPagesAgain(); });
}

PdfCanvas::~PdfCanvas()
{
    // The items hide as the widget goes; their signals must not reach a half-destroyed board.
    disconnectItems(this);
    qDeleteAll(pages);
}

QString PdfCanvas::stateKeyOf(const QString &path)
{
    // UTF-8, not Latin-1: Latin-1 turns every Chinese character into "?", and documents that
    // differ only in such characters would share one state file.
    return QString::fromLatin1(
        QCryptographicHash::hash(path.toLower().toUtf8(), QCryptographicHash::Md5).toHex());
}

QString PdfCanvas::stateFilePath() const
{
    return stateDir + QStringLiteral("/") + key + QStringLiteral(".ini");
}

int PdfCanvas::pageGap() const
{
    return qRound(pageMargin * zoomFactor);
}

// Document -------------------------------------------------------------------------------------

bool PdfCanvas::openDocument()
{
    reader.setMinimumPageSize(30);
    const QString failed = tr("打开") + documentPath + tr("失败，错误原因：");
    if (!reader.load(documentPath)) {
        if (boardHost)
            boardHost->showMessage(failed + reader.errorText());
        return false;
    }
    if (reader.usablePageCount() < 1) {
        if (boardHost)
            boardHost->showMessage(failed + tr("空白文件或页面尺寸超出限制"));
        return false;
    }
    loadPages();
    return true;
}

void PdfCanvas::loadPages()
{
    const QList<QSize> &sizes = reader.pageSizes();
    const QList<int> &numbers = reader.pageNumbers();
    int y = pageMargin;
    for (int i = 0; i < sizes.size(); ++i) {
        auto *page = new PdfPageData(this);
        page->index = i;
        page->pdfPageNumber = numbers.at(i);
        page->width = sizes.at(i).width();
        page->height = sizes.at(i).height();
        pages.append(page);
        tops.append(y);
        bottoms.append(y + page->height);
        y = bottoms.last() + pageMargin;
    }
    pageDrawnOn = pages.isEmpty() ? nullptr : pages.first();
}

int PdfCanvas::pageExtent() const
{
    return orientation.hasOriginalAxes() ? reader.maxPageWidth() : reader.maxPageHeight();
}

int PdfCanvas::laidOutWidth(int index) const
{
    const PdfPageData *page = pages.at(index);
    return orientation.hasOriginalAxes() ? page->width : page->height;
}

int PdfCanvas::shownPageLeft(int index) const
{
    // A page narrower than the widest is centred as the widest is in the view.
    return qRound(zoomFactor * ((pageExtent() - laidOutWidth(index)) / 2));
}

int PdfCanvas::shownPageWidth(int index) const
{
    return qRound(zoomFactor * (displayLeft + laidOutWidth(index) + displayRight));
}

int PdfCanvas::laidOutHeight(int index) const
{
    const PdfPageData *page = pages.at(index);
    return orientation.hasOriginalAxes() ? page->height : page->width;
}

void PdfCanvas::updateLayout()
{
    if (pages.isEmpty())
        return;
    const int w = qRound(zoomFactor * (displayLeft + pageExtent() + displayRight));
    const int gap = pageGap();
    int y = pageMargin;
    for (int i = 0; i < pages.size(); ++i) {
        tops[i] = y;
        bottoms[i] = y + qRound(zoomFactor * laidOutHeight(i));
        y = bottoms.at(i) + gap;
    }
    setFixedSize(w, bottoms.last() + pageMargin);
    emit sizeChanged(zoomFactor);
}

void PdfCanvas::closeDocument()
{
    if (rememberPage && pages.size() > 1)
        FileSystem::writeBytes(stateFilePath(), QByteArray::number(pageInView));
    renderAhead.clear();
    spareLayers.clear();
    for (PdfPageData *page : qAsConst(pages)) {
        page->clear();
        delete page;
    }
    pages.clear();
    previewed.clear();
    pageDrawnOn = nullptr;
    items.reset();
    tops.clear();
    bottoms.clear();
    visiblePages.clear();
    livePoints.clear();
}

// Pages in the widget ------------------------------------------------------------------------

QVector<int> PdfCanvas::visiblePagesIn(const QRect &rect) const
{
    QVector<int> found;
    const int end = rect.top() + rect.height();
    for (int i = 0; i < tops.size(); ++i) {
        if (tops.at(i) >= end)
            break;
        if (rect.top() < bottoms.at(i))
            found.append(i);
    }
    return found;
}

bool PdfCanvas::isNearPage(int index, const QPointF &point) const
{
    if (!isValidPage(index) || index >= tops.size())
        return false;
    const int gap = pageGap();
    return tops.at(index) - gap < point.y() && point.y() < bottoms.at(index) + gap;
}

int PdfCanvas::pageIndexAt(const QPointF &point)
{
    hitPage = -1;
    for (int i : qAsConst(visiblePages)) {
        if (isNearPage(i, point)) {
            hitPage = i;
            return hitPage;
        }
    }
    for (int i = pageInView - 1; i >= 0 && i >= pageInView - 4; --i) {
        if (isNearPage(i, point)) {
            hitPage = i;
            return hitPage;
        }
    }
    for (int i = pageInView + 1; i < pages.size() && i <= pageInView + 4; ++i) {
        if (isNearPage(i, point)) {
            hitPage = i;
            return hitPage;
        }
    }
    return hitPage;
}

QPointF PdfCanvas::mapToPage(const QPointF &point) const
{
    const QPointF p = pointDividedByZoom(point, zoomFactor);
    return QPointF(p.x() - displayLeft, p.y());
}

void PdfCanvas::scrollToPage(int index)
{
    // The page chooser's numbers come from outside: a stale one must not index past the pages.
    if (!isValidPage(index) || index >= tops.size())
        return;
    emit vScrollBarNewValue(tops.at(index));
}

void PdfCanvas::followScrollArea(QAbstractScrollArea *area)
{
    QScrollBar *v = area->verticalScrollBar();
    verticalBar = v;
    view = area->viewport();
    QScrollBar *h = area->horizontalScrollBar();
    connect(v, &QScrollBar::valueChanged, this, &PdfCanvas::updateVisiblePages);
    connect(h, &QScrollBar::valueChanged, this, &PdfCanvas::setHorizontalScrollValue);
    // A request the bar cannot follow (the same value, or one beyond its range while the area
    // is still being laid out) is answered at once with the bar's own value.
    const auto follow = [this](QScrollBar *bar, void (PdfCanvas::*answer)(int)) {
        return [this, bar, answer](int value) {
            const int before = bar->value();
            bar->setValue(value);
            if (bar->value() == before) {
                (this->*answer)(before);
                update();
            }
        };
    };
    connect(this, &PdfCanvas::vScrollBarNewValue, v, follow(v, &PdfCanvas::updateVisiblePages));
    connect(this, &PdfCanvas::hScrollBarNewValue, h,
            follow(h, &PdfCanvas::setHorizontalScrollValue));
    area->viewport()->installEventFilter(this);
}

bool PdfCanvas::eventFilter(QObject *watched, QEvent *event)
{
    // Only pointers of our own are used here: the area may be half destroyed.
    if (watched == view && verticalBar &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        updateVisiblePages(verticalBar->value());
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void PdfCanvas::hideEvent(QHideEvent *event)
{
    // The undo copies of a document out of sight are the first to go when memory is short.
    for (int i : qAsConst(visiblePages))
        pages.at(i)->copies.setShown(false);
    QWidget::hideEvent(event);
}

void PdfCanvas::showEvent(QShowEvent *event)
{
    for (int i : qAsConst(visiblePages))
        pages.at(i)->copies.setShown(true);
    QWidget::showEvent(event);
    // Opening on page 1 (scroll value already 0), or before the tab was shown, gives no scroll
    // signal: the visible pages are rendered here.
    updateVisiblePages(verticalBar ? verticalBar->value() : vScrollValue);
}

// Layers ---------------------------------------------------------------------------------------

QSize PdfCanvas::layerSize(int index) const
{
    return QSize(layerLeft + laidOutWidth(index) + layerRight, laidOutHeight(index));
}

void PdfCanvas::renderPage(int index)
{
    PdfPageData *page = pages.at(index);
    if (!page->pageImage.isNull())
        return;
    const int number = page->pdfPageNumber;
    page->pageImage = renderAhead.takeReady(number, reader.pixelSizeOf(number));
    if (page->pageImage.isNull())
        page->pageImage = reader.pageImage(number, 1.0);
}

void PdfCanvas::requestPage(int index)
{
    PdfPageData *page = pages.at(index);
    if (!page->pageImage.isNull())
        return;
    const int number = page->pdfPageNumber;
    const QSize size = reader.pixelSizeOf(number);
    page->pageImage = renderAhead.takeReady(number, size);
    if (page->pageImage.isNull()) {
        renderAhead.request(number, reader.page(number), size);
    } else if (!page->layer1.isNull()) {
        // Its paper is shown: the rendering came before its notice.
        keepSpareLayer(page->layer1);
        rebuildBaseLayer(index);
        update(QRect(0, tops.at(index), width(), bottoms.at(index) - tops.at(index)));
    }
}

void PdfCanvas::dropRendering(int index)
{
    PdfPageData *page = pages.at(index);
    if (page->pageImage.isNull())
        return;
    // Every fourth pixel: a quick copy, seen only until the page is rendered again.
    const QSize size = page->pageImage.size() / previewShrink;
    if (!size.isEmpty()) {
        page->preview = page->pageImage.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        previewed.removeOne(index);
        previewed.append(index);
        if (previewed.size() > previewCount)
            pages.at(previewed.takeFirst())->preview = QImage();
    }
    page->pageImage = QImage();
}

void PdfCanvas::pageRendered(int pdfPage)
{
    for (int i : qAsConst(visiblePages)) {
        PdfPageData *page = pages.at(i);
        if (page->pdfPageNumber != pdfPage || !page->pageImage.isNull())
            continue;
        page->pageImage = renderAhead.takeReady(pdfPage, reader.pixelSizeOf(pdfPage));
        if (page->pageImage.isNull() || page->layer1.isNull())
            return;
        keepSpareLayer(page->layer1);
        // Only the base changes: the ink layers, and a stroke being drawn, stay as they are.
        rebuildBaseLayer(i);
        update(QRect(0, tops.at(i), width(), bottoms.at(i) - tops.at(i)));
        return;
    }
}

void PdfCanvas::renderPagesAgain()
{
    renderAhead.keepOnly({});
    for (int i : qAsConst(previewed))
        pages.at(i)->preview = QImage();
    previewed.clear();
    for (int i : qAsConst(visiblePages)) {
        pages.at(i)->pageImage = QImage();
        requestPage(i);
    }
}

bool PdfCanvas::isRenderedAhead(int index) const
{
    return isValidPage(index) && renderAhead.contains(pages.at(index)->pdfPageNumber);
}

bool PdfCanvas::isWaitingForRender(int index) const
{
    return isValidPage(index) && visiblePages.contains(index) &&
           pages.at(index)->pageImage.isNull() &&
           renderAhead.contains(pages.at(index)->pdfPageNumber);
}

void PdfCanvas::rebuildLayers(int index)
{
    if (!isValidPage(index))
        return;
    PdfPageData *page = pages.at(index);
    const QSize size = layerSize(index);
    if (size.isEmpty())
        return;
    page->copies.setShown(isVisible());
    // The render runs while the layers are filled; a page finished meanwhile comes with its
    // notice, so that it is looked for once per call.
    requestPage(index);
    for (QPixmap *layer : {&page->layer2, &page->layer3, &page->layer4})
        *layer = transparentLayer(size);
    rebuildBaseLayer(index);
}

void PdfCanvas::rebuildBaseLayer(int index)
{
    PdfPageData *page = pages.at(index);
    const QSize size = layerSize(index);
    QImage shown = orientation.applyToImage(page->pageImage);
    if (layerLeft == 0 && shown.size() == size && !shown.hasAlphaChannel()) {
        // An opaque page that fills the layer hides the board colour: the pixmap shares the
        // page's pixels instead of copying them.
        page->layer1 = QPixmap::fromImage(std::move(shown));
        return;
    }
    page->layer1 = layerOfSize(size);
    page->layer1.fill(board);
    QPainter painter(&page->layer1);
    if (shown.isNull() && isWaitingForRender(index))
        painter.fillRect(QRect(layerLeft, 0, laidOutWidth(index), laidOutHeight(index)), Qt::white);
    else if (!shown.isNull())
        painter.drawImage(layerLeft, 0, shown);
}

void PdfCanvas::releasePageLayers(int index)
{
    if (!isValidPage(index))
        return;
    PdfPageData *page = pages.at(index);
    // A base of paper serves the next base, its memory taken already; one showing the page's
    // rendering shares its pixels and goes. Ink layers are made fresh.
    QPixmap base = page->pageImage.isNull() ? page->layer1 : QPixmap();
    page->releaseLayers();
    keepSpareLayer(base);
}

void PdfCanvas::keepSpareLayer(QPixmap &layer)
{
    if (!layer.isNull() && layer.isDetached() && spareLayers.size() < spareLayerCount) {
        spareLayers.append(layer);
        spareRelease->start();
    }
    layer = QPixmap();
}

QPixmap PdfCanvas::layerOfSize(const QSize &size)
{
    for (int i = 0; i < spareLayers.size(); ++i) {
        if (spareLayers.at(i).size() == size)
            return spareLayers.takeAt(i);
    }
    return QPixmap(size);
}

void PdfCanvas::resetPageLayers()
{
    if (!pageDrawnOn)
        return;
    // The layers keep their size: the page's undo copies stay usable.
    const int index = pages.indexOf(pageDrawnOn);
    rebuildLayers(index);
    replayHistory(index);
}

void PdfCanvas::rebuildVisibleLayers()
{
    for (int i : qAsConst(visiblePages)) {
        releasePageLayers(i);
        rebuildLayers(i);
        replayHistory(i);
    }
}

void PdfCanvas::snapshotLayers()
{
    savedDisplayLeft = displayLeft;
    savedDisplayRight = displayRight;
    savedLayerLeft = layerLeft;
    savedLayerRight = layerRight;
}

bool PdfCanvas::hasPageLayers(int index) const
{
    if (!isValidPage(index))
        return false;
    const PdfPageData *page = pages.at(index);
    return !page->layer1.isNull() && !page->layer2.isNull() && !page->layer3.isNull();
}

void PdfCanvas::clearDrawingRect(const QRect &rect)
{
    if (!pageDrawnOn || pageDrawnOn->layer2.isNull())
        return;
    QPainter painter(&pageDrawnOn->layer2);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.drawRect(rect);
}

void PdfCanvas::restoreDrawingRect(const QRect &rect)
{
    clearDrawingRect(rect);
    if (!pageDrawnOn || pageDrawnOn->layer2.isNull() || pageDrawnOn->layer3.isNull())
        return;
    QPainter painter(&pageDrawnOn->layer2);
    painter.drawPixmap(QRectF(rect), pageDrawnOn->layer3, QRectF(rect));
}

void PdfCanvas::replayHistory(int index)
{
    if (!hasPageLayers(index))
        return;
    PdfPageData *page = pages.at(index);
    ActionPainter::replay(actionLayers(index), &page->copies);
    QPainter painter(&page->layer2);
    painter.drawPixmap(0, 0, page->layer3);
}

ActionLayers PdfCanvas::actionLayers(int index) const
{
    PdfPageData *page = pages.at(index);
    ActionLayers layers;
    layers.page = page;
    layers.ink = &page->layer3;
    layers.highlight = &page->layer4;
    // The eraser and moved selections take the drawing only: the PDF page stays.
    layers.picture = nullptr;
    layers.offset = QPointF(layerLeft, 0);
    layers.liftedBackground = Qt::transparent;
    layers.items = &items;
    return layers;
}

// Painting -------------------------------------------------------------------------------------

void PdfCanvas::updateItemStates()
{
    if (!boardHost || !pageDrawnOn)
        return;
    const bool drawn = !pageDrawnOn->history.isEmpty();
    boardHost->setClearScreenEnabled(drawn);
    boardHost->setClearColorEnabled(canCleanImpureImage());
    if (items.marquee->isHidden() && drawn)
        boardHost->setRotateEnabled(false);
}

void PdfCanvas::paintEvent(QPaintEvent *event)
{
    updateItemStates();
    const QRect exposed = event->rect();
    const QVector<int> shown = visiblePagesIn(exposed);
    if (shown.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int d : shown) {
        paintPageGap(painter, exposed, tops.at(d) - pageGap());
        const PdfPageData *page = pages.at(d);
        // A page narrower than the widest keeps its shape: the background shows beside it.
        const int left = shownPageLeft(d);
        const QRect target =
            QRect(QPoint(left, tops.at(d)), QPoint(left + shownPageWidth(d) - 1, bottoms.at(d) - 1))
                .intersected(exposed);
        if (target.isEmpty())
            continue;
        const QRectF source =
            rectDividedByZoom(QRectF(target.translated(-left, -tops.at(d))), zoomFactor)
                .translated(layerLeft - displayLeft, 0);
        // During an edge drag the page is wider than its layers until the release.
        if (displayLeft > layerLeft || displayRight > layerRight)
            painter.fillRect(target, board);
        if (!page->layer1.isNull())
            painter.drawPixmap(QRectF(target), page->layer1, source);
        // A page rendered again shows its last rendering, scaled, until the new one comes.
        if (!page->preview.isNull() && isWaitingForRender(d))
            painter.drawImage(QRectF(left + zoomFactor * displayLeft, tops.at(d),
                                     zoomFactor * laidOutWidth(d), zoomFactor * laidOutHeight(d)),
                              page->preview);
        if (!page->history.isEmpty() && !page->layer2.isNull())
            painter.drawPixmap(QRectF(target), page->layer2, source);
    }
    paintPageGap(painter, exposed, bottoms.at(shown.last()));
}

void PdfCanvas::paintPageGap(QPainter &painter, const QRect &exposed, int y)
{
    if (y < 0 || y >= height())
        return;
    const QRect strip = QRect(0, y, width(), pageGap()).intersected(exposed);
    if (!strip.isEmpty())
        painter.fillRect(strip, documentBackgroundColor());
}
