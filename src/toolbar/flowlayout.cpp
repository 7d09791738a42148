#include "toolbar/flowlayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget *parent, int margin, int hSpacing, int vSpacing)
    : QLayout(parent)
    , hSpace(hSpacing)
    , vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
}

FlowLayout::FlowLayout(int margin, int hSpacing, int vSpacing)
    : hSpace(hSpacing)
    , vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem *item)
{
    items.append(item);
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

QSize FlowLayout::minimumSize() const
{
    QSize size(-1, -1);
    for (const QLayoutItem *item : items)
        size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    doLayout(rect, false);
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < items.size() ? items.at(index) : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    return index >= 0 && index < items.size() ? items.takeAt(index) : nullptr;
}

int FlowLayout::count() const
{
    return items.size();
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return doLayout(QRect(0, 0, width, 0), true);
}

QSize FlowLayout::sizeHint() const
{
    return minimumSize();
}

int FlowLayout::horizontalSpacing() const
{
    return hSpace >= 0 ? hSpace : smartSpacing(QStyle::PM_LayoutHorizontalSpacing);
}

int FlowLayout::verticalSpacing() const
{
    return vSpace >= 0 ? vSpace : smartSpacing(QStyle::PM_LayoutVerticalSpacing);
}

int FlowLayout::smartSpacing(QStyle::PixelMetric metric) const
{
    QObject *owner = parent();
    if (!owner)
        return -1;
    if (owner->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(owner);
        return widget->style()->pixelMetric(metric, nullptr, widget);
    }
    return static_cast<QLayout *>(owner)->spacing();
}

int FlowLayout::itemSpacing(QLayoutItem *item, int stored, Qt::Orientation orientation) const
{
    if (stored != -1)
        return stored;
    // Spacers and nested layouts have no style to ask; they sit flush.
    const QWidget *widget = item->widget();
    if (!widget)
        return 0;
    return widget->style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton,
                                          orientation);
}

int FlowLayout::doLayout(const QRect &rect, bool testOnly) const
{
    const QMargins m = contentsMargins();
    const QRect inner = rect.adjusted(m.left(), m.top(), -m.right(), -m.bottom());
    int x = inner.x();
    int y = inner.y();
    int lineHeight = 0;
    const int hStored = horizontalSpacing();
    const int vStored = verticalSpacing();

    for (QLayoutItem *item : items) {
        const int spaceX = itemSpacing(item, hStored, Qt::Horizontal);
        const int spaceY = itemSpacing(item, vStored, Qt::Vertical);
        const QSize hint = item->sizeHint();
        int nextX = x + hint.width() + spaceX;
        if (x + hint.width() > inner.right() && lineHeight > 0) {
            x = inner.x();
            y += lineHeight + spaceY;
            nextX = x + hint.width() + spaceX;
            lineHeight = 0;
        }
        if (!testOnly)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x = nextX;
        lineHeight = std::max(lineHeight, hint.height());
    }
    return y + lineHeight - rect.y() + m.bottom();
}
