#include "drawing/pixmaputils.h"

#include <QImage>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace {
int brightnessLevel(QRgb pixel)
{
    return (qGreen(pixel) + 2 * qRed(pixel)) / 3;
}

bool isNearGrey(QRgb pixel)
{
    const int r = qRed(pixel);
    return (qAbs(r - qBlue(pixel)) + qAbs(r - qGreen(pixel))) / 2 <= 18;
}

// Level above which a near-grey pixel counts as background.
int backgroundThreshold(const QImage &image)
{
    bool seen[256] = {};
    for (int y = 0; y < image.height(); y += 2) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); x += 2)
            seen[brightnessLevel(line[x])] = true;
    }
    std::vector<int> levels;
    for (int level = 0; level < 256; ++level) {
        if (seen[level])
            levels.push_back(level);
    }
    const int count = int(levels.size());
    const int index = qCeil(0.6 * count);
    if (index < count)
        return levels[index];
    // Too few levels for a percentile (a flat picture, or black ink on white): the lightest
    // level is the background when it is light at all.
    const int top = levels[count - 1];
    return top >= 128 ? top - 1 : top;
}
} // namespace

QPixmap greyedPixmap(const QPixmap &pixmap)
{
    if (pixmap.isNull())
        return pixmap;
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int alpha = qAlpha(pixel);
            if (alpha == 0)
                continue;
            const int mean = (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3;
            const int grey = mean + 100 <= 255 ? mean + 100 : 200;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

bool isNearGrey(const QColor &color)
{
    return !color.isValid() || isNearGrey(color.rgb());
}

QPixmap cleanPhotoBackground(const QPixmap &photo, QRgb boardColor)
{
    if (photo.isNull())
        return photo;
    const QImage source = photo.toImage();
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int threshold = backgroundThreshold(image);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            if (isNearGrey(pixel)) {
                if (brightnessLevel(pixel) > threshold)
                    line[x] = boardColor;
                continue;
            }
            QColor color = QColor::fromRgba(pixel);
            int hue = 0;
            int saturation = 0;
            int value = 0;
            int alpha = 0;
            color.getHsv(&hue, &saturation, &value, &alpha);
            color.setHsv(hue, qMin(255, saturation + 60), value, alpha);
            line[x] = color.rgba();
        }
    }
    // Keep the photo's own format unless it is a palette one that could not hold the colours.
    if (source.depth() >= 16 && source.format() != image.format())
        image = image.convertToFormat(source.format());
    return QPixmap::fromImage(image);
}
