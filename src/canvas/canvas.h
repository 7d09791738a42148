#pragma once

#include <QColor>
#include <QList>
#include <QMargins>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTransform>
#include <QVector>
#include <QWidget>

#include <functional>

#include "board/actionpainter.h"
#include "board/boardediting.h"
#include "drawing/documentboard.h"
#include "drawing/gridlines.h"
#include "drawing/replaycopies.h"
#include "drawing/stylerecords.h"
#include "items/pageorientation.h"

class CanvasFCCurve;
class CanvasFCLine;
class CanvasHost;
class CanvasLine;
class CanvasMarquee;
class CanvasPointFigure;
class CanvasTextBox;
class PageData;
class PaintData;
class PaintProperty;
class QPainter;
class QPushButton;

// The drawing surface of every document that is not a PDF: the transparent overlay over a running
// slide show (mode 1, one page per slide), a picture document (mode 3) and a new empty board
// (mode 4). It holds the document's pages and shows the current one through layer pixmaps that
// are filled by replaying the page's history; the widget's paint handler only copies the exposed
// part of the composite layer.
//
// Coordinates: widget coordinates are what the user sees (zoomed, turned, mirrored); page
// coordinates are those of the stored actions; layer coordinates are page coordinates shifted by
// the page's layer extension.
class Canvas : public QWidget, public DocumentBoard, public BoardEditing
{
    Q_OBJECT
public:
    enum Mode : int {
        SlideOverlay = 1,
        PictureDocument = 3,
        NewBoard = 4,
    };

    // host receives the callbacks; without one the parent is used when it is a CanvasHost.
    Canvas(int mode, const QColor &boardColor, PaintProperty *property, QWidget *parent = nullptr,
           CanvasHost *host = nullptr);
    ~Canvas() override;

    int mode() const { return canvasMode; }
    CanvasHost *host() const { return canvasHost; }
    QColor boardColor() const { return board; }
    void setCachePath(const QString &path) { cachePath = path; }
    QString slideCachePath() const { return cachePath; }
    void setQuitting(bool on) { quitting = on; }

    // Pages.
    bool loadPages(const QList<QSize> &sizes, const QList<QPixmap> &backgrounds);
    void clearPages();
    void reset();
    // n counted from 1.
    void gotoPage(int n);
    int pageCount() const override { return pageTotal; }
    bool hasPage() const { return page != nullptr; }
    bool hasDrawing() const;
    PageData *currentPage() const { return page; }
    const QList<PageData *> &pageList() const { return pages; }

    // Zoom and view.
    double zoom() const { return zoomFactor; }
    void setZoom(double z) override;
    QPointF mapToPage(const QPointF &widgetPoint) const;
    QPointF mapFromPage(const QPointF &pagePoint) const;
    // Page-to-widget transform (zoom, turns and mirroring, shown extension).
    QTransform pageToWidgetTransform() const;
    void applyRotationTransform(int kind);
    const QTransform &viewTransform() const { return rotationTransform; }
    const PageOrientation &viewOrientation() const { return orientation; }
    PageOrientation &viewOrientation() { return orientation; }
    // The page's shown size (page size plus shown extension), unturned.
    QSize shownPageSize() const;

    // Slide-show step buttons (mode 1).
    void setStepButtonsVisible(bool visible);
    void layoutStepButtons();
    QPushButton *previousStepButton() const { return prevButton; }
    // The five items, children of the canvas, created hidden.
    CanvasMarquee *marqueeItem() const { return items.marquee; }
    CanvasLine *lineItem() const { return items.line; }
    CanvasTextBox *textBoxItem() const { return items.textBox; }
    CanvasFCLine *connectedLineItem() const { return items.connectedLine; }
    CanvasFCCurve *freeCurveItem() const { return items.freeCurve; }
    QPushButton *nextStepButton() const { return nextButton; }

    // Page edges of picture documents.
    void setPointerTracking(bool on);
    bool pointerTracking() const { return tracking; }
    int pageEdgeAt(const QPoint &p) const;
    void updateEdgeCursor(const QPoint &p);
    int edgeHit() const { return edgeUnderPointer; }
    // Starts an edge drag at the global position pressAt (the press handler's part).
    void beginEdgeDrag(const QPointF &pressAt);
    // Moves the drag to the global position at; final at the release.
    void dragEdgeTo(const QPointF &at, bool final);
    bool isEdgeDragging() const { return edgeDragging; }
    void syncExtensionCopy();
    void resizePageEdge(int edge, bool final);

    // Layers (see canvaslayers.cpp).
    bool layersReady() const;
    void rebuildLayers();
    void recomposeRect(const QRect &layerRect, bool withHighlight = false);
    void composeAll();
    void paintBackground();
    // A GridType: a grid to show, or a wider or narrower spacing of the shown one.
    void setBoardGridType(int type);
    int gridType() const { return grid; }
    double gridSpacing() const { return spacing.pixels(); }
    QString gridColor() const { return gridColorName; }
    const QPixmap &compositeLayer() const { return composite; }
    // Layers that nothing has needed yet are made (transparent) when asked for.
    const QPixmap &pictureLayer() const { return ensureLayer(picture); }
    const QPixmap &gridLayer() const { return ensureLayer(gridPixmap); }
    const QPixmap &highlightLayer() const { return ensureLayer(highlight); }
    const QPixmap &inkLayer() const { return ensureLayer(ink); }
    // The current page's picture with its drawing, turned as shown (copy, export).
    QPixmap pageImage(bool withGrid) const;
    // One page with its drawing for the PDF export; null when it cannot be made.
    QPixmap renderPageImage(int index) override;

