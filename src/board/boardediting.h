#pragma once

#include <QEvent>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QVector>

#include <functional>

#include "board/boarditems.h"
#include "drawing/documentboard.h"
#include "items/framehandle.h"

class CanvasHost;
class CanvasPointFigure;
class PageData;
class PageOrientation;
class PaintData;
class PaintProperty;
class QKeyEvent;
class QMouseEvent;
class QTouchEvent;
class QWidget;
struct ShapeStyle;

// The editing rules that both boards (the whiteboard canvas and the PDF board) follow on the page
// being drawn on: committing a shown item into its open action, cancelling items, undo and redo,
// copy and cut, delete, the button states that follow the items, and the tool options that reach
// the shown item. A board gives its page, its items and its coordinate mapping through the hooks
// below and keeps only its own layers, layout and painting.
class BoardEditing
{
public:
    virtual ~BoardEditing() = default;

    // The shape parameter text of a shape action (side count, degree flag, or angles).
    static QString shapeParameter(const ShapeStyle &style);

    // Milliseconds since the epoch; the press-to-drag and tablet intervals are measured with it.
    using Clock = std::function<qint64()>;
    void setClock(Clock value) { clock = std::move(value); }

    // Commits (the shown item's open action is recorded and painted; an invalid item leaves no
    // trace in the history).
    bool commitMarquee();
    bool commitLine();
    bool commitTextBox();
    bool commitConnectedLine();
    bool commitFreeCurve();
    // Commits every shown item in the order marquee, line, text box, connected line, free curve.
    void commitItems();
    // Ends the stroke in progress and commits every shown item (a click beside the items).
    void commitAllShownItems();
    // The marquee's frame into the open selection or shape action (after every frame change).
    void recordMarqueeFrame();

    // Cancels (the item's open action is dropped, the item reset).
    void cancelMarquee();
    void cancelLine();
    void cancelTextBox();
    void cancelConnectedLine();
    void cancelFreeCurve();
    void cancel();

    // Commands on the page being drawn on.
    void undo();
    void redo();
    void copy();
    void cut();
    void deleteSelection();
    bool canCleanImpureImage() const;
    bool anyItemShown() const;
    void updateActionStates();
    void dropRedoTail(bool keepLast);
    // Sends the page's undo and redo states to the host.
    void updateUndoRedoState();

    // Tool options that reach the shown item.
    void applyForeColor();
    void applyBackColor();
    void applyFillBackColor();
    void applyShapeType();
    void applyLineBoldSize();
    void applyLineStyle();
    void applyArrowStyle();
    void applyLineDegree();
    void applyIncludedAngle();
    void applyPolygonSideCount();
    void applyStartAngle();
    void applyAngleSize();
    void applyHighlightSize();
    void applyPenLaser();
    void applyEraserSize();
    void applyEraserShape();
    void applyStamp();
    void applyStampPointer();
    void setTextFontFamily();
    void setTextFontSize();
    void setTextBold();
    void setTextItalic();
    void setTextUnderline();
    void setTextStrikeOut();
    void setTextColor();
    void setTextBackColor();
    void setTextFrameColor();
    void setTextAlign();
    void setTextLineHeight();
    void setTextOrder();

    // Paste of the clipboard picture into a new selection frame, select all, the clear-screen
    // question, the photo clean-up of a pasted picture and the picture export.
    void paste();
    void selectAll();
    void confirmClearScreen();
    // Replaces the pasted picture shown in the marquee by its cleaned copy; false when none is.
    bool cleanPastedImage(QRgb boardColor);
    void exportImage();
    // The save-file question of the picture export: (title, start name, filter, selected filter
    // in and out) gives the chosen path, empty when cancelled.
    using SavePathAsker = std::function<QString(const QString &title, const QString &startName,
                                                const QString &filter, QString *selectedFilter)>;
    void setSavePathAsker(SavePathAsker asker);

    // Keys while a page is being drawn on.
    void setCtrlPressed(bool b);
    void setShiftPressed(bool b);
    // An ArrowDirection: the first shown item moves a pixel, else the board reports the
    // direction.
    void handleDirectionKey(int direction);
    bool isCtrlHeld() const { return ctrlHeld; }
    bool isShiftHeld() const { return shiftHeld; }

    // Commits whatever item is being edited and closes the open action.
    virtual void finishEditing() = 0;
    virtual void clearScreen() = 0;
    // The board's own handling of these commands.
    virtual void cleanImpureImage() = 0;
    virtual void applyPaintTool() = 0;
    virtual void resetKeyState() = 0;
    virtual void setZoom(double z) = 0;
    // 1 in, 2 out: to the next whole twentieth, so that repeated steps land exactly on the limits.
    void zoomStep(int kind);
    // 1 in, 2 out, by a pinch's step.
    void zoomBy(int kind, double step);
    virtual void setRotateType(int kind) = 0;

