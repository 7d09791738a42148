#include "platform/qpdfium.h"

#include <QBuffer>
#include <QPdfDocument>

#include "platform/pdfannotationscan.h"

namespace {

// A document read from bytes in memory, which live as long as it does.
struct DocumentInMemory
{
    explicit DocumentInMemory(const QByteArray &data)
        : bytes(data)
        , buffer(&bytes)
    {}
    QByteArray bytes;
    QBuffer buffer;
    QPdfDocument document;
};

// The document shown from the scan's copy with the form widgets drawn; null when there is none
// or it does not open as the same document.
std::shared_ptr<QPdfDocument> withFormsDrawn(const PdfAnnotationScan &scan, const QString &password,
                                             int pageCount)
{
    if (scan.withFormsDrawn.isEmpty())
        return nullptr;
    auto copy = std::make_shared<DocumentInMemory>(scan.withFormsDrawn);
    if (!copy->buffer.open(QIODevice::ReadOnly))
        return nullptr;
    copy->document.setPassword(password);
    copy->document.load(&copy->buffer);
    if (copy->document.error() != QPdfDocument::NoError || copy->document.pageCount() != pageCount)
        return nullptr;
    return std::shared_ptr<QPdfDocument>(copy, &copy->document);
}

} // namespace

QPdfium::QPdfium() = default;

QPdfium::~QPdfium() = default;

int QPdfium::loadFile(const QString &file, const QString &password)
{
    // A fresh document per load: pages handed out earlier keep the old one alive.
    document = std::make_shared<QPdfDocument>();
    loadedPages = 0;
    loaded = false;
    pointSizes.clear();
    annotatedPages.clear();
    document->setPassword(password);
    const QPdfDocument::DocumentError error = document->load(file);
    switch (error) {
        case QPdfDocument::NoError:
            loaded = true;
            loadedPages = qMax(0, document->pageCount());
            readAnnotations(file, password);
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

void QPdfium::readAnnotations(const QString &file, const QString &password)
{
    const PdfAnnotationScan scan = scanPdfAnnotations(file, password);
    if (!scan.read || scan.drawsAnnotations.size() != loadedPages) {
        annotatedPages.fill(true, loadedPages);
        return;
    }
    annotatedPages = scan.drawsAnnotations;
    if (std::shared_ptr<QPdfDocument> forms = withFormsDrawn(scan, password, loadedPages))
        document = std::move(forms);
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
    return QPdfiumPage(document, page, points, annotatedPages.value(page, true));
}
