#include "drawing/pagelimits.h"

#include <QtGlobal>

namespace {
double limitFactor(const QSize &size)
{
    const int longer = qMax(size.width(), size.height());
    return longer > maximumPageSide ? double(maximumPageSide) / longer : 1.0;
}

int limitedSide(int side, double factor)
{
    return qMax(qRound(side * factor), qMin(side, minimumPageSide));
}

// Cuts back the sides a and b of one axis (which started at a0 and b0) until side + a + b fits.
void limitAxis(int side, int *a, int *b, int a0, int b0)
{
    int excess = side + *a + *b - maximumPageSide;
    if (excess <= 0)
        return;
    if (*a - a0 < *b - b0) {
        qSwap(a, b);
        qSwap(a0, b0);
    }
    const int first = qMin(excess, qMax(0, *a - a0));
    *a -= first;
    excess -= first;
    *b -= qMin(excess, qMax(0, *b - b0));
}
} // namespace

QSize limitedPageSize(const QSize &size)
{
    const double f = limitFactor(size);
    if (f >= 1.0)
        return size;
    return QSize(limitedSide(size.width(), f), limitedSide(size.height(), f));
}

QPixmap limitedPagePicture(const QPixmap &picture, const QSize &pageSize)
{
    const QSize page = limitedPageSize(pageSize);
    if (page == pageSize || picture.isNull() || picture.size() == page)
        return picture;
    const QSize target(
        qMax(1, qRound(picture.width() * double(page.width()) / pageSize.width())),
        qMax(1, qRound(picture.height() * double(page.height()) / pageSize.height())));
    return picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QMargins limitedPageExtension(const QSize &pageSize, const QMargins &extension,
                              const QMargins &start)
{
    int l = extension.left();
    int t = extension.top();
    int r = extension.right();
    int b = extension.bottom();
    limitAxis(pageSize.width(), &l, &r, start.left(), start.right());
    limitAxis(pageSize.height(), &t, &b, start.top(), start.bottom());
    return QMargins(l, t, r, b);
}
