// Pointer, pen, touch and key input of the canvas. Mouse, tablet and touch all end in the same
// three steps (begin, continue, end); what a step does depends on the current tool.

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QTouchEvent>
#include <QtMath>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "board/boarditems.h"
#include "canvas/canvas.h"
#include "drawing/canvashost.h"
#include "drawing/freehandaction.h"
#include "drawing/geometry.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "drawing/stampstore.h"
#include "drawing/strokepainter.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

// Event entry ------------------------------------------------------------------------------------

void Canvas::otherMouseButton(QMouseEvent *, Step step)
{
    if (step == Step::Release)
        forgetEdge();
}

bool Canvas::takesMouse() const
{
    return !property || wantsPointerInput();
}

void Canvas::tabletEvent(QTabletEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    const bool dragging = edgeDragging;
    double pressure = recordedPressure(event->pressure());
    pointerGlobal = event->globalPosF();
    switch (event->type()) {
        case QEvent::TabletPress:
            setFocus(Qt::OtherFocusReason);
            beginAction(event->pos(), event->posF(), &pressure);
            break;
        case QEvent::TabletMove:
            if (tracking && edgeDragging && !takeEdgeDragTabletMove())
                break;
            continueAction(event->pos(), event->posF(), &pressure);
            break;
        case QEvent::TabletRelease:
            endAction(event->pos(), event->posF());
            break;
        default:
            break;
    }
    event->setAccepted(
        !(property && property->paintTool == PaintTool::Mouse && !dragging && !edgeDragging));
}

bool Canvas::event(QEvent *event)
{
    bool result = false;
    return handlePointerEvent(event, &result) ? result : QWidget::event(event);
}

bool Canvas::wantsPointerInput() const
{
    return (property && property->paintTool != PaintTool::Mouse) || edgeDragging;
}

void Canvas::hoverAt(const QPoint &p)
{
    if (tracking && !strokeInProgress)
        updateEdgeCursor(p);
}

void Canvas::runStep(Step step, const QPoint &p, const QPointF &pos, double pressure)
{
    if (step == Step::Press)
        beginAction(p, pos, &pressure);
    else if (step == Step::Move)
        continueAction(p, pos, &pressure);
    else
        endAction(p, pos);
}

// The three steps ---------------------------------------------------------------------------------

void Canvas::beginAction(QPoint p, QPointF pos, double *pressure)
{
    const QPointF global = globalPointOf(pos);
    if (!page)
        return;
    pressPosition = global;
    livePoints.clear();
    const int tool = property ? property->paintTool : 0;

    const bool consumed = commitItemsAtPress(tool);

    if (tracking && edgeUnderPointer != FrameHandle::Outside) {
        beginEdgeDrag(global);
        return;
    }
    if (consumed) {
        strokeInProgress = false;
        edgeDragging = false;
        return;
    }
    strokeInProgress = true;
    pressTime = now();
    beginToolAction(tool, p, pos, pressure ? *pressure : -1.0);
}

void Canvas::continueAction(QPoint p, QPointF pos, double *pressure)
{
    const QPointF global = globalPointOf(pos);
    currentPosition = global;
    if (!strokeInProgress) {
        if (tracking)
            updateEdgeCursor(p);
        return;
    }
    if (tracking && edgeDragging) {
        dragEdgeTo(global, false);
        return;
    }
    if (!page)
        return;
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action)
        return;
    const int tool = property ? property->paintTool : 0;
    if (tool != action->type)
        return;
    const QRect dirty = continueToolAction(action, pos, pressure ? *pressure : -1.0, isEarly());
    if (dirty.isValid())
        paintAndRepaint(dirty);
}

void Canvas::endAction(QPoint p, QPointF pos)
{
    const QPointF global = globalPointOf(pos);
    if (!endPress(strokeInProgress))
        return;
    if (edgeDragging) {
        dragEdgeTo(global, true);
        forgetEdge();
        updateUndoRedoState();
        return;
    }
    // The edge under the pointer is found again by the next hover; a touch has none.
    forgetEdge();
    if (!page)
        return;
    closeStroke(p, pos);
}

void Canvas::closeStroke(const QPoint &p, const QPointF &pos)
{
    PaintData *action = PageHistory::openLastAction(page->history);
    if (!action) {
        updateUndoRedoState();
        return;
    }
    const QRect dirty = endToolAction(action, p, pos, isEarly());
    if (dirty.isValid())
        paintAndRepaint(dirty);
    updateUndoRedoState();
}

// Keys --------------------------------------------------------------------------------------------

void Canvas::keyPressEvent(QKeyEvent *event)
{
    if (!page) {
        event->accept();
        return;
    }
    if (handleKeyPress(event))
        return;
    if (canvasMode == SlideOverlay && canvasHost) {
        canvasHost->handleShortcutKey(event->key(), event->modifiers());
        event->accept();
    } else {
        event->ignore();
    }
}

void Canvas::takeFocus()
{
    if (!items.textBox->isHidden())
        items.textBox->setEditing(true);
    else
        setFocus(Qt::OtherFocusReason);
}

void Canvas::resetKeyState()
{
    setFocus(Qt::OtherFocusReason);
    setCtrlPressed(false);
    setShiftPressed(false);
    updateCursor();
    updateUndoRedoState();
}
