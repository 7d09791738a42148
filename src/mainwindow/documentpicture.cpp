#include "mainwindow/documentpicture.h"

#include <QImageReader>

#include "app/filesystem.h"
#include "drawing/pagelimits.h"

QImage readDocumentPicture(const QString &path)
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

QString pictureInfo(const QImage &image)
{
    return QString::number(image.depth()) + QStringLiteral("位 ") + QString::number(image.width()) +
           QStringLiteral("×") + QString::number(image.height());
}
