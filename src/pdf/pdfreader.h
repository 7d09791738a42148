#pragma once

#include <QImage>
#include <QObject>
#include <QString>

// Reads the pages of a PDF file. This first form loads nothing: every load fails and every page
// image is null, so the callers' failure paths are the ones taken.
class PDFReader : public QObject
{
    Q_OBJECT
public:
    explicit PDFReader(QObject *parent = nullptr);

    // The smallest page side that counts as a usable page.
    void setMinimumPageSize(int pixels) { minimumPageSize = pixels; }
    // True when the document opened and has pages.
    bool load(const QString &path);
    // The rendered page; null when nothing is loaded or the index is out of range.
    QImage pageImage(int index, double scale) const;

private:
    int minimumPageSize = 0;
};
