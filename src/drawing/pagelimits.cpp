#include "drawing/pagelimits.h"

#include <QtGlobal>

namespace {
double limitFactor(const QSize &size)
{
    const int longer = qMax(size.width(), size.height());
    return longer > maximumPageSide ? double(maximumPageSide) / longer : 1.0;
}
} // namespace

QSize limitedPageSize(const QSize &size)
{
    const double f = limitFactor(size);
    if (f >= 1.0)
        return size;
    return QSize(qMax(1, qRound(size.width() * f)), qMax(1, qRound(size.height() * f)));
}

QPixmap limitedPagePicture(const QPixmap &picture, const QSize &pageSize)
{
    const double f = limitFactor(pageSize);
    if (f >= 1.0 || picture.isNull())
        return picture;
    const QSize target(qMax(1, qRound(picture.width() * f)), qMax(1, qRound(picture.height() * f)));
    return picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