    // Replay (see canvasreplay.cpp).
    void replayHistory();
    // Paints the open last action live; rect in widget coordinates.
    void paintCurrentAction(const QRect &rect) override;
    // Rebuilds the layers, replays the history and repaints.
    void refreshPage();
    // Keeps copies of the replayed layers so that undo replays only the actions after the nearest
    // copy; on by default.
    void setSnapshotsEnabled(bool on) { copies.setEnabled(on); }
    bool snapshotsEnabled() const { return copies.isEnabled(); }
    // Replay work in nanoseconds after which the next copy is taken.
    void setSnapshotCost(qint64 nanoseconds) { copies.setThreshold(nanoseconds); }
    int snapshotCount() const { return copies.count(); }

    // Input state shared with the input handlers.
    bool isStrokeInProgress() const { return strokeInProgress; }
    void setStrokeInProgress(bool on) { strokeInProgress = on; }

    // Input (canvasinput.cpp). Mouse, pen and touch end in these three steps; p is pos rounded,
    // both in widget coordinates; a pressure of -1 means the device reports none.
    void beginAction(QPoint p, QPointF pos, double *pressure);
    void continueAction(QPoint p, QPointF pos, double *pressure);
    void endAction(QPoint p, QPointF pos);
    void takeFocus();
    void resetKeyState() override;
    bool isTouchActive() const { return touchActive; }
    double currentTouchPressure() const { return touchPressure; }

    bool pageHasPictureAndNoHistory() const;

    void updateItemStates();
    // The enable states last told to the host are forgotten, so the next report sends them all
    // (when the canvas is shown again, its states may differ from what the tool bar shows).
    void forgetReportedStates();

    // Commits whatever item is being edited before the page or the view changes.
    void finishEditing() override;

    // The window's commands (canvasboardcommand.cpp).
    void runCommand(BoardCommand command, int argument = 0) override;

signals:
    void sizeChanged(double scale);
    void directionState(int type);

public slots:
    // Commands of the board itself (canvascommands.cpp); the shared ones are BoardEditing's.
    void clearScreen() override;
    void cleanImpureImage() override;
    void setRotateType(int kind) override;
    void rotate(int kind);
    void applyPaintTool() override;
    void commitShownItems();

public:
    QPixmap selectionImage() const override;
    // The cursor of the current tool.
    void updateCursor() override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void createStepButtons();
    void resetItems();
    QRect widgetRectToLayer(const QRect &rect) const;
    QPointF layerOffset() const;
    void resetLayers();
    const QPixmap &ensureLayer(QPixmap &layer) const;
    // The page with its drawing over the slide picture (null for none), turned as shown.
    QPixmap composedPage(const QImage &slide, bool withGrid) const;

    // Input helpers (canvasinput.cpp).
    // The release's work on the open action once the stroke is over; pos the pointer there.
    void closeStroke(const QPoint &p, const QPointF &pos);

    // Hooks of the shared editing rules.
    PageData *editedPage() const override { return page; }
    QPointF itemToPage(const QPointF &widgetPoint) const override;
    CanvasHost *editHost() const override { return canvasHost; }
    PaintProperty *editProperty() const override { return property; }
    const PageOrientation &frameOrientation() const override { return orientation; }
    void finishCommit(PaintData *action) override;
    void refreshEditedPage() override { refreshPage(); }
    void stopStroke() override { strokeInProgress = false; }
    void hoverAt(const QPoint &p) override;
    QPixmap copiedPageImage() const override { return pageImage(true); }
    bool canRotateView() const override;
    void liftSelection(int dragtype, const QRect &geometry) override;
    void clickedBesideItems() override { commitShownItems(); }
    bool pasteArea(QRectF *fit, QPointF *at, QRectF *bounds) override;
    QRectF selectAllFrame() const override;
    bool hasDrawingToClear() const override;
    QPixmap exportedImage() const override;
    QWidget *editWidget() override { return this; }
    double editZoom() const override { return zoomFactor; }
    void directionUnused(int direction) override { emit directionState(direction); }
    void runStep(Step step, const QPoint &p, const QPointF &pos, double pressure) override;
    bool wantsPointerInput() const override;
    void otherMouseButton(QMouseEvent *event, Step step) override;
    bool takesMouse() const override;

    // The current page's layers for the shared action painters (canvasreplay.cpp).
    ActionLayers actionLayers(bool withHighlight = false);
    QPixmap pictureForSnapshot() const;

    bool quitting = false;
    CanvasHost *canvasHost = nullptr;
    int canvasMode = NewBoard;
    int pageTotal = 0;
    double zoomFactor = 1.0;
    bool tracking = false;
    QColor board;
    QString cachePath;
    QList<PageData *> pages;
    PageData *page = nullptr;
    PaintProperty *property = nullptr;

    QPixmap composite;
    // Only the composite is always there; the others are made when first needed.
    mutable QPixmap picture;
    mutable QPixmap gridPixmap;
    mutable QPixmap highlight;
    mutable QPixmap ink;

    int grid = GridType::None;
    GridSpacing spacing{0.0};
    QString gridColorName;
    // Input state of the pointer, touch and tablet handlers.
    bool strokeInProgress = false;
    QMargins dragStartShow;
    QMargins dragStartLayer;
    QPointF pressPosition;
    QPointF currentPosition;
    QTransform rotationTransform;
    PageOrientation orientation;
    QPushButton *prevButton = nullptr;
    QPushButton *nextButton = nullptr;

    // Undo copies of the current page.
    ReplayCopies copies;
    // The page and layer geometry the snapshots belong to.
    const PageData *snapshotPage = nullptr;
    QSize snapshotLayerSize;
    QMargins snapshotLayerExtension;

    // Enable states last told to the host: -1 unknown, else 0 or 1.
    int reportedClearScreen = -1;
    int reportedClearColor = -1;
};
