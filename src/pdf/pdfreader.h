#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "platform/qpdfium.h"

// One PDF document for the rest of the program: opens the file (asking once for a password),
// names the failure, labels the pages for the page chooser, works out the pixel size of every
// usable page on this screen and renders pages.
class PDFReader : public QObject
{
    Q_OBJECT
public:
    // Asks for a document password; false when the user cancels.
    using PasswordAsker = std::function<bool(QString *password)>;

    explicit PDFReader(QObject *parent = nullptr);

    // The password question of every reader; an empty asker restores the input dialog.
    static void setPasswordAsker(PasswordAsker asker);

    // Pages whose width or height in pixels is below this are not usable.
    void setMinimumPageSize(int side) { minimumSide = side; }
    // Screen figures used for the page sizes; 0 and -1 take them from the screen.
    void setScreenMetrics(double pixelsPerMillimetre, int fitLimit);

    // True when the document opened and has at least one page.
    bool load(const QString &path);
    // The status before any load; after one, a QPdfium::Status.
    static constexpr int notLoaded = -1;
    int status() const { return loadStatus; }
    QString statusText() const;
    QString errorText() const;
    QString path() const { return loadedPath; }

    // One label per usable page ("第 N 页" with its PDF page number) and the usable-page index
    // each label stands for.
    const QStringList &pageLabels() const { return labels; }
    const QList<int> &pageLabelIndexes() const { return labelIndexes; }
    const QList<QSize> &pageSizes() const { return sizes; }
    const QList<int> &pageNumbers() const { return numbers; }
    int usablePageCount() const { return sizes.size(); }
    int pdfPageCount() const { return pageTotal; }
    int minPageWidth() const { return minWidth; }
    int minPageHeight() const { return minHeight; }
    int maxPageWidth() const { return maxWidth; }
    int maxPageHeight() const { return maxHeight; }
    double pixelsPerPoint() const { return pointScale; }

    // The page of PDF page number pdfPage on white paper; at scale 1 a usable page has its size
    // from pageSizes. Null when nothing is loaded or the page does not exist.
    QImage pageImage(int pdfPage, double scale) const;
    // The same page as a shareable handle, for rendering away from the reader.
    QPdfiumPage page(int pdfPage) const { return document.page(pdfPage); }
    // Whether the annotations are still being read after the load: until then the pages show
    // without their form fields.
    bool readingAnnotations() const { return document.isReadingAnnotations(); }
    // Called when the pages came to show otherwise (their form fields drawn): pages rendered
    // before are out of date.
    void setPagesChanged(std::function<void()> changed)
    {
        document.setPagesChanged(std::move(changed));
    }
    // The pixel size of pdfPage at scale 1 (a null size when it is not usable).
    QSize pixelSizeOf(int pdfPage) const;

    void reset();
    void buildPageLabels();
    void computePageSizes();

private:
    bool askPassword(QString *password) const;

    QPdfium document;
    QStringList labels;
    QList<int> labelIndexes;
    int loadStatus = notLoaded;
    QString loadedPath;
    QString password;
    QString message;
    int pageTotal = 0;
    int minimumSide = 0;
    int minWidth = 0;
    int minHeight = 0;
    int maxWidth = 0;
    int maxHeight = 0;
    double pointScale = 0.0;
    QList<QSize> sizes;
    QList<int> numbers;
    // Usable-page index of each PDF page, -1 for pages left out.
    QVector<int> usableIndex;
    double screenPixelsPerMm = 0.0;
    int screenFitLimit = -1;
};
