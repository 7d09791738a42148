#include "platform/qpdfiumpage.h"

#include <QPdfDocument>
#include <QtMath>

namespace {

// Lays the library's paper (ARGB, transparent where nothing is drawn) onto white in place, so
// that the page needs neither a second image nor a painter: a scanned page is opaque almost
// everywhere and costs one read of each pixel.
void layOnWhite(QImage &image)
{
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x];
            const uint a = qAlpha(p);
            if (a == 255)
                continue;
            if (a == 0) {
                line[x] = 0xffffffff;
                continue;
            }
            if (premultiplied) {
                const uint white = 255 - a;
                line[x] = qRgb(qRed(p) + white, qGreen(p) + white, qBlue(p) + white);
                continue;
            }
            const uint white = 255 * (255 - a);
            line[x] = qRgb((qRed(p) * a + white + 127) / 255, (qGreen(p) * a + white + 127) / 255,
                           (qBlue(p) * a + white + 127) / 255);
        }
    }
}

} // namespace

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
    // Annotations (highlights, notes, ink, form buttons) are part of what the author shows.
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdf::RenderAnnotations);
    QImage page = document->render(number, size, options);
    if (page.isNull())
        return QImage();
    if (page.format() != QImage::Format_ARGB32 &&
        page.format() != QImage::Format_ARGB32_Premultiplied)
        page = page.convertToFormat(QImage::Format_ARGB32);
    // The library leaves the paper transparent; pages are shown on white paper. An opaque
    // result also draws onto layers as a plain copy.
    layOnWhite(page);
    page.reinterpretAsFormat(QImage::Format_RGB32);
    return page;
}