    // Every command above by number; false for a command that is the board's own.
    bool runEditingCommand(BoardCommand command, int argument);

    // The picture of the shown selection, upright, at page scale; null without one.
    virtual QPixmap selectionImage() const = 0;
    virtual void updateCursor() = 0;

protected:
    // Creates the five items of the board, hidden, as children of owner, with their signals
    // wired to the rules above.
    void createItems(QWidget *owner);
    // Stops the item signals from reaching a board that is being destroyed.
    void disconnectItems(QWidget *owner);

    virtual PageData *editedPage() const = 0;
    // A widget point of an item in page coordinates of the page being drawn on.
    virtual QPointF itemToPage(const QPointF &widgetPoint) const = 0;
    virtual CanvasHost *editHost() const = 0;
    virtual PaintProperty *editProperty() const = 0;
    // The turn of the view that a moved region's frame is recorded against.
    virtual const PageOrientation &frameOrientation() const = 0;
    // Paints the committed action (now kept, last in the history) and repaints.
    virtual void finishCommit(PaintData *action) = 0;
    // Rebuilds the page's layers from its history and repaints.
    virtual void refreshEditedPage() = 0;
    // Forgets the press in progress.
    virtual void stopStroke() = 0;
    // The page being drawn on with its drawing, as shown (copy without a selection).
    virtual QPixmap copiedPageImage() const = 0;
    virtual bool canRotateView() const = 0;
    virtual void liftSelection(int dragtype, const QRect &geometry) = 0;
    virtual void clickedBesideItems() = 0;
    // Where a pasted picture goes, in widget coordinates: it is shrunk to fit into fit, placed
    // at at and moved inside bounds. False when there is no room (the board says why).
    virtual bool pasteArea(QRectF *fit, QPointF *at, QRectF *bounds) = 0;
    // The frame of select all, in widget coordinates.
    virtual QRectF selectAllFrame() const = 0;
    virtual bool hasDrawingToClear() const = 0;
    // The picture that the image export saves (selection or page); null when there is none.
    virtual QPixmap exportedImage() const = 0;
    virtual QWidget *editWidget() = 0;
    virtual double editZoom() const = 0;
    virtual void directionUnused(int direction) = 0;
    // Keys shared by the boards; false for a key that the board may handle itself.
    bool handleKeyPress(QKeyEvent *event);
    bool handleKeyRelease(QKeyEvent *event);
    // Gives the items the Ctrl and Shift state the board holds.
    void shareHeldKeys();
    // The global position of the event being handled (pointerGlobal, which is used up), or for
    // a step called directly, the widget position pos mapped to the screen.
    QPointF globalPointOf(const QPointF &pos);
    // The open selection of a moved region about to leave its place for the first time: its
    // source rectangle becomes the marquee's frame and it is marked lifted. Null when there is
    // none (or it was lifted before).
    PaintData *liftOpenSelection();

    // Input steps (boardinput.cpp); positions in widget coordinates. A press first commits the
    // shown items: true when that was all the press did (it closed the text box, connected line
    // or free curve of the current tool).
    bool commitItemsAtPress(int tool);
    // Starts the tool's action at the press, appends it open to the history and paints its first
    // dab.
    void beginToolAction(int tool, const QPoint &p, const QPointF &pos, double pressure);
    // Starts the tool's action at the press and appends it open to the history; null when the
    // tool draws nothing (or the press only added a point to the unfinished figure).
    PaintData *startToolAction(int tool, const QPointF &pos, double pressure);
    // Grows the open action; gives the widget rectangle to paint now (null for none).
    QRect continueToolAction(PaintData *action, const QPointF &pos, double pressure, bool early);
    // Ends the open action at the release; gives the widget rectangle whose live painting closes
    // it (null when the release only keeps or drops an item's action).
    QRect endToolAction(PaintData *action, const QPoint &p, const QPointF &pos, bool early);
    // Paints the open last action live and shows it at once; rect in widget coordinates.
    virtual void paintCurrentAction(const QRect &rect) = 0;
    void paintAndRepaint(const QRect &rect);

    qint64 now() const;
    // Still within the press-to-drag interval: a quick tap draws no line or shape.
    bool isEarly() const;
    // While a page edge is dragged, pen moves are taken at most every 40 ms.
    bool takeEdgeDragTabletMove();
    // Pen pressure as it is recorded: two decimals.
    static double recordedPressure(double pressure);
    // Mouse events that Qt or the system made from a pen or touch. A pen near the screen draws
    // through its tablet events, so those are dropped; checking the source keeps a real mouse
    // working when a driver never reports the pen leaving.
    static bool isSynthesised(const QMouseEvent *event);
    // The eraser's rectangle at a widget position, with the margin to repaint.
    QRect eraserRectAt(const QPointF &pos, int level) const;
    // The provisional tail of a pencil, pen or highlighter stroke (ActionPainter::paintLiveTail)
    // is shown on every input step: the widget rectangle it covers now, null for other actions.
    QRect liveTailArea(const PaintData *action) const;
    // The rectangle to paint for the tail to move on to where it is now (it was at tailShown).
    QRect moveLiveTail(const PaintData *action);
    // The rectangle to paint for the tail to go (the stroke ended).
    QRect dropLiveTail();

