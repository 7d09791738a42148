#pragma once

#include <QImage>
#include <QString>

// Reads the picture of a picture document. A picture larger than a board page may be is decoded
// straight at the page size (at most maximumPageSide on its longer side), so that a huge photo
// never sits whole in memory. Null when the file does not decode.
QImage readDocumentPicture(const QString &path);

// The title of a picture opened while n tabs already show it: Photo.JPG, then Photo(1).jpg.
QString pictureTabTitle(const QString &path, int n);

// The document information of a picture: "32位 1920×1080".
QString pictureInfo(const QImage &image);
