#include "documents/documentpicture.h"

#include <QImageReader>

#include "base/filesystem.h"
#include "drawing/pagelimits.h"

QImage readDocumentPicture(const QString &path, QSize *ownSize)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid()) {
        const QSize limited = limitedPageSize(size);
        if (limited != size)
            reader.setScaledSize(limited);
    }
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (ownSize)
        *ownSize = size.isValid() ? size : image.size();
    // Formats that do not tell their size up front are scaled after decoding.
    const QSize limited = limitedPageSize(image.size());
    if (limited != image.size())
        image = image.scaled(limited, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QString pictureTabTitle(const QString &path, int n)
{
    if (n > 0)
        return FileSystem::completeBaseName(path) + QStringLiteral("(") + QString::number(n) +
               QStringLiteral(").") + FileSystem::lowerSuffix(path);
    return FileSystem::fileName(path);
}

QString pictureInfo(const QImage &image, const QSize &ownSize)
{
    return QString::number(image.depth()) + QStringLiteral("位 ") +
           QString::number(ownSize.width()) + QStringLiteral("×") +
           QString::number(ownSize.height());
}
