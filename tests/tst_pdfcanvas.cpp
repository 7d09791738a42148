#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "drawing/paintdata.h"

#include "pdfboard.h"
#include "pdffixtures.h"

class PdfCanvasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mixedPagesLayoutAndExport();
    void scrollCachesOnlyShownPages();
    void zoomLimits_data();
    void zoomLimits();
    void zoomAndRotateKeepPageInView();
    void wheelWithoutCtrlScrolls();
    void stateFileContents_data();
    void stateFileContents();
    void stateKeyTellsChinesePathsApart();
    void firstPageIsPaintedWithoutScroll();
    void badIndexOrClosedDocumentIsSafe();

private:
    QTemporaryDir dir;
    QString twenty;
    QString mixed;
    QString pagesOf(const QStringList &boxes, const QString &name)
    {
        QStringList pages;
        for (const QString &box : boxes)
            pages << QStringLiteral("/MediaBox [0 0 %1]").arg(box);
        return writeRawPdf(dir.filePath(name), pages) ? dir.filePath(name) : QString();
    }
};

void PdfCanvasTest::initTestCase()
{
    QVERIFY(dir.isValid());
    twenty = dir.filePath(QStringLiteral("twenty.pdf"));
    QVERIFY(writeTestPdf(twenty, a4Pages(20)));
    mixed = pagesOf({"595.28 841.89", "841.89 595.28", "566.93 566.93"}, "mixed.pdf");
    QVERIFY(!mixed.isEmpty());
}

void PdfCanvasTest::mixedPagesLayoutAndExport()
{
    PdfBoard board(mixed, dir.path());
    QVERIFY(board.open());
    PdfCanvas *pdf = board.canvas;
    QCOMPARE(pdf->documentReader().pageSizes(),
             QList<QSize>({{840, 1188}, {1188, 840}, {800, 800}}));
    QCOMPARE(pdf->pageTops(), QVector<int>({15, 1218, 2073}));
    QCOMPARE(pdf->size(), QSize(1188, 2888));
    // An exported page is as wide as the widest page, in board colour beside a narrower one, and
    // leaves the view's cache alone.
    const QList<int> cached = board.cachedPages();
    QVERIFY(!cached.contains(2));
    const QImage page = pdf->renderPageImage(2).toImage();
    QCOMPARE(page.size(), QSize(1188, 800));
    QCOMPARE(page.pixel(1000, 400), qRgb(255, 255, 255));
    QCOMPARE(board.cachedPages(), cached);
    // At 1.8 the first top stays; gaps become 27, heights 2138, 1512 and 1440.
    pdf->setZoom(1.8);
    QCOMPARE(pdf->pageTops(), QVector<int>({15, 2180, 3719}));
    QCOMPARE(pdf->size(), QSize(2138, 5174));
    QCOMPARE(pdf->pageBottoms().last() + 15, 5174);
}

