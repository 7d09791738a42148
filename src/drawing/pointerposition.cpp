#include "drawing/pointerposition.h"

#include <QCursor>

namespace {
std::function<QPoint()> &source()
{
    static std::function<QPoint()> current;
    return current;
}
} // namespace

QPoint pointerPosition()
{
    const auto &current = source();
    return current ? current() : QCursor::pos();
}

void setPointerPositionSource(std::function<QPoint()> source_)
{
    source() = std::move(source_);
}
