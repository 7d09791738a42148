#include "platform/pdfannotationscan.h"

// Owning pointers throughout, as the library recommends.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QDir>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

// Annotations a reader keeps off the screen.
constexpr int offScreen = an_no_view | an_hidden | an_invisible;

bool isWidget(QPDFAnnotationObjectHelper &annotation)
{
    return annotation.getSubtype() == "/Widget";
}

// The renderer skips widgets and NoView or hidden annotations, and draws a link only through
// its appearance.
bool drawnByRenderer(QPDFAnnotationObjectHelper &annotation)
{
    if (isWidget(annotation) || (annotation.getFlags() & (an_no_view | an_hidden)))
        return false;
    if (annotation.getSubtype() == "/Link")
        return annotation.getObjectHandle().getKey("/AP").isDictionary();
    return true;
}

// The file's own document shows what a reader shows unless it has widgets, which the renderer
// does not draw, or invisible annotations, which it does.
bool needsScreenCopy(std::vector<QPDFPageObjectHelper> &pages)
{
    for (QPDFPageObjectHelper &page : pages) {
        for (QPDFAnnotationObjectHelper &annotation : page.getAnnotations()) {
            if (isWidget(annotation) ||
                (drawnByRenderer(annotation) && (annotation.getFlags() & an_invisible)))
                return true;
        }
    }
    return false;
}

// Only the form widgets become page content: the other annotations stay annotations, which the
// renderer draws as it draws those of any file, and those kept off the screen go.
void flattenFormWidgets(QPDF &pdf, std::vector<QPDFPageObjectHelper> &pages)
{
    // Fields marked as needing appearances get them made first (text and choice fields: their
    // value in the field's font; no background or border of their own).
    QPDFAcroFormDocumentHelper(pdf).generateAppearancesIfNeeded();
    std::vector<std::vector<QPDFObjectHandle>> setAside(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        QPDFObjectHandle page = pages[i].getObjectHandle();
        if (!page.getKey("/Annots").isArray())
            continue;
        std::vector<QPDFObjectHandle> widgets;
        for (QPDFAnnotationObjectHelper &annotation : pages[i].getAnnotations()) {
            if (isWidget(annotation))
                widgets.push_back(annotation.getObjectHandle());
            else if (!(annotation.getFlags() & offScreen))
                setAside[i].push_back(annotation.getObjectHandle());
        }
        page.replaceKey("/Annots", QPDFObjectHandle::newArray(widgets));
    }
    QPDFPageDocumentHelper(pdf).flattenAnnotations(0, offScreen);
    for (size_t i = 0; i < pages.size(); ++i) {
        QPDFObjectHandle page = pages[i].getObjectHandle();
        QPDFObjectHandle left = page.getKey("/Annots");
        std::vector<QPDFObjectHandle> annotations;
        if (left.isArray())
            annotations = left.getArrayAsVector();
        annotations.insert(annotations.end(), setAside[i].begin(), setAside[i].end());
        if (annotations.empty())
            page.removeKey("/Annots");
        else
            page.replaceKey("/Annots", QPDFObjectHandle::newArray(annotations));
    }
}

// A file in the temporary folder that has no name there: it goes with its last descriptor, also
// when the program dies. -1 when none can be made.
int unnamedTemporaryFile()
{
    const QByteArray folder = QFile::encodeName(QDir::tempPath());
    int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // File systems without unnamed files: named for a moment.
    QByteArray name = folder + "/qb-pdf-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(name.constData());
    return fd;
}

// The document written whole into a file without a name. Compressed streams (the pictures of a
// scanned book) are copied as they are; the encryption is kept.
std::unique_ptr<QFile> writeCopy(QPDF &pdf, const std::atomic<bool> *cancelled)
{
    const int fd = unnamedTemporaryFile();
    if (fd < 0)
        return nullptr;
    auto copy = std::make_unique<QFile>();
    if (!copy->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    const int writing = dup(fd);
    FILE *out = writing >= 0 ? fdopen(writing, "wb") : nullptr;
    if (!out) {
        if (writing >= 0)
            ::close(writing);
        return nullptr;
    }
    QPDFWriter writer(pdf);
    writer.setOutputFile("copy", out, true);
    writer.registerProgressReporter(
        std::make_shared<QPDFWriter::FunctionProgressReporter>([cancelled](int) {
            if (cancelled && *cancelled)
                throw std::runtime_error("cancelled");
        }));
    writer.write();
    return copy->size() > 0 ? std::move(copy) : nullptr;
}

} // namespace

PdfAnnotationScan scanPdfAnnotations(const QString &file, const QString &password,
                                     const std::atomic<bool> *cancelled)
{
    PdfAnnotationScan scan;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(file).constData(), password.toUtf8().constData());
        QPDFPageDocumentHelper pageHelper(pdf);
        std::vector<QPDFPageObjectHelper> pages = pageHelper.getAllPages();
        if (needsScreenCopy(pages)) {
            flattenFormWidgets(pdf, pages);
            scan.onScreen = writeCopy(pdf, cancelled);
            if (!scan.onScreen)
                return PdfAnnotationScan();
            pages = pageHelper.getAllPages();
        }
        scan.drawsAnnotations.reserve(int(pages.size()));
        for (QPDFPageObjectHelper &page : pages) {
            bool draws = false;
            for (QPDFAnnotationObjectHelper &annotation : page.getAnnotations())
                draws = draws || drawnByRenderer(annotation);
            scan.drawsAnnotations.append(draws);
        }
        scan.read = !(cancelled && *cancelled);
    } catch (const std::exception &) {
        return PdfAnnotationScan();
    }
    return scan.read ? std::move(scan) : PdfAnnotationScan();
}