void PdfCanvasTest::scrollCachesOnlyShownPages()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    PdfCanvas *pdf = board.canvas;
    QCOMPARE(board.cachedPages(), board.shownPages());
    QCOMPARE(board.host.rangeCount, 20);
    // The next page is made ahead but held by its page only once shown.
    board.bar()->setValue(300);
    QVERIFY(pdf->isRenderedAhead(1));
    QVERIFY(board.page(1)->pageImage.isNull());
    board.bar()->setValue(board.top(1) - 200);
    QVERIFY(!pdf->isRenderedAhead(1));
    QCOMPARE(board.page(1)->pageImage, pdf->documentReader().pageImage(1, 1.0));
    QVERIFY(pdf->isRenderedAhead(2));
    // The page in view holds the middle of the view; in a gap it is the page above.
    const int half = board.host.area.height() / 2;
    board.bar()->setValue(board.top(5) + 100 - half);
    QCOMPARE(pdf->currentPageIndex(), 5);
    QCOMPARE(board.host.comboPage, 5);
    QCOMPARE(board.host.rangeCurrent, 6);
    board.bar()->setValue(pdf->pageBottoms().at(7) + 7 - half);
    QCOMPARE(board.host.comboPage, 7);
    board.bar()->setValue(board.top(9) + 900);
    QCOMPARE(board.shownPages(), QList<int>({9, 10}));
    QCOMPARE(board.cachedPages(), board.shownPages());
    QVERIFY(pdf->hasPageLayers(9) && pdf->hasPageLayers(10));
    // A jump far away keeps nothing of the pages seen before.
    pdf->scrollToPage(19);
    QCOMPARE(board.bar()->value(), board.top(19));
    QCOMPARE(board.cachedPages(), QList<int>({19}));
    // Scrolling up makes the page above ready instead; only a few are kept.
    pdf->scrollToPage(15);
    board.bar()->setValue(board.bar()->value() - 100);
    QCOMPARE(board.cachedPages(), QList<int>({14, 15}));
    QCOMPARE(board.shownPages(), QList<int>({14, 15}));
    QVERIFY(pdf->isRenderedAhead(13) && !pdf->isRenderedAhead(1));
    int ready = 0;
    for (int i = 0; i < 20; ++i)
        ready += pdf->isRenderedAhead(i) ? 1 : 0;
    QVERIFY(ready <= PageRenderAhead::capacity);
    // A tab switch fills the chooser again and keeps the page.
    pdf->scrollToPage(12);
    pdf->runCommand(BoardCommand::ResetKeyState);
    QCOMPARE(board.host.comboLabels.size(), 20);
    QCOMPARE(board.host.comboLabels.at(12), QStringLiteral("第 13 页"));
    QCOMPARE(board.host.comboPages.at(12), 12);
    QCOMPARE(board.host.comboPage, 12);
    QCOMPARE(board.bar()->value(), board.top(12));
}

void PdfCanvasTest::zoomLimits_data()
{
    QTest::addColumn<bool>("narrow");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("pinch");
    QTest::addColumn<double>("limit");
    QTest::newRow("steps in stop at 1.8") << false << 1 << 0.0 << 1.8;
    QTest::newRow("steps out stop at 0.55") << false << 2 << 0.0 << 0.55;
    // A page 40 pixels wide is never shown under 30: 0.7 would make it 28.
    QTest::newRow("narrow page, steps out") << true << 2 << 0.0 << 0.75;
    // A pinch reaches 0.74 (qRound(29.6) = 30) but not 0.73.
    QTest::newRow("narrow page, pinch") << true << 2 << 0.01 << 0.74;
}

void PdfCanvasTest::zoomLimits()
{
    QFETCH(bool, narrow);
    QFETCH(int, kind);
    QFETCH(double, pinch);
    QFETCH(double, limit);
    QStringList boxes = {"595.28 841.89"};
    if (narrow)
        boxes << "28.3465 841.89";
    PdfBoard board(pagesOf(boxes, "zoom.pdf"), dir.path());
    QVERIFY(board.open(false));
    for (int i = 0; i < 60; ++i)
        pinch > 0 ? board.canvas->zoomBy(kind, pinch) : board.canvas->zoomStep(kind);
    QVERIFY2(qAbs(board.canvas->zoom() - limit) < 1e-9,
             qPrintable(QString::number(board.canvas->zoom())));
}

void PdfCanvasTest::zoomAndRotateKeepPageInView()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    PdfCanvas *pdf = board.canvas;
    const QSize before = pdf->size();
    board.bar()->setValue(1000);
    QSignalSpy asked(pdf, &PdfCanvas::vScrollBarNewValue);
    pdf->setZoom(1.5);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.first().first().toInt(), 1500);
    QCOMPARE(board.bar()->value(), 1500);
    // A step from 1.07 first goes to the nearest multiple of 0.05.
    pdf->setZoom(1.07);
    pdf->zoomStep(1);
    QVERIFY(qAbs(pdf->zoom() - 1.1) < 1e-9);

    pdf->setZoom(1.0);
    pdf->scrollToPage(6);
    pdf->rotate(2);
    // Width follows the largest page height; each page's height its width.
    QCOMPARE(pdf->width(), 1188);
    QCOMPARE(board.bar()->value(), board.top(6));
    QCOMPARE(pdf->currentPageIndex(), 6);
    QCOMPARE(board.cachedPages(), board.shownPages());
    // The turned page: the black bar along its top edge now runs down its right side.
    const QImage base = board.page(6)->layer1.toImage();
    QCOMPARE(base.size(), QSize(1188, 840));
    QVERIFY(qGray(base.pixel(1180, 400)) < 40);
    QCOMPARE(base.pixel(10, 400), qRgb(255, 255, 255));
    const QSize turned = pdf->size();
    pdf->rotate(3);
    pdf->rotate(4);
    QCOMPARE(pdf->size(), turned);
    QCOMPARE(pdf->currentPageIndex(), 6);
    pdf->rotate(1);
    QCOMPARE(pdf->size(), before);
    QCOMPARE(pdf->currentPageIndex(), 6);
    QCOMPARE(board.bar()->value(), board.top(6));
    // Drawing forbids rotation; the reset clears it and gives rotation back.
    QVERIFY(pdf->canRotate());
    board.history(2).append(new PaintData);
    QVERIFY(!pdf->canRotate());
    pdf->runCommand(BoardCommand::SetRotateType, 2);
    QCOMPARE(pdf->size(), before);
    QCOMPARE(board.host.calls.last(), QStringLiteral("rotate 0"));
    pdf->resetDocument();
    QCOMPARE(board.host.calls.last(), QStringLiteral("rotate 1"));
    QVERIFY(pdf->canRotate());
}

