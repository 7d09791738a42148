#pragma once

#include <QPoint>

#include <functional>

// Global pointer position as the items read it. Tests install their own source because the
// offscreen platform has no pointer; an empty source goes back to QCursor::pos.
QPoint pointerPosition();
void setPointerPositionSource(std::function<QPoint()> source);
