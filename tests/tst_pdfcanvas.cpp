#include <QTemporaryDir>
#include <QtTest>

#include "drawing/paintdata.h"

#include "pdfboard.h"
#include "pdffixtures.h"

class PdfCanvasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTestPdf(dir.filePath(QStringLiteral("twenty.pdf")), a4Pages(20)));
    }
    // Most tests start with a shown board of twenty A4 pages, 840 x 1188 pixels each.
    void init() { QVERIFY(open(dir.filePath(QStringLiteral("twenty.pdf")))); }
    void cleanup() { board.reset(); }
    void mixedPagesLayoutAndExport();
    void scrollCachesOnlyShownPages();
    void zoomKeepsPositionWithinLimits();
    void rotateAndMirrorKeepPageInView();
    void wheelWithoutCtrlScrolls();
    void stateFileContents();
    void stateKeyTellsChinesePathsApart();
    void firstPageIsPaintedWithoutScroll();
    void badIndexOrClosedDocumentIsSafe();

private:
    QTemporaryDir dir;
    std::unique_ptr<PdfBoard> board;
    bool open(const QString &path, bool show = true)
    {
        board.reset(new PdfBoard(path, dir.path()));
        return board->open(show);
    }
    // A PDF of pages with the given MediaBox sizes in points ("width height").
    QString rawPdf(const QString &name, const QStringList &sizes)
    {
        QStringList pages;
        for (const QString &size : sizes)
            pages << QStringLiteral("/MediaBox [0 0 %1]").arg(size);
        return writeRawPdf(dir.filePath(name), pages) ? dir.filePath(name) : QString();
    }
};

void PdfCanvasTest::mixedPagesLayoutAndExport()
{
    QVERIFY(open(rawPdf("mixed.pdf", {"595.28 841.89", "841.89 595.28", "566.93 566.93"})));
    PdfCanvas *pdf = board->canvas;
    QCOMPARE(pdf->documentReader().pageSizes(),
             QList<QSize>({{840, 1188}, {1188, 840}, {800, 800}}));
    QCOMPARE(pdf->pageTops(), QVector<int>({15, 1218, 2073}));
    QCOMPARE(pdf->size(), QSize(1188, 2888));
    // An exported page is as wide as the widest page, in board colour beside a narrower one, and
    // leaves the view's cache alone.
    QCOMPARE(board->cachedPages(), QList<int>({0}));
    const QImage page = pdf->renderPageImage(2).toImage();
    QCOMPARE(page.size(), QSize(1188, 800));
    QCOMPARE(page.pixel(1000, 400), qRgb(255, 255, 255));
    QCOMPARE(board->cachedPages(), QList<int>({0}));
    // At 1.8 the first top stays; gaps become 27, heights 2138, 1512 and 1440.
    pdf->setZoom(1.8);
    QCOMPARE(pdf->pageTops(), QVector<int>({15, 2180, 3719}));
    QCOMPARE(pdf->size(), QSize(2138, 5174));
}

void PdfCanvasTest::scrollCachesOnlyShownPages()
{
    PdfBoard &b = *board;
    QCOMPARE(b.cachedPages(), b.shownPages());
    // The next page is made ahead but held by its page only once shown.
    b.bar()->setValue(300);
    QVERIFY(b.canvas->isRenderedAhead(1));
    QCOMPARE(b.cachedPages(), QList<int>({0}));
    // The page in view holds the middle of the view; in a gap it is the page above.
    const int half = b.host.area.height() / 2;
    b.bar()->setValue(b.top(5) + 100 - half);
    QCOMPARE(b.host.comboPage, 5);
    QCOMPARE(b.host.rangeCurrent, 6);
    b.bar()->setValue(b.canvas->pageBottoms().at(7) + 7 - half);
    QCOMPARE(b.host.comboPage, 7);
    b.bar()->setValue(b.top(9) + 900);
    QCOMPARE(b.shownPages(), QList<int>({9, 10}));
    QCOMPARE(b.cachedPages(), b.shownPages());
    QVERIFY(b.canvas->hasPageLayers(9) && b.canvas->hasPageLayers(10));
    // After a jump far away nothing of the pages seen before is kept; scrolling up readies the
    // page above, and only a few pages are made ahead.
    b.canvas->scrollToPage(15);
    b.bar()->setValue(b.top(15) - 100);
    QCOMPARE(b.shownPages(), QList<int>({14, 15}));
    QCOMPARE(b.cachedPages(), b.shownPages());
    QVERIFY(b.canvas->isRenderedAhead(13));
    int ready = 0;
    for (int i = 0; i < 20; ++i)
        ready += b.canvas->isRenderedAhead(i) ? 1 : 0;
    QVERIFY(ready <= PageRenderAhead::capacity);
    // A tab switch fills the chooser again and keeps the page.
    const int at = b.bar()->value();
    b.host.comboPage = -1;
    b.canvas->runCommand(BoardCommand::ResetKeyState);
    QCOMPARE(b.host.comboLabels.value(15), QStringLiteral("第 16 页"));
    QCOMPARE(b.host.comboPage, 15);
    QCOMPARE(b.bar()->value(), at);
}

