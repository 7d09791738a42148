#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "base/globals.h"
#include "board/boardediting.h"

namespace {

bool isTouch(QEvent::Type type)
{
    return type == QEvent::TouchBegin || type == QEvent::TouchUpdate || type == QEvent::TouchEnd ||
           type == QEvent::TouchCancel;
}

} // namespace

bool BoardEditing::handlePointerEvent(QEvent *event, bool *result)
{
    const QEvent::Type type = event->type();
    if (isTouch(type)) {
        *result = handleTouchEvent(static_cast<QTouchEvent *>(event));
        return true;
    }
    // The pointer may leave over an edge; a later touch press must not find its code.
    if (type == QEvent::Leave)
        forgetEdge();
    // A disabled widget leaves mouse events to QWidget::event, which declines them.
    if (!editWidget()->isEnabled())
        return false;
    if (type == QEvent::KeyRelease) {
        // Without a page to draw on the board keeps the key from the widgets behind it.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!editedPage())
            key->accept();
        else if (!handleKeyRelease(key))
            key->ignore();
        *result = true;
        return true;
    }
    // A double click is a press, as QWidget's own handler makes it.
    Step step;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        step = Step::Press;
    else if (type == QEvent::MouseMove)
        step = Step::Move;
    else if (type == QEvent::MouseButtonRelease)
        step = Step::Release;
    else
        return false;
    handleMouseEvent(static_cast<QMouseEvent *>(event), step);
    *result = true;
    return true;
}

void BoardEditing::handleMouseEvent(QMouseEvent *event, Step step)
{
    if (!editedPage() || (penInProximity && isSynthesised(event)) || isTouchCopy(event)) {
        event->accept();
        return;
    }
    const bool takenBefore = takesMouse();
    if (step == Step::Press)
        editWidget()->setFocus(Qt::OtherFocusReason);
    if (step == Step::Move || event->button() == Qt::LeftButton) {
        pointerGlobal = event->globalPos();
        runStep(step, event->pos(), event->localPos(), touchActive ? touchPressure : -1.0);
        if (step == Step::Release) {
            touchActive = false;
            touchPressure = 0.0;
        }
    } else {
        otherMouseButton(event, step);
    }
    event->setAccepted(step == Step::Release ? takenBefore : takesMouse());
}

void BoardEditing::forgetEdge()
{
    if (edgeUnderPointer == FrameHandle::Outside || keepsEdge())
        return;
    edgeUnderPointer = FrameHandle::Outside;
    updateCursor();
}

bool BoardEditing::endPress(bool &pressed)
{
    if (!pressed) {
        forgetEdge();
        return false;
    }
    pressed = false;
    return true;
}
