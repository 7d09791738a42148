#include "platform/pdfannotationscan.h"

// Owning pointers throughout, as the library recommends.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <exception>

namespace {

// Widgets are never drawn by the renderer, and a link is drawn only through its appearance.
bool drawnByRenderer(QPDFAnnotationObjectHelper &annotation)
{
    const std::string subtype = annotation.getSubtype();
    if (subtype == "/Widget")
        return false;
    if (subtype == "/Link")
        return annotation.getObjectHandle().getKey("/AP").isDictionary();
    return true;
}

bool hasWidgets(std::vector<QPDFPageObjectHelper> &pages)
{
    for (QPDFPageObjectHelper &page : pages) {
        for (QPDFAnnotationObjectHelper &annotation : page.getAnnotations("/Widget")) {
            (void)annotation;
            return true;
        }
    }
    return false;
}

} // namespace

PdfAnnotationScan scanPdfAnnotations(const QString &file, const QString &password)
{
    PdfAnnotationScan scan;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(file).constData(), password.toUtf8().constData());
        QPDFPageDocumentHelper pageHelper(pdf);
        std::vector<QPDFPageObjectHelper> pages = pageHelper.getAllPages();
        if (hasWidgets(pages)) {
            // Fields marked as needing appearances get them made first (text and choice
            // fields: their value in the field's font; no background or border of their own).
            QPDFAcroFormDocumentHelper(pdf).generateAppearancesIfNeeded();
            pageHelper.flattenAnnotations();
            QPDFWriter writer(pdf);
            writer.setOutputMemory();
            writer.write();
            const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
            scan.withFormsDrawn = QByteArray(reinterpret_cast<const char *>(bytes->getBuffer()),
                                             int(bytes->getSize()));
            pages = pageHelper.getAllPages();
        }
        scan.drawsAnnotations.reserve(int(pages.size()));
        for (QPDFPageObjectHelper &page : pages) {
            bool draws = false;
            for (QPDFAnnotationObjectHelper &annotation : page.getAnnotations())
                draws = draws || drawnByRenderer(annotation);
            scan.drawsAnnotations.append(draws);
        }
        scan.read = true;
    } catch (const std::exception &) {
        return PdfAnnotationScan();
    }
    return scan;
}
