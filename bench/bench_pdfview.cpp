// A 600-page text PDF in a PDF board: time to the first shown page, the cost of each newly shown
// page while scrolling through every page (on the GUI thread), the longest single scroll step,
// zoom steps and peak resident memory; beside them, a raw render of the same pages at the same
// size and the set-up of a page's layers. Pages are laid out as on a 1920-pixel screen.
// Then a scanned PDF (six 300 dpi colour pages of 2550 x 3509 pixels, JPEG): the longest gap
// between two repaints of the board while it scrolls through the pages at a steady pace and
// while it zooms in and out, with the event loop running as in the window. Last, the reader's
// page against the PDF module's own render of the same pages and pixels, on the scans and on a
// 36-page text manual.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <malloc.h>
#include <cstdio>
#include <functional>

#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"
#include "pdf/pdfreader.h"

#include "benchpdf.h"
#include "benchstats.h"
#include "pdffixtures.h"

namespace {

constexpr int pageCount = 600;
constexpr int fitLimit = 1500;

bool writeTextBook(const QString &path, int pages = pageCount)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(40, 40, 40, 40), QPageLayout::Point);
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    const QString line = QStringLiteral(
        "The quick brown fox jumps over the lazy dog; 光合作用把光能转化为化学能。 %1");
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int row = 0; row < 60; ++row)
            painter.drawText(0, 14 * row + 12, line.arg(page * 60 + row));
    }
    return painter.end();
}

constexpr int scanWidth = 2550;
constexpr int scanHeight = 3509;
constexpr int scanPages = 6;

// Colour "scans": smooth tones, noise and dark text-like bars, drawn at 300 dpi and stored by the
// PDF writer as JPEG.
bool writeScans(const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QSizeF(scanWidth * 72.0 / 300, scanHeight * 72.0 / 300),
                                 QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    quint32 seed = 12345;
    for (int page = 0; page < scanPages; ++page) {
        if (page > 0)
            writer.newPage();
        QImage scan(scanWidth, scanHeight, QImage::Format_RGB32);
        for (int y = 0; y < scanHeight; ++y) {
            auto *line = reinterpret_cast<QRgb *>(scan.scanLine(y));
            const bool bar = (y / 40) % 3 == 0 && y > 300 && y < scanHeight - 300;
            for (int x = 0; x < scanWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 27) - 16;
                const int tone = bar && x > 250 && x < scanWidth - 250 && (x / 23) % 4 != 0
                                     ? 40
                                     : 230 - (x + y + 400 * page) % 60;
                line[x] = qRgb(qBound(0, tone + noise, 255), qBound(0, tone - 10 + noise, 255),
                               qBound(0, tone - 25 + (x * 50) / scanWidth + noise, 255));
            }
        }
        painter.drawImage(QRect(0, 0, scanWidth, scanHeight), scan);
    }
    return painter.end();
}

qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Gap
{
    qint64 longest = 0;
    // The GUI thread's own processor time in its longest gap: the rest of a gap is time the
    // machine gave to other threads and programs.
    qint64 busiest = 0;
};

// The longest time between two paints of watched while run steps through its work, one step
// each interval milliseconds, with the event loop running; run gives false when done.
Gap longestPaintGap(QWidget *watched, int interval, const std::function<bool()> &run)
{
    struct Watch : QObject
    {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 lastCpu = threadCpuNs();
        bool running = true;
        Gap gap;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && running) {
                const qint64 now = clock.nsecsElapsed();
                const qint64 cpu = threadCpuNs();
                gap.longest = qMax(gap.longest, now - last);
                gap.busiest = qMax(gap.busiest, cpu - lastCpu);
                last = now;
                lastCpu = cpu;
            }
            return false;
        }
    } watch;
    watch.clock.start();
    watched->installEventFilter(&watch);
    QEventLoop loop;
    QTimer pace;
    pace.setInterval(interval);
    pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pace, &QTimer::timeout, &loop, [&] {
        if (!run()) {
            pace.stop();
            watch.running = false;
            // The last pages' renders arrive and are painted.
            QTimer::singleShot(600, &loop, &QEventLoop::quit);
        }
    });
    pace.start();
    loop.exec();
    watched->removeEventFilter(&watch);
    return watch.gap;
}

