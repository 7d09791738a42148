#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <memory>

class QPdfDocument;

// One page of a loaded document. It shares the document, so it stays safe to render after the
// document object that gave it is gone.
class QPdfiumPage
{
public:
    QPdfiumPage() = default;
    QPdfiumPage(std::shared_ptr<QPdfDocument> document, int page, const QSizeF &points,
                bool annotations = true);

    bool isValid() const;
    QSizeF pageSize() const { return points; }
    // The page at scale pixels per point, on opaque white; null when the page is not valid.
    QImage image(double scale) const;
    // The page drawn into exactly size pixels, on opaque white.
    QImage image(const QSize &size) const;

private:
    std::shared_ptr<QPdfDocument> document;
    int number = -1;
    QSizeF points;
    bool annotations = true;
};
