#include "platform/qpdfiumpage.h"

#include <QPainter>
#include <QPdfDocument>
#include <QtMath>

QPdfiumPage::QPdfiumPage(std::shared_ptr<QPdfDocument> doc, int page, const QSizeF &pagePoints)
    : document(std::move(doc))
    , number(page)
    , points(pagePoints)
{}

bool QPdfiumPage::isValid() const
{
    return document && number >= 0 && points.width() > 0 && points.height() > 0;
}

QImage QPdfiumPage::image(double scale) const
{
    if (!isValid() || !(scale > 0))
        return QImage();
    return image(QSize(qRound(points.width() * scale), qRound(points.height() * scale)));
}

QImage QPdfiumPage::image(const QSize &size) const
{
    if (!isValid() || size.isEmpty())
        return QImage();
    const QImage rendered = document->render(number, size);
    if (rendered.isNull())
        return QImage();
    // The library leaves the paper transparent; pages are shown on white paper. An opaque
    // result also draws onto layers as a plain copy.
    QImage page(rendered.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, rendered);
    painter.end();
    return page;
}