// The peak resident memory, or another figure of /proc/self/status in KB.
qint64 peakResidentKb(const QByteArray &field = "VmHWM:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &l : lines) {
        if (l.startsWith(field))
            return l.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double ms(qint64 ns)
{
    return ns / 1e6;
}

int cachedPages(const PdfCanvas &pdf)
{
    int n = 0;
    for (const PdfPageData *page : pdf.pageList())
        n += page->layer1.isNull() ? 0 : 1;
    return n;
}

qint64 processCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The reader's page against the library's own render of the same page at the same pixel size,
// taken in turns (each first every other turn), page by page: the sum of each page's median
// time as one waits for it, and the processor time of all threads (the reader may lay the
// paper on white on several).
void readerAgainstLibrary(const char *what, const QString &path, int turns)
{
    PDFReader reader;
    reader.setScreenMetrics(96 / 25.4, fitLimit);
    QPdfDocument library;
    if (!reader.load(path) || library.load(path) != QPdfDocument::NoError) {
        std::printf("%s: could not open the document\n", what);
        return;
    }
    double libraryTime = 0, readerTime = 0, libraryCpu = 0, readerCpu = 0;
    for (int page = 0; page < reader.pdfPageCount(); ++page) {
        const QSize size = reader.pixelSizeOf(page);
        QVector<double> times[2], cpu[2];
        for (int turn = 0; turn < 2 * turns; ++turn) {
            const int which = (turn + turn / 2) % 2;
            QElapsedTimer clock;
            const qint64 startCpu = processCpuNs();
            clock.start();
            const QImage image =
                which == 0 ? library.render(page, size) : reader.pageImage(page, 1.0);
            times[which] << ms(clock.nsecsElapsed());
            cpu[which] << ms(processCpuNs() - startCpu);
            if (image.size() != size)
                std::printf("%s: page %d rendered at the wrong size\n", what, page + 1);
        }
        libraryTime += median(times[0]);
        readerTime += median(times[1]);
        libraryCpu += median(cpu[0]);
        readerCpu += median(cpu[1]);
    }
    const int pages = reader.pdfPageCount();
    std::printf(
        "%s (%d pages, %d turns, sums of medians): library's render %.2f ms, reader's page "
        "%.2f ms per page (%.3fx); processor time of all threads %.3fx\n",
        what, pages, turns, libraryTime / pages, readerTime / pages, readerTime / libraryTime,
        readerCpu / qMax(1e-9, libraryCpu));
}

// The document at zoom 1 in a view no wider than the fit limit, as the main window shows it;
// null when it does not open.
PdfCanvas *openInArea(QScrollArea &area, const QString &path, const QString &dir,
                      PaintProperty *property)
{
    area.resize(fitLimit + 60, 900);
    area.setWidgetResizable(false);
    area.setAlignment(Qt::AlignHCenter);
    return openPdfInArea(area, path, dir, property, 96 / 25.4, fitLimit);
}
} // namespace

namespace {

constexpr int formBookPages = 200;

// A scanned book of formBookPages pages opened in a view: the time to its first page shown, to
// its form fields drawn (none without a form), and the resident memory it added at its peak
// and once settled, in MB.
struct OpenFigures
{
    double firstPageMs = 0;
    double fieldsMs = 0;
    double peakMb = 0;
    double heldMb = 0;
};

OpenFigures openScannedBook(const QString &path, const QString &dir, PaintProperty *property)
{
    // Each book starts from the memory the system has, not from what the last one left free.
    malloc_trim(0);
    OpenFigures figures;
    resetPeakResident();
    const qint64 before = peakResidentKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    QScrollArea area;
    PdfCanvas *pdf = openInArea(area, path, dir, property);
    if (!pdf)
        return figures;
    // The times of the first paint of the first page's rendering, and of the first one after
    // the fields were drawn.
    struct Paints : QObject
    {
        PdfCanvas *pdf = nullptr;
        QElapsedTimer *timer = nullptr;
        OpenFigures *figures = nullptr;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() != QEvent::Paint || pdf->pageList().at(0)->pageImage.isNull())
                return false;
            if (figures->firstPageMs == 0)
                figures->firstPageMs = ms(timer->nsecsElapsed());
            if (figures->fieldsMs == 0 && !pdf->documentReader().readingAnnotations())
                figures->fieldsMs = ms(timer->nsecsElapsed());
            return false;
        }
    } paints;
    paints.pdf = pdf;
    paints.timer = &timer;
    paints.figures = &figures;
    pdf->installEventFilter(&paints);
    area.show();
    pdf->restoreLastPage();
    while (figures.fieldsMs == 0 && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    pdf->removeEventFilter(&paints);
    // Settled: the scan's memory is given back.
    QTest::qWait(300);
    figures.peakMb = (peakResidentKb() - before) / 1024.0;
    figures.heldMb = (peakResidentKb("VmRSS:") - before) / 1024.0;
    pdf->closeDocument();
    return figures;
}