void PdfCanvasTest::zoomKeepsPositionWithinLimits()
{
    const auto zoomIs = [this](double zoom) { return qAbs(board->canvas->zoom() - zoom) < 1e-9; };
    board->bar()->setValue(1000);
    board->canvas->setZoom(1.5);
    QCOMPARE(board->bar()->value(), 1500);
    // A step from 1.07 first goes to the nearest multiple of 0.05; steps stop at 1.8 and 0.55.
    board->canvas->setZoom(1.07);
    board->canvas->zoomStep(1);
    QVERIFY(zoomIs(1.1));
    for (int kind : {1, 2}) {
        for (int i = 0; i < 60; ++i)
            board->canvas->zoomStep(kind);
        QVERIFY(zoomIs(kind == 1 ? 1.8 : 0.55));
    }
    // A page 40 pixels wide is never shown under 30: steps stop at 0.75 (0.7 gives 28), a pinch
    // reaches 0.74 (qRound(29.6) = 30) but not 0.73.
    QVERIFY(open(rawPdf("narrow.pdf", {"595.28 841.89", "28.3465 841.89"}), false));
    for (int i = 0; i < 60; ++i)
        board->canvas->zoomStep(2);
    QVERIFY(zoomIs(0.75));
    for (int i = 0; i < 60; ++i)
        board->canvas->zoomBy(2, 0.01);
    QVERIFY(zoomIs(0.74));
}

void PdfCanvasTest::rotateAndMirrorKeepPageInView()
{
    PdfCanvas *pdf = board->canvas;
    const QSize upright = pdf->size();
    pdf->scrollToPage(6);
    // Turned, the width follows the page height and the black bar along the page's top edge
    // runs down its right side; mirrored and turned back, page 6 stays in view.
    for (int type : {2, 3, 4, 1}) {
        pdf->rotate(type);
        QCOMPARE(pdf->size(), type == 1 ? upright : QSize(1188, upright.height() - 20 * 348));
        QCOMPARE(pdf->currentPageIndex(), 6);
        QCOMPARE(board->bar()->value(), board->top(6));
        QCOMPARE(board->cachedPages(), board->shownPages());
        if (type == 2) {
            const QImage base = board->page(6)->layer1.toImage();
            QCOMPARE(base.size(), QSize(1188, 840));
            QVERIFY(qGray(base.pixel(1180, 400)) < 40);
            QCOMPARE(base.pixel(10, 400), qRgb(255, 255, 255));
        }
    }
    // Drawing forbids rotation; the reset clears it and gives rotation back.
    board->history(2).append(new PaintData);
    QVERIFY(!pdf->canRotate());
    pdf->runCommand(BoardCommand::SetRotateType, 2);
    QCOMPARE(pdf->size(), upright);
    QCOMPARE(board->host.calls.last(), QStringLiteral("rotate 0"));
    pdf->resetDocument();
    QCOMPARE(board->host.calls.last(), QStringLiteral("rotate 1"));
    QVERIFY(pdf->canRotate());
}

