// Drawing on PDF pages and exporting them.
// 1. Pen ink: a 2,000-event pressure stroke fed as tablet events into a shown PDF board and into
//    a whiteboard of the same page size; prints the median and 99th-percentile cost of one move
//    event, painting included, for both and their ratio.
// 2. Export: a 100-page PDF with a pen stroke on every page written by the "导出PDF" dialog's
//    writer; prints the seconds, the peak resident memory and the output size.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScrollArea>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <QtMath>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"
#include "pdf/pdfwriter.h"

#include "benchpdf.h"
#include "benchstats.h"
#include "benchtablet.h"
#include "pdffixtures.h"

namespace {
const int eventCount = 2000;
const int exportPages = 100;

// Handwriting-like loops drifting across an A4 page of 840 x 1188 pixels.
std::vector<Sample> strokePath(const QPointF &origin)
{
    std::vector<Sample> samples;
    samples.reserve(eventCount);
    for (int i = 0; i < eventCount; ++i) {
        const double t = i / double(eventCount);
        const double loop = i * 0.21;
        samples.push_back({origin + QPointF(60 + t * 700 + 30 * qCos(loop),
                                            500 + 300 * qSin(t * 9.0) + 30 * qSin(loop)),
                           0.35 + 0.3 * qSin(i * 0.05)});
    }
    return samples;
}

void printCosts(const char *name, const std::vector<double> &costs)
{
    std::printf("  %-24s mean %.4f ms   median %.4f ms   p99 %.4f ms\n", name, mean(costs),
                median(costs), percentile(costs, 0.99));
}

long peakResidentMb()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The document as a PDF tab shows it: A4 pages of 840 x 1188 pixels in the scroll area.
PdfCanvas *openBoard(QScrollArea &area, const QString &path, const QString &stateDir,
                     PaintProperty *property)
{
    PdfCanvas *pdf = openPdfInArea(area, path, stateDir, property, 4.0, 0);
    if (!pdf)
        return nullptr;
    area.show();
    QApplication::processEvents();
    return pdf;
}

void penInk(const QString &pdfPath)
{
    std::printf("Pen ink, cost of one move event (%d events):\n", eventCount);
    PaintProperty property;
    property.paintTool = PaintTool::Pen;
    property.lineBoldSize = 4;
    property.foreColor = QStringLiteral("#2040a0");

    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    canvas.loadPages({QSize(840, 1188)}, {QPixmap()});
    canvas.setZoom(1.0);
    canvas.resize(840, 1188);
    canvas.show();
    QApplication::processEvents();
    const std::vector<double> white = strokeCosts(&canvas, strokePath(QPointF(0, 0)));
    canvas.hide();

    QScrollArea area;
    area.resize(900, 1250);
    PdfCanvas *pdf = openBoard(area, pdfPath, QDir::tempPath(), &property);
    if (!pdf)
        return;
    const std::vector<double> onPdf =
        strokeCosts(pdf, strokePath(QPointF(0, pdf->pageTops().at(0))));
    printCosts("whiteboard page", white);
    printCosts("PDF page", onPdf);
    std::printf("  PDF / whiteboard median  %.2f\n", median(onPdf) / std::max(1e-9, median(white)));
}

void exportDocument(const QString &pdfPath, const QString &folder)
{
    std::printf("Export of a %d-page annotated PDF:\n", exportPages);
    PaintProperty property;
    QScrollArea area;
    area.resize(900, 700);
    PdfCanvas *pdf = openBoard(area, pdfPath, folder, &property);
    if (!pdf)
        return;
    // A recorded pen stroke on every page.
    const std::vector<Sample> path = strokePath(QPointF(0, 0));
    for (PdfPageData *page : pdf->pageList()) {
        auto *stroke = new PaintData(page);
        stroke->type = PaintTool::Pen;
        stroke->active = true;
        stroke->closed = true;
        stroke->width = 4;
        stroke->color = QStringLiteral("#2040a0");
        for (size_t i = 0; i < path.size(); i += 4) {
            stroke->points << path[i].at;
            stroke->values << 2.0 + 3 * path[i].pressure;
        }
        page->history << stroke;
    }
    const long before = peakResidentMb();
    PDFWriter writer;
    writer.prepare(QStringLiteral("book.pdf"), 2, pdf, folder);
    QElapsedTimer timer;
    timer.start();
    const bool ok = writer.writePdf(writer.outputPath());
    const double seconds = timer.elapsed() / 1000.0;
    std::printf("  written %s in %.2f s, peak resident %ld MB (before export %ld MB), %.1f MB\n",
                ok ? "fully" : "NOT", seconds, peakResidentMb(), before,
                QFileInfo(writer.outputPath()).size() / 1048576.0);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one.pdf"));
    const QString book = dir.filePath(QStringLiteral("book-source.pdf"));
    if (!writeTestPdf(one, a4Pages(1)) || !writeTestPdf(book, a4Pages(exportPages)))
        return 1;
    penInk(one);
    exportDocument(book, dir.path());
    return 0;
}