void PdfCanvasTest::wheelWithoutCtrlScrolls()
{
    // Regression: the board took every wheel event, so the document never scrolled.
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    const QPoint at(200, 200), global = board.canvas->mapToGlobal(at);
    QWheelEvent plain(at, global, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QVERIFY(QApplication::sendEvent(board.canvas, &plain) == false || !plain.isAccepted());
    QCOMPARE(board.canvas->zoom(), 1.0);
    QWheelEvent zoomIn(at, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                       Qt::NoScrollPhase, false);
    QApplication::sendEvent(board.canvas, &zoomIn);
    QVERIFY(zoomIn.isAccepted());
    QVERIFY(qAbs(board.canvas->zoom() - 1.05) < 1e-9);
}

void PdfCanvasTest::stateFileContents_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("page");
    QTest::newRow("page 3 with a line end") << QByteArray("3\n") << 3;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-4") << 0;
    QTest::newRow("text") << QByteArray("abc") << 0;
    QTest::newRow("at the page count") << QByteArray("20") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void PdfCanvasTest::stateFileContents()
{
    QFETCH(QByteArray, content);
    QFETCH(int, page);
    PdfBoard board(twenty, dir.path());
    QFile state(board.canvas->stateFilePath());
    QVERIFY(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(state.write(content), qint64(content.size()));
    state.close();
    QVERIFY(board.open());
    board.canvas->restoreLastPage();
    QCOMPARE(board.canvas->currentPageIndex(), page);
    QCOMPARE(board.bar()->value(), page == 0 ? 0 : board.top(page));
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
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open(false));
    board.canvas->restoreLastPage();
    board.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board.area));
    QCOMPARE(board.bar()->value(), 0);
    const QImage shot = board.canvas->grab(QRect(0, 0, 840, 600)).toImage();
    // The black bar along the first page's top edge, its white paper below, the background above.
    QVERIFY(qGray(shot.pixel(400, 15 + 10)) < 40);
    QCOMPARE(shot.pixel(600, 500) & 0xffffff, 0xffffffu);
    QVERIFY(qGray(shot.pixel(400, 5)) < 250);
}

void PdfCanvasTest::badIndexOrClosedDocumentIsSafe()
{
    // Regression: scrollToPage trusted its index; painting used a page after its release.
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    QSignalSpy asked(board.canvas, &PdfCanvas::vScrollBarNewValue);
    board.canvas->scrollToPage(20);
    board.canvas->scrollToPage(-1);
    QCOMPARE(asked.count(), 0);
    board.canvas->scrollToPage(19);
    QCOMPARE(asked.count(), 1);
    board.canvas->closeDocument();
    QCOMPARE(board.canvas->drawnPage(), nullptr);
    board.canvas->repaint();
    board.canvas->runCommand(BoardCommand::ZoomStep, 1);
    board.canvas->rotate(1);
    board.canvas->scrollToPage(3);
    QVERIFY(board.canvas->renderPageImage(0).isNull());
}

QTEST_MAIN(PdfCanvasTest)
#include "tst_pdfcanvas.moc"
