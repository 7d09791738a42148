#pragma once

#include <QImage>
#include <QString>

// Reads the picture of a picture document. A picture larger than a board page may be is decoded
// straight at the page size (at most maximumPageSide on its longer side), so that a huge photo
// never sits whole in memory. Null when the file does not decode. ownSize, when given, receives
// the picture's own size.
QImage readDocumentPicture(const QString &path, QSize *ownSize = nullptr);

// The title of a picture opened while n tabs already show it: Photo.JPG, then Photo(1).jpg.
QString pictureTabTitle(const QString &path, int n);

// The document information of a picture: its bit depth and own size, "32位 6000×4000", however
// small the page it was read into.
QString pictureInfo(const QImage &image, const QSize &ownSize);
