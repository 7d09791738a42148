#pragma once

#include <QSizeF>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

#include "platform/qpdfiumpage.h"

class QPdfDocument;

// One PDF document of the rendering library, over Qt's PDF module. Status numbers of loadFile:
// 0 opened, 1 file error, 2 format error, 3 password needed or wrong, 4 handle error, 5 file not
// found, 6 anything else. The file's annotations are read on a thread of their own after the
// load: until then its pages show as the file has them, without form fields.
class QPdfium
{
public:
    enum Status : int {
        Success = 0,
        FileError = 1,
        FormatError = 2,
        PasswordError = 3,
        HandleError = 4,
        NotFoundError = 5,
        UnknownError = 6,
    };

    QPdfium();
    ~QPdfium();
    QPdfium(const QPdfium &) = delete;
    QPdfium &operator=(const QPdfium &) = delete;

    int loadFile(const QString &file, const QString &password);
    bool isValid() const;
    int pageCount() const;
    // Size in points; (-1, -1) for a page that does not exist.
    QSizeF pageSize(int page) const;
    QPdfiumPage page(int page) const;

    // Whether the annotations of the last load are still being read.
    bool isReadingAnnotations() const { return scanJob != nullptr; }
    // Called on this thread when the pages came to show otherwise: the document with its form
    // fields drawn took the file's place. Pages given out before show the file as it is.
    void setPagesChanged(std::function<void()> changed) { pagesChanged = std::move(changed); }

private:
    struct ScanJob;
    // Which pages need the annotation pass, and the document as a reader shows it, read aside.
    void readAnnotations(const QString &file, const QString &password);
    void takeAnnotations(const ScanJob &job);
    void cancelScan();

    std::shared_ptr<QPdfDocument> document;
    std::shared_ptr<ScanJob> scanJob;
    std::function<void()> pagesChanged;
    bool loaded = false;
    int loadedPages = 0;
    QVector<QSizeF> pointSizes;
    // Per page: rendered with the annotation pass.
    QVector<bool> annotatedPages;
};
