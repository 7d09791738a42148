#pragma once

#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>

#include "board/actionpainter.h"
#include "board/boardediting.h"
#include "drawing/documentboard.h"
#include "items/pageorientation.h"
#include "pdf/pagerenderahead.h"
#include "pdf/pdfreader.h"

class PaintProperty;
class PdfBoardHost;
class PdfPageData;
class QAbstractScrollArea;
class QScrollBar;
class QTimer;

// The board of a PDF tab: every usable page of one PDF file stacked from top to bottom inside
// the tab's scroll area. Only the pages that overlap the visible rows hold a rendered page and
// layers; the layers keep each page at zoom 1 and are scaled while painting, so a zoom change
// renders nothing. There are two current pages: the page in view (the middle of the view; it
// drives the page chooser and the remembered page) and the page being drawn on.
//
// Coordinates: widget coordinates are shown pixels (zoomed); page coordinates are at zoom 1,
// relative to the page's top-left corner, wherever the page is shown; layer x = page x + layer
// left extension.
class PdfCanvas : public QWidget, public DocumentBoard, public BoardEditing
{
    Q_OBJECT
public:
    // host receives the callbacks; without one the parent is used when it is a PdfBoardHost.
    PdfCanvas(const QString &path, const QString &stateDir, PaintProperty *properties,
              QWidget *parent = nullptr, PdfBoardHost *host = nullptr);
    ~PdfCanvas() override;

    // The name of this document's state file (without ".ini"): the MD5 of its lower-case path.
    static QString stateKeyOf(const QString &path);
    QString stateKey() const { return key; }
    QString stateFilePath() const;

    // Document (pdfcanvas.cpp).
    bool openDocument();
    void loadPages();
    void updateLayout();
    void closeDocument();
    void setRememberPage(bool on) { rememberPage = on; }
    // The PDF file the pages are read from.
    const QString &filePath() const { return documentPath; }
    int pageCount() const override { return reader.usablePageCount(); }
    int currentPageIndex() const { return pageInView; }
    double zoom() const { return zoomFactor; }
    PDFReader &documentReader() { return reader; }
    const QList<PdfPageData *> &pageList() const { return pages; }
    PdfPageData *drawnPage() const { return pageDrawnOn; }
    const QVector<int> &pageTops() const { return tops; }
    const QVector<int> &pageBottoms() const { return bottoms; }
    const PageOrientation &viewOrientation() const { return orientation; }
    const BoardItems &boardItems() const { return items; }
    QColor boardColor() const { return board; }
    // The rows of the widget between pages (at the current zoom).
    int pageGap() const;

    // Follows area's scroll bars (area holds this board) and answers the board's scroll
    // requests with them; the visible pages are also rendered when its view is shown or
    // resized.
    void followScrollArea(QAbstractScrollArea *area);
    void setHorizontalScrollValue(int value) { hScrollValue = value; }
    int verticalScrollValue() const { return vScrollValue; }
    void scrollToPage(int index);
    QVector<int> visiblePagesIn(const QRect &rect) const;
    const QVector<int> &visiblePageList() const { return visiblePages; }
    // Whether the page after the visible ones in the scroll direction is being made ready.
    bool isRenderedAhead(int index) const;
    // Whether a visible page still shows its paper while its rendering is on its way.
    bool isWaitingForRender(int index) const;
    bool isNearPage(int index, const QPointF &point) const;
    int pageIndexAt(const QPointF &point);
    // A widget point, taken from the top-left of its page's columns and row, in page
    // coordinates.
    QPointF mapToPage(const QPointF &point) const;

    // Layers of page i (pdfcanvas.cpp).
    void rebuildLayers(int index);
    void releasePageLayers(int index);
    void resetPageLayers();
    void rebuildVisibleLayers();
    // Keeps the extensions a page-edge drag starts from.
    void snapshotLayers();
    bool hasPageLayers(int index) const;
    void clearDrawingRect(const QRect &rect);
    void restoreDrawingRect(const QRect &rect);
    void replayHistory(int index);

    // View (pdfcanvasview.cpp).
    void updateVisiblePages(int value);
    void setZoom(double z) override;
    void rotate(int type);
    void setRotateType(int type) override;
    bool canRotate() const;
    bool anyPageHasDrawing() const;
    void resetDocument();
    void restoreLastPage();
    QPixmap renderPageImage(int index) override;

    // Input (pdfcanvasinput.cpp). Mouse, pen and touch end in these three steps on the page
    // being drawn on; widgetPoint is position rounded; a pressure of -1 means none is known.
    void beginAction(const QPoint &widgetPoint, const QPointF &position, double pressure);
    void continueAction(const QPoint &widgetPoint, const QPointF &position, double pressure);
    void endAction(const QPoint &widgetPoint, const QPointF &position, double pressure);
    // Right button: the page under the point becomes the page being drawn on.
    void selectPageAt(const QPoint &point);
    void setCurrentPage(int index);
    void resizePageEdge(int edgeCode, bool final);
    void updateEdgeCursor(const QPoint &point);
    int edgeCode() const { return edgeUnderPointer; }
    bool isPressing() const { return pressing; }

    // Drawing and editing (pdfcanvasedit.cpp).
    // Paints the open last action of the page being drawn on; rect in widget coordinates.
    void paintCurrentAction(const QRect &rect) override;
    // The page being drawn on as shown, with its drawing; null without one.
    QPixmap pageImage() const;
    void finishEditing() override;
    void clearScreen() override;
    void cleanImpureImage() override;
    void commitShownItems();
    void applyPaintTool() override;
    void resetKeyState() override;
    void updateItemStates();
    void updateCursor() override;
    QPixmap selectionImage() const override;

