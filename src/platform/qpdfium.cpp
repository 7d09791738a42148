#include "platform/qpdfium.h"

#include <QCoreApplication>
#include <QPdfDocument>
#include <QThread>
#include <QThreadPool>
#include <atomic>

#include "platform/pdfannotationscan.h"

struct QPdfium::ScanJob
{
    std::atomic<bool> cancelled{false};
    // Its document while it waits for the scan; null once it stopped waiting (window thread).
    QPdfium *owner = nullptr;
    // The scan's answer, written on its thread before it is handed over.
    bool read = false;
    QVector<bool> drawsAnnotations;
    std::shared_ptr<QPdfDocument> onScreen;
};

namespace {

// A document read from a file of its own, which lives as long as it does.
struct DocumentInFile
{
    explicit DocumentInFile(std::unique_ptr<QFile> source)
        : file(std::move(source))
    {}
    std::unique_ptr<QFile> file;
    QPdfDocument document;
};

// The scan's copy as a document of the window's thread; null when it does not open as the same
// document.
std::shared_ptr<QPdfDocument> openCopy(std::unique_ptr<QFile> file, const QString &password,
                                       int pageCount, QThread *window)
{
    auto copy = std::make_shared<DocumentInFile>(std::move(file));
    copy->document.setPassword(password);
    copy->document.load(copy->file.get());
    if (copy->document.error() != QPdfDocument::NoError || copy->document.pageCount() != pageCount)
        return nullptr;
    copy->file->moveToThread(window);
    copy->document.moveToThread(window);
    return std::shared_ptr<QPdfDocument>(copy, &copy->document);
}

} // namespace

QPdfium::QPdfium() = default;

QPdfium::~QPdfium()
{
    cancelScan();
}

int QPdfium::loadFile(const QString &file, const QString &password)
{
    // A fresh document per load: pages handed out earlier keep the old one alive.
    cancelScan();
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
    // Every page takes the annotation pass until the scan tells which need it.
    annotatedPages.fill(true, loadedPages);
    // The application outlives every scan: it waits for them as it ends.
    QObject *app = QCoreApplication::instance();
    if (!app)
        return;
    auto job = std::make_shared<ScanJob>();
    job->owner = this;
    scanJob = job;
    const int pages = loadedPages;
    // The whole file is read, and a form's copy written: never on the window's thread.
    QThreadPool::globalInstance()->start([job, file, password, pages, app] {
        PdfAnnotationScan scan = scanPdfAnnotations(file, password, &job->cancelled);
        job->read = scan.read && scan.drawsAnnotations.size() == pages;
        job->drawsAnnotations = scan.drawsAnnotations;
        if (job->read && scan.onScreen) {
            job->onScreen = openCopy(std::move(scan.onScreen), password, pages, app->thread());
            job->read = job->onScreen != nullptr;
        }
        QMetaObject::invokeMethod(
            app,
            [job] {
                if (job->owner)
                    job->owner->takeAnnotations(*job);
            },
            Qt::QueuedConnection);
    });
}

void QPdfium::takeAnnotations(const ScanJob &job)
{
    scanJob.reset();
    // A file that could not be read this way shows as it is.
    if (!job.read)
        return;
    annotatedPages = job.drawsAnnotations;
    if (!job.onScreen)
        return;
    // The copy takes the file's place: one document is held, not two.
    document = job.onScreen;
    if (pagesChanged)
        pagesChanged();
}

void QPdfium::cancelScan()
{
    if (!scanJob)
        return;
    scanJob->cancelled = true;
    scanJob->owner = nullptr;
    scanJob.reset();
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