    // Touch for both boards. Qt makes no mouse events from a touch that is accepted, so the
    // primary point drives the board's steps itself; once a second finger is down the stroke is
    // dropped and the touch goes on to the view behind the board, which pinches the zoom.
    // Gives what QWidget::event returns for it.
    bool handleTouchEvent(QTouchEvent *event);
    enum class Step { Press, Move, Release };
    // The board's press, move and release steps at a widget position.
    virtual void runStep(Step step, const QPoint &p, const QPointF &pos, double pressure) = 0;
    // Whether pointer input is the board's (a drawing tool or an edge drag) rather than the
    // scroll area's.
    virtual bool wantsPointerInput() const = 0;
    // The pointer entry both boards share, called from QWidget::event: touch (see above), the
    // mouse, and key releases (handleKeyRelease, the key accepted without a page). Mouse events
    // that are not the board's (no page to draw on, copies of pen or touch input) are accepted and
    // dropped; the left button, and every move, runs the board's steps with the pressure of a touch
    // in progress; the event is accepted when the pointer input is the board's (as it was before
    // the step, for a release). False for other events, else what QWidget::event returns goes to
    // result.
    bool handlePointerEvent(QEvent *event, bool *result);
    void handleMouseEvent(QMouseEvent *event, Step step);
    // Ends the edge code of a hover (a touch has no hover to find it again), unless the edge is
    // held (keepsEdge) until its own release.
    void forgetEdge();
    virtual bool keepsEdge() const { return edgeDragging; }
    // Ends the press in progress, clearing pressed; false, with the edge forgotten, when there
    // was none.
    bool endPress(bool &pressed);
    // A button other than the left one pressed or released.
    virtual void otherMouseButton(QMouseEvent *event, Step step) = 0;
    // Whether a mouse event the board handled is accepted.
    virtual bool takesMouse() const { return wantsPointerInput(); }
    // The edge under the pointer (a FrameHandle code) and whether it is being dragged.
    bool edgeDragging = false;
    int edgeUnderPointer = FrameHandle::Outside;
    // The pointer is over p with no button down: the page edge under it is found again.
    virtual void hoverAt(const QPoint &p) = 0;
    // Mouse events made from a touch whose steps the board runs itself.
    bool isTouchCopy(const QMouseEvent *event) const
    {
        return touchDrivesSteps && isSynthesised(event);
    }

    BoardItems items;
    bool ctrlHeld = false;
    bool shiftHeld = false;
    SavePathAsker savePathAsker;
    // Global position of the event being handled; null when a step is called directly.
    QPointF pointerGlobal;
    // The positions of the action in progress.
    QVector<QPointF> livePoints;
    // Where the stroke's provisional tail ends: the newest pointer position, recorded or not.
    QPointF liveTailEnd;
    QRect tailShown;
    double minimumPenWidth = 0.1;
    qint64 pressTime = 0;
    qint64 lastTabletMove = 0;
    Clock clock;
    bool touchActive = false;
    double touchPressure = 0.0;
    bool touchDrivesSteps = false;

    // The marquee's frame (points 3 to 8) into a selection or shape action.
    void writeMarqueeFrame(PaintData *action);

private:
    PaintData *actionToCommit(int type, const std::function<bool()> &itemIsValid,
                              const std::function<void()> &resetItem);
    bool commitPointFigure(CanvasPointFigure *figure, int type,
                           const std::function<void(PaintData *)> &writeStyle);
    void dropOpenAction(int type);
    // A second finger came down: the stroke of the first one goes, as if never drawn.
    void dropTouchStroke(const QPointF &pos);
    // The pen came near: the finger's own stroke ends where it was last seen.
    void endTouchStroke();
    // The touch as type, to where Qt would have sent it without the board.
    void passTouchToView(QTouchEvent *event, QEvent::Type type);
    bool touchPinching = false;
    // The action the touch press started; null when it started none.
    PaintData *touchAction = nullptr;
    QPointF lastTouchPos;
    bool marqueeShapeShown() const;
    void forwardLineStyle();
    void forwardFigureStyles();
    // Shape option into the shown shape frame; false when no shape frame is shown.
    bool changeShownShape(const std::function<void(ShapeStyle &)> &change);
};