// The same scanned book with one text field and without it, opened in turn.
void compareFormBook(const QString &dir, PaintProperty *property)
{
    const QString plain = dir + QStringLiteral("/scanned-book.pdf");
    const QString form = dir + QStringLiteral("/scanned-form.pdf");
    if (!writeScannedPdf(plain, formBookPages, false) ||
        !writeScannedPdf(form, formBookPages, true)) {
        std::printf("could not write the scanned books\n");
        return;
    }
    std::printf("\nscanned book: %d image pages, %lld KB; with one text field %lld KB\n",
                formBookPages, QFile(plain).size() / 1024, QFile(form).size() / 1024);
    // Once unmeasured: the first open of a picture book readies the decoders.
    openScannedBook(plain, dir, property);
    const OpenFigures without = openScannedBook(plain, dir, property);
    const OpenFigures with = openScannedBook(form, dir, property);
    for (const auto &row :
         {std::make_pair("without the field", without), std::make_pair("with the field", with)}) {
        std::printf(
            "%s: first page %.1f ms, fields drawn %.1f ms; resident memory added %.0f MB "
            "at its peak, %.0f MB held\n",
            row.first, row.second.firstPageMs, row.second.fieldsMs, row.second.peakMb,
            row.second.heldMb);
    }
    std::printf(
        "with the field against without: first page %.2fx, memory added at its peak "
        "%.2fx\n",
        with.firstPageMs / qMax(0.001, without.firstPageMs),
        with.peakMb / qMax(0.001, without.peakMb));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.pdf"));
    QElapsedTimer timer;
    timer.start();
    if (!writeTextBook(path)) {
        std::printf("could not write the test book\n");
        return 1;
    }
    std::printf("%d-page text PDF written in %.0f ms (%lld KB)\n", pageCount,
                ms(timer.nsecsElapsed()), QFile(path).size() / 1024);
    resetPeakResident();
    const qint64 baseKb = peakResidentKb();

    // Open to the first shown page.
    PaintProperty property;
    QScrollArea area;
    timer.restart();
    PdfCanvas *pdf = openInArea(area, path, dir.path(), &property);
    if (!pdf) {
        std::printf("could not open the book\n");
        return 1;
    }
    const qint64 opened = timer.nsecsElapsed();
    area.show();
    QCoreApplication::processEvents();
    pdf->restoreLastPage();
    area.repaint();
    const qint64 firstShown = timer.nsecsElapsed();
    const QSize pageSize = pdf->documentReader().pageSizes().first();
    std::printf("open: document loaded %.1f ms, first page shown %.1f ms (page %dx%d, %d cached)\n",
                ms(opened), ms(firstShown), pageSize.width(), pageSize.height(), cachedPages(*pdf));

    // Scroll through every page, a third of the view at a time, painting after each step.
    // Only the window's own work is timed.
    QScrollBar *bar = area.verticalScrollBar();
    const int step = area.viewport()->height() / 3;
    int newlyShown = 0;
    int steps = 0;
    qint64 total = 0;
    qint64 caching = 0;
    qint64 longest = 0;
    QVector<bool> seen(pdf->pageCount(), false);
    QElapsedTimer pace;
    for (int v = 0; v <= bar->maximum(); v += step) {
        // One step a frame, as a wheel or a dragged scroll bar gives them.
        while (pace.isValid() && pace.nsecsElapsed() < 16666667)
            QThread::usleep(200);
        pace.start();
        timer.restart();
        bar->setValue(v);
        caching += timer.nsecsElapsed();
        area.viewport()->repaint();
        const qint64 t = timer.nsecsElapsed();
        total += t;
        longest = qMax(longest, t);
        ++steps;
        for (int i : pdf->visiblePageList()) {
            if (!seen.at(i)) {
                seen[i] = true;
                ++newlyShown;
            }
        }
    }
    std::printf(
        "scroll: %d steps of %d px, %d pages shown; per newly shown page %.2f ms of rendering "
        "and layers (%.2f ms with the painting of %.1f steps); painting %.2f ms per step; "
        "longest step %.1f ms; pages cached at the end %d\n",
        steps, step, newlyShown, ms(caching) / qMax(1, newlyShown), ms(total) / qMax(1, newlyShown),
        double(steps) / qMax(1, newlyShown), ms(total - caching) / qMax(1, steps), ms(longest),
        cachedPages(*pdf));
    // Zoom steps in to 1.8 and back out, each painted.
    QVector<double> zooms;
    for (int kind : {1, 2}) {
        for (int i = 0; i < 16; ++i) {
            timer.restart();
            pdf->zoomStep(kind);
            area.viewport()->repaint();
            zooms << ms(timer.nsecsElapsed());
        }
    }
    const double reached = pdf->zoom();
    std::printf(
        "zoom: %d steps (1.0 to 1.8 and back to %.2f), each painted: median %.1f ms, "
        "longest %.1f ms\n",
        int(zooms.size()), reached, median(zooms), maximum(zooms));
    const qint64 peakKb = peakResidentKb();
    std::printf("memory: peak resident %.0f MB (%.0f MB before opening)\n", peakKb / 1024.0,
                baseKb / 1024.0);

    // The same pages rendered straight by the PDF module, and a page's layer set-up.
    QPdfDocument raw;
    raw.load(path);
    timer.restart();
    for (int i = 0; i < raw.pageCount(); ++i)
        raw.render(i, pageSize);
    const double rawPerPage = ms(timer.nsecsElapsed()) / raw.pageCount();
    timer.restart();
    for (int i = 0; i < 100; ++i)
        pdf->documentReader().pageImage(i, 1.0);
    const double readerPerPage = ms(timer.nsecsElapsed()) / 100;
    const QImage sample = raw.render(0, pageSize);
    timer.restart();
    for (int i = 0; i < 50; ++i) {
        QPixmap base(pageSize);
        base.fill(Qt::white);
        QPainter painter(&base);
        painter.drawImage(0, 0, sample);
        painter.end();
        for (int k = 0; k < 3; ++k) {
            QPixmap layer(pageSize);
            layer.fill(Qt::transparent);
        }
    }
    const double setupPerPage = ms(timer.nsecsElapsed()) / 50;
    const double boardPerPage = ms(caching) / qMax(1, newlyShown);
    std::printf("reader's page image %.2f ms per page\n", readerPerPage);
    std::printf(
        "raw render %.2f ms per page, layer set-up %.2f ms, sum %.2f ms; board %.2f ms "
        "(%+.0f%%)\n",
        rawPerPage, setupPerPage, rawPerPage + setupPerPage, boardPerPage,
        100.0 * (boardPerPage / (rawPerPage + setupPerPage) - 1.0));
    pdf->closeDocument();

    // The scanned PDF.
    const QString scans = dir.filePath(QStringLiteral("scans.pdf"));
    timer.restart();
    if (!writeScans(scans)) {
        std::printf("could not write the scans\n");
        return 1;
    }
    std::printf("\nscanned PDF: %d colour pages of %dx%d pixels written in %.0f ms (%lld KB)\n",
                scanPages, scanWidth, scanHeight, ms(timer.nsecsElapsed()),
                QFile(scans).size() / 1024);
    QScrollArea scanArea;
    PdfCanvas *scan = openInArea(scanArea, scans, dir.path(), &property);
    if (!scan) {
        std::printf("could not open the scans\n");
        return 1;
    }
    scanArea.show();
    QCoreApplication::processEvents();
    scan->restoreLastPage();
    QCoreApplication::processEvents();
    const QSize scanSize = scan->documentReader().pageSizes().first();

    QScrollBar *scanBar = scanArea.verticalScrollBar();
    const int scanStep = scanArea.viewport()->height() / 8;
    int value = 0;
    const Gap scrollGap = longestPaintGap(scan, 16, [&] {
        value += scanStep;
        scanBar->setValue(value);
        return value < scanBar->maximum();
    });
    std::printf(
        "scroll: %d px every 16 ms through the %d pages (page %dx%d): longest gap "
        "between repaints %.1f ms (the window's own work in a gap at most %.1f ms)\n",
        scanStep, scanPages, scanSize.width(), scanSize.height(), ms(scrollGap.longest),
        ms(scrollGap.busiest));
    scanBar->setValue(scanBar->maximum() / 2);
    QCoreApplication::processEvents();
    int zoomSteps = 0;
    const Gap zoomGap = longestPaintGap(scan, 16, [&] {
        // In to 1.8, out to 0.55, back to 1.0.
        const int kind = zoomSteps < 16 || zoomSteps >= 41 ? 1 : 2;
        scan->zoomStep(kind);
        return ++zoomSteps < 50;
    });
    std::printf(
        "zoom: %d steps, one every 16 ms as a pinch gives them (1.0 to 1.8 to 0.55 to %.2f): "
        "longest gap "
        "between repaints %.1f ms (own work at most %.1f ms)\n",
        zoomSteps, scan->zoom(), ms(zoomGap.longest), ms(zoomGap.busiest));

    scan->closeDocument();
    compareFormBook(dir.path(), &property);

    // The reader's page against the library's render, with no board rendering meanwhile.
    std::printf("\n");
    readerAgainstLibrary("scanned pages", scans, 3);
    const QString manual = dir.filePath(QStringLiteral("manual.pdf"));
    if (writeTextBook(manual, 36))
        readerAgainstLibrary("text manual", manual, 7);
    return 0;
}
