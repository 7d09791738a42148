#include "platform/qpdfium.h"

#include <QPdfDocument>

QPdfium::QPdfium() = default;

QPdfium::~QPdfium() = default;

int QPdfium::loadFile(const QString &file, const QString &password)
{
    // A fresh document per load: pages handed out earlier keep the old one alive.
    document = std::make_shared<QPdfDocument>();
    loadedPages = 0;
    loaded = false;
    pointSizes.clear();
    document->setPassword(password);
    const QPdfDocument::DocumentError error = document->load(file);
    switch (error) {
        case QPdfDocument::NoError:
            loaded = true;
            loadedPages = qMax(0, document->pageCount());
            // Kept, so that asking for a size never waits for a page being rendered on another
            // thread (the library renders one page at a time).
            pointSizes.reserve(loadedPages);
            for (int i = 0; i < loadedPages; ++i)
                pointSizes.append(document->pageSize(i));
            return Success;
        case QPdfDocument::FileNotFoundError:
            return NotFoundError;
        case QPdfDocument::InvalidFileFormatError:
            return FormatError;
        case QPdfDocument::IncorrectPasswordError:
            return PasswordError;
        case QPdfDocument::DataNotYetAvailableError:
            return FileError;
        default:
            return UnknownError;
    }
}

bool QPdfium::isValid() const
{
    return document && loaded;
}

int QPdfium::pageCount() const
{
    return isValid() ? loadedPages : 0;
}

QSizeF QPdfium::pageSize(int page) const
{
    if (!isValid() || page < 0 || page >= pointSizes.size())
        return QSizeF(-1, -1);
    return pointSizes.at(page);
}

QPdfiumPage QPdfium::page(int page) const
{
    const QSizeF points = pageSize(page);
    if (points.width() <= 0 || points.height() <= 0)
        return QPdfiumPage();
    return QPdfiumPage(document, page, points);
}