    void runCommand(BoardCommand command, int argument = 0) override;

signals:
    void sizeChanged(double zoom);
    void directionState(int direction);
    void vScrollBarNewValue(int value);
    void hScrollBarNewValue(int value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

    // Input: pointer, touch and key releases go through event() to the board core.
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Hooks of the shared editing rules (pdfcanvasedit.cpp).
    PageData *editedPage() const override;
    QPointF itemToPage(const QPointF &widgetPoint) const override;
    CanvasHost *editHost() const override;
    PaintProperty *editProperty() const override { return property; }
    const PageOrientation &frameOrientation() const override { return uprightFrames; }
    void finishCommit(PaintData *action) override;
    void refreshEditedPage() override;
    void stopStroke() override { pressing = false; }
    void hoverAt(const QPoint &p) override;
    QPixmap copiedPageImage() const override { return pageImage(); }
    bool canRotateView() const override { return canRotate(); }
    void liftSelection(int dragtype, const QRect &geometry) override;
    void clickedBesideItems() override { commitShownItems(); }
    bool pasteArea(QRectF *fit, QPointF *at, QRectF *bounds) override;
    QRectF selectAllFrame() const override;
    bool hasDrawingToClear() const override { return anyPageHasDrawing(); }
    QPixmap exportedImage() const override;
    QWidget *editWidget() override { return this; }
    double editZoom() const override { return zoomFactor; }
    void directionUnused(int direction) override { emit directionState(direction); }

    // The layers of page index for the shared painters.
    ActionLayers actionLayers(int index) const;
    int drawnIndex() const;
    // The row of the page being drawn on, in widget coordinates.
    QRect drawnPageRow() const;
    // A widget position on the page being drawn on in page coordinates.
    QPointF widgetToPage(const QPointF &position) const;
    QPointF pageToWidget(const QPointF &point) const;
    bool wantsPointerInput() const override;
    void otherMouseButton(QMouseEvent *event, Step step) override;
    void runStep(Step step, const QPoint &p, const QPointF &pos, double pressure) override;
    // Any press keeps the edge until its release.
    bool keepsEdge() const override { return pressing; }
    void paintPageGap(QPainter &painter, const QRect &exposed, int y);
    // The page extent across (maximum width, or height with swapped axes) and a page's width and
    // height as laid out, all at zoom 1. Pages are centred in the extent, each in its own shape.
    int pageExtent() const;
    int laidOutWidth(int index) const;
    int laidOutHeight(int index) const;
    // The columns page index takes on the widget, its extensions included: from shownPageLeft
    // on, shownPageWidth of them.
    int shownPageLeft(int index) const;
    int shownPageWidth(int index) const;
    QSize layerSize(int index) const;
    bool isValidPage(int index) const { return index >= 0 && index < pages.size(); }
    // Renders page index now, on this thread (for export).
    void renderPage(int index);
    // Gives page index its rendering when one is ready, else asks for it on the render thread.
    void requestPage(int index);
    // A render of PDF page pdfPage finished: a visible page waiting for it shows it.
    void pageRendered(int pdfPage);
    // The document's pages came to show otherwise (their form fields drawn): the pages in view
    // are rendered again and show their old rendering until then.
    void renderPagesAgain();
    // Page index lets its rendering go and keeps a smaller copy of it for its next showing.
    void dropRendering(int index);
    // Layer 1 of page index: its rendering, or white paper while it has none, on the board colour.
    void rebuildBaseLayer(int index);
    // A layer pixmap of size, taken from those of pages scrolled away when one fits: fresh
    // memory costs the window far more than the fill. Its content is undefined.
    QPixmap layerOfSize(const QSize &size);
    void keepSpareLayer(QPixmap &layer);

    PdfBoardHost *boardHost = nullptr;
    double edgeGripWidth = 0.0;
    QColor board = Qt::white;
    QString key;
    PDFReader reader;
    // Declared after the reader: it finishes its renders before the reader's document goes.
    PageRenderAhead renderAhead;
    QString documentPath;
    QString stateDir;
    PaintProperty *property = nullptr;
    double zoomFactor = 1.0;
    bool rememberPage = true;
    int displayLeft = 0;
    int displayRight = 0;
    int savedDisplayLeft = 0;
    int savedDisplayRight = 0;
    int layerLeft = 0;
    int layerRight = 0;
    int savedLayerLeft = 0;
    int savedLayerRight = 0;
    QVector<int> tops;
    QVector<int> bottoms;
    QList<PdfPageData *> pages;
    PdfPageData *pageDrawnOn = nullptr;
    int pageInView = 0;
    int vScrollValue = 0;
    int hScrollValue = 0;
    QVector<int> visiblePages;
    int hitPage = -1;
    PageOrientation orientation;
    // The layers hold the pages as shown: frames are recorded upright against them.
    PageOrientation uprightFrames;
    bool pressing = false;
    QPointF pressCursor;
    QPointF currentCursor;
    // The board's width and the horizontal scroll value at the press of an edge drag.
    int pressWidth = 0;
    int pressScroll = 0;
    QPointer<QScrollBar> verticalBar;
    // Layers of pages scrolled away, kept for the pages scrolling in while the view moves.
    QList<QPixmap> spareLayers;
    // Pages holding a preview, the oldest first.
    QList<int> previewed;
    QTimer *spareRelease = nullptr;
    const QObject *view = nullptr;
};