void PdfCanvasTest::wheelWithoutCtrlScrolls()
{
    // Regression: the board took every wheel event, so the document never scrolled.
    const QPoint at(200, 200), global = board->canvas->mapToGlobal(at);
    QWheelEvent plain(at, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QVERIFY(QApplication::sendEvent(board->canvas, &plain) == false || !plain.isAccepted());
    QCOMPARE(board->canvas->zoom(), 1.0);
    QWheelEvent zoomIn(at, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                       Qt::NoScrollPhase, false);
    QApplication::sendEvent(board->canvas, &zoomIn);
    QVERIFY(zoomIn.isAccepted());
    QVERIFY(qAbs(board->canvas->zoom() - 1.05) < 1e-9);
}

void PdfCanvasTest::stateFileContents()
{
    const QString twenty = dir.filePath(QStringLiteral("twenty.pdf"));
    const QString state = board->canvas->stateFilePath();
    const QList<QPair<QByteArray, int>> rows = {{"3\n", 3}, {"0", 0},  {"-4", 0},
                                                {"abc", 0}, {"20", 0}, {"", 0}};
    for (const auto &row : rows) {
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(row.first), qint64(row.first.size()));
        file.close();
        QVERIFY(open(twenty));
        board->canvas->restoreLastPage();
        QCOMPARE(board->canvas->currentPageIndex(), row.second);
        QCOMPARE(board->bar()->value(), row.second == 0 ? 0 : board->top(row.second));
    }
}

void PdfCanvasTest::stateKeyTellsChinesePathsApart()
{
    // Regression: the key hashed Latin-1 bytes, so "第三章" and "第五章" became the same "???".
    const auto md5 = [](const QString &path) {
        return QString::fromLatin1(
            QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex());
    };
    const QString third = QStringLiteral("/home/老师/第三章.pdf");
    QVERIFY(PdfCanvas::stateKeyOf(third) !=
            PdfCanvas::stateKeyOf(QStringLiteral("/home/老师/第五章.pdf")));
    QCOMPARE(PdfCanvas::stateKeyOf(third), md5(third));
    // Letter case does not matter; plain paths keep the keys stored before.
    QCOMPARE(PdfCanvas::stateKeyOf(QStringLiteral("/Doc/A.PDF")), md5("/doc/a.pdf"));
    QCOMPARE(PdfCanvas::stateKeyOf(QStringLiteral("/doc/a.pdf")), md5("/doc/a.pdf"));
}

void PdfCanvasTest::firstPageIsPaintedWithoutScroll()
{
    // Regression: pages were rendered only on scroll-bar changes; a document opened on page 1
    // before its tab was shown stayed blank.
    QVERIFY(open(dir.filePath(QStringLiteral("twenty.pdf")), false));
    board->canvas->restoreLastPage();
    board->area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board->area));
    QCOMPARE(board->bar()->value(), 0);
    const QImage shot = board->canvas->grab(QRect(0, 0, 840, 600)).toImage();
    // The black bar along the first page's top edge, its white paper below, the background above.
    QVERIFY(qGray(shot.pixel(400, 15 + 10)) < 40);
    QCOMPARE(shot.pixel(600, 500) & 0xffffff, 0xffffffu);
    QVERIFY(qGray(shot.pixel(400, 5)) < 250);
}

void PdfCanvasTest::badIndexOrClosedDocumentIsSafe()
{
    // Regression: scrollToPage trusted its index; painting used a page after its release.
    PdfCanvas *pdf = board->canvas;
    QSignalSpy asked(pdf, &PdfCanvas::vScrollBarNewValue);
    pdf->scrollToPage(20);
    pdf->scrollToPage(-1);
    QCOMPARE(asked.count(), 0);
    pdf->scrollToPage(19);
    QCOMPARE(asked.count(), 1);
    pdf->closeDocument();
    QCOMPARE(pdf->drawnPage(), nullptr);
    pdf->repaint();
    pdf->runCommand(BoardCommand::ZoomStep, 1);
    pdf->rotate(1);
    pdf->scrollToPage(3);
    QVERIFY(pdf->renderPageImage(0).isNull());
}

QTEST_MAIN(PdfCanvasTest)
#include "tst_pdfcanvas.moc"
