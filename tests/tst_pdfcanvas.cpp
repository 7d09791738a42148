#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "app/filesystem.h"
#include "items/canvasmarquee.h"

#include "canvasboard.h"
#include "pdfboard.h"
#include "pdffixtures.h"

namespace {

// The same scripted stroke on either kind of board, shifted down by top.
template <class Board>
void drawScript(Board &b, double top)
{
    const QPointF from(120, 150 + top);
    b.press(from);
    for (int i = 1; i <= 12; ++i)
        b.move(from + QPointF(17 * i, (i % 3) * 9 + 4 * i));
    b.release(from + QPointF(17 * 12, 48 + 9));
}

} // namespace

class PdfCanvasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTestPdf(many, a4Pages(45)));
    }
    // Most tests start with a shown board of 45 A4 pages (840 x 1188 pixels each) and the pen.
    void init() { QVERIFY(open(many)); }
    void cleanup() { board.reset(); }
    void mixedPagesLayoutAndExport();
    void scrollCachesOnlyShownPages();
    void zoomKeepsPositionWithinLimits();
    void rotateAndMirrorKeepPageInView();
    void wheelWithoutCtrlScrolls();
    void stateFileKeyAndContents();
    void firstPageIsPaintedWithoutScroll();
    void badIndexOrClosedDocumentIsSafe();
    void everyToolDrawsAsOnWhiteboard_data();
    void everyToolDrawsAsOnWhiteboard();
    void droppedRedoTailIsFreed();
    void unfinishedConnectedLineKeepsOneAction();
    void pictureExportSavesAndReports();
    void clearAsksOnlyWhenDrawn();
    void selectionAndPaste();
    void edgeDragWidensPageAtZoom();

private:
    QTemporaryDir dir;
    const QString many = dir.filePath(QStringLiteral("many.pdf"));
    std::unique_ptr<PdfBoard> board;
    bool open(const QString &path, bool show = true)
    {
        board.reset(new PdfBoard(path, dir.path()));
        board->useTool(PaintTool::Pen);
        return board->open(show);
    }
};

void PdfCanvasTest::mixedPagesLayoutAndExport()
{
    // Pages of 840 x 1188, 1188 x 840 and 800 x 800 pixels. The last one has no content stream:
    // it shows white and still takes drawing.
    const QString mixed = dir.filePath(QStringLiteral("mixed.pdf"));
    QVERIFY(writeRawPdf(mixed, {"/MediaBox [0 0 595.28 841.89]", "/MediaBox [0 0 841.89 595.28]",
                                "/MediaBox [0 0 566.93 566.93] /Contents 99 0 R"}));
    QVERIFY(open(mixed));
    PdfCanvas *pdf = board->canvas;
    QCOMPARE(pdf->pageTops(), QVector<int>({15, 1218, 2073}));
    QCOMPARE(pdf->size(), QSize(1188, 2888));
    board->scrollTo(2);
    board->stroke(2, QPointF(100, 100), QPointF(400, 200));
    QCOMPARE(board->history(2).size(), 1);
    // An exported page is opaque and as wide as the widest page, in board colour beside a
    // narrower one; making one out of view leaves the view's cache alone.
    board->scrollTo(0);
    const QImage page = pdf->renderPageImage(2).toImage();
    QCOMPARE(page.size(), QSize(1188, 800));
    QCOMPARE(paintedPixels(page), 1188 * 800);
    QCOMPARE(page.pixel(700, 700), qRgb(255, 255, 255));
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
    QCOMPARE(b.cachedPages(), QList<int>({0}));
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
    QCOMPARE(b.cachedPages(), QList<int>({9, 10}));
    QVERIFY(b.canvas->hasPageLayers(9) && b.canvas->hasPageLayers(10));
    // After a jump far away nothing of the pages seen before is kept; scrolling up readies the
    // page above, and only a few pages are made ahead.
    b.canvas->scrollToPage(15);
    b.bar()->setValue(b.top(15) - 100);
    QCOMPARE(b.cachedPages(), QList<int>({14, 15}));
    QVERIFY(b.canvas->isRenderedAhead(13));
    int ready = 0;
    for (int i = 0; i < b.canvas->pageCount(); ++i)
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
    const QString narrow = dir.filePath(QStringLiteral("narrow.pdf"));
    QVERIFY(
        writeRawPdf(narrow, {"/MediaBox [0 0 595.28 841.89]", "/MediaBox [0 0 28.3465 841.89]"}));
    QVERIFY(open(narrow, false));
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
    const QSize turned(1188, upright.height() - pdf->pageCount() * (1188 - 840));
    pdf->scrollToPage(6);
    // Turned, the width follows the page height and the black bar along the page's top edge
    // runs down its right side; mirrored and turned back, page 6 stays in view.
    for (int type : {2, 3, 4, 1}) {
        pdf->rotate(type);
        QCOMPARE(pdf->size(), type == 1 ? upright : turned);
        QCOMPARE(pdf->currentPageIndex(), 6);
        QCOMPARE(board->bar()->value(), board->top(6));
        QCOMPARE(board->cachedPages(), QList<int>({6}));
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

void PdfCanvasTest::stateFileKeyAndContents()
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
    // Stored page numbers are read as written before; anything else opens on the first page.
    const QString state = board->canvas->stateFilePath();
    const QList<QPair<QByteArray, int>> rows = {{"3\n", 3}, {"0", 0},  {"-4", 0},
                                                {"abc", 0}, {"45", 0}, {"", 0}};
    for (const auto &row : rows) {
        QVERIFY(FileSystem::writeBytes(state, row.first));
        QVERIFY(open(many));
        board->canvas->restoreLastPage();
        QCOMPARE(board->canvas->currentPageIndex(), row.second);
        QCOMPARE(board->bar()->value(), row.second == 0 ? 0 : board->top(row.second));
    }
}

void PdfCanvasTest::firstPageIsPaintedWithoutScroll()
{
    // Regression: pages were rendered only on scroll-bar changes; a document opened on page 1
    // before its tab was shown stayed blank.
    QVERIFY(open(many, false));
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
    pdf->scrollToPage(45);
    pdf->scrollToPage(-1);
    QCOMPARE(asked.count(), 0);
    pdf->scrollToPage(44);
    QCOMPARE(asked.count(), 1);
    pdf->closeDocument();
    QCOMPARE(pdf->drawnPage(), nullptr);
    pdf->repaint();
    pdf->runCommand(BoardCommand::ZoomStep, 1);
    pdf->rotate(1);
    pdf->scrollToPage(3);
    QVERIFY(pdf->renderPageImage(0).isNull());
}

void PdfCanvasTest::everyToolDrawsAsOnWhiteboard_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("index");
    for (int index : {0, 39}) {
        for (int tool : {PaintTool::Pencil, PaintTool::Pen, PaintTool::Highlighter,
                         PaintTool::Eraser, PaintTool::Line, PaintTool::Shape, PaintTool::Stamp})
            QTest::addRow("tool %d page %d", tool, index + 1) << tool << index;
    }
}

void PdfCanvasTest::everyToolDrawsAsOnWhiteboard()
{
    QFETCH(int, tool);
    QFETCH(int, index);
    PdfBoard &pdf = *board;
    CanvasBoard white(QSize(840, 1188));
    for (PaintProperty *p : {&pdf.property, &white.property}) {
        p->lineBoldSize = 5;
        p->foreColor = QStringLiteral("#2040E0");
        p->stampName = QStringLiteral("0");
        p->shapeType = 2;
    }
    // A pen stroke on another page first, so that undo has a wrong page to pick.
    const int other = index == 0 ? 10 : 0;
    pdf.scrollTo(other);
    pdf.stroke(other, QPointF(100, 100), QPointF(300, 200));
    pdf.scrollTo(index);
    const QImage base = pdf.page(index)->layer1.toImage();
    // A pencil stroke first, so that the eraser has something to take.
    for (int used : {int(PaintTool::Pencil), tool}) {
        pdf.useTool(used);
        white.useTool(used);
        drawScript(pdf, pdf.top(index));
        drawScript(white, 0);
    }
    pdf.canvas->commitShownItems();
    white.canvas.commitShownItems();
    QCOMPARE(pdf.canvas->drawnPage(), pdf.page(index));
    QCOMPARE(pdf.history(index).size(), white.history().size());
    QCOMPARE(pdf.history(index).last()->type, tool);
    QVERIFY(pdf.history(index).last()->closed);

    // The same pixels as on the whiteboard, live and replayed after the layers were rebuilt; no
    // tool touches the PDF page itself.
    const QImage live = pdf.page(index)->layer3.toImage();
    QCOMPARE(live, white.inkImage());
    QVERIFY(paintedPixels(live) > 0);
    QCOMPARE(pdf.page(index)->layer1.toImage(), base);
    pdf.canvas->resetPageLayers();
    white.canvas.refreshPage();
    QCOMPARE(pdf.page(index)->layer3.toImage(), live);
    QCOMPARE(white.inkImage(), live);

    // Undo while the other page is shown still acts on the page last drawn on.
    pdf.scrollTo(other);
    pdf.canvas->undo();
    QVERIFY(pdf.history(other).last()->active);
    QVERIFY(!pdf.history(index).last()->active);
    QCOMPARE(pdf.host.callsStartingWith(QStringLiteral("redo")).last(), QStringLiteral("redo 1"));
    pdf.canvas->redo();
    QVERIFY(pdf.history(index).last()->active);
}

void PdfCanvasTest::droppedRedoTailIsFreed()
{
    // Regression: actions dropped from the redo tail were kept, unlike on the whiteboard.
    board->useTool(PaintTool::Pencil);
    for (int i = 0; i < 3; ++i)
        board->stroke(0, QPointF(100, 100 + 50 * i), QPointF(400, 120 + 50 * i));
    QPointer<PaintData> third = board->history(0).at(2);
    QPointer<PaintData> second = board->history(0).at(1);
    board->canvas->undo();
    board->canvas->undo();
    board->canvas->redo();
    QVERIFY(second->active);
    QVERIFY(!third->active);
    board->stroke(0, QPointF(100, 400), QPointF(400, 420));
    QCOMPARE(board->history(0).size(), 3);
    QVERIFY(third.isNull());
    QCOMPARE(board->host.callsStartingWith(QStringLiteral("redo")).last(),
             QStringLiteral("redo 0"));
}

void PdfCanvasTest::unfinishedConnectedLineKeepsOneAction()
{
    // Regression: each press of an unfinished connected line appended an empty open action.
    board->useTool(PaintTool::Polyline);
    for (int i = 0; i < 4; ++i) {
        const QPointF at(100 + 60 * i, board->top(0) + 100 + 30 * (i % 2));
        board->press(at);
        board->release(at);
    }
    int open = 0;
    for (const PaintData *action : board->history(0))
        open += action->type == PaintTool::Polyline && !action->closed;
    QCOMPARE(open, 1);
    board->canvas->finishEditing();
    QCOMPARE(board->history(0).size(), 1);
    QVERIFY(board->history(0).last()->points.size() > 1);
}

void PdfCanvasTest::pictureExportSavesAndReports()
{
    // Regression: ".jpeg" was not written as JPG data, and a failed save went unreported.
    board->stroke(0, QPointF(100, 100), QPointF(300, 200));
    QString answer = dir.filePath(QStringLiteral("page.jpeg"));
    board->canvas->setSavePathAsker(
        [&answer](const QString &, const QString &, const QString &, QString *) { return answer; });
    board->canvas->exportImage();
    QFile written(answer);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(2) == QByteArray("\xFF\xD8"));

    answer = dir.filePath(QStringLiteral("missing/folder/page.png"));
    board->canvas->exportImage();
    QCOMPARE(board->host.callsStartingWith(QStringLiteral("message")).last(),
             QStringLiteral("message 保存") + answer + QStringLiteral("失败"));
}

void PdfCanvasTest::clearAsksOnlyWhenDrawn()
{
    board->canvas->confirmClearScreen();
    QVERIFY(board->host.callsStartingWith(QStringLiteral("question")).isEmpty());
    // Ink on a page out of view still counts, and all of it goes.
    board->scrollTo(4);
    board->stroke(4, QPointF(100, 100), QPointF(300, 150));
    board->scrollTo(0);
    board->canvas->confirmClearScreen();
    QCOMPARE(board->host.callsStartingWith(QStringLiteral("question")).size(), 1);
    QVERIFY(board->history(4).isEmpty());
    QVERIFY(!board->canvas->anyPageHasDrawing());
}

void PdfCanvasTest::selectionAndPaste()
{
    PdfBoard &pdf = *board;
    const QImage base = pdf.page(0)->layer1.toImage();
    pdf.stroke(0, QPointF(300, 400), QPointF(500, 450));
    const QImage before = pdf.page(0)->layer3.toImage();
    pdf.useTool(PaintTool::Selection);
    pdf.stroke(0, QPointF(250, 350), QPointF(560, 500));
    CanvasMarquee *marquee = pdf.canvas->boardItems().marquee;
    QVERIFY(!marquee->isHidden());
    for (int i = 0; i < 6; ++i)
        marquee->nudge(4);
    pdf.canvas->finishEditing();
    QVERIFY(marquee->isHidden());
    QCOMPARE(pdf.history(0).last()->type, 1);
    QVERIFY(pdf.history(0).last()->closed);
    // The ink moved six pixels to the right, live and replayed; the PDF page did not move.
    const QImage after = pdf.page(0)->layer3.toImage();
    QCOMPARE(after.copy(306, 400, 200, 50), before.copy(300, 400, 200, 50));
    QCOMPARE(pdf.page(0)->layer1.toImage(), base);
    pdf.canvas->resetPageLayers();
    QCOMPARE(pdf.page(0)->layer3.toImage(), after);

    // Select all and copy take the whole width of the board; a paste shrinks a picture to the
    // visible part of the page, in a new frame.
    pdf.canvas->selectAll();
    QVERIFY(!marquee->isHidden());
    QCOMPARE(pdf.history(0).size(), 3);
    QApplication::clipboard()->clear();
    pdf.canvas->copy();
    QVERIFY(qAbs(QApplication::clipboard()->image().width() - pdf.canvas->width()) <= 2);
    QImage big(3000, 200, QImage::Format_ARGB32);
    big.fill(Qt::red);
    QApplication::clipboard()->setImage(big);
    pdf.canvas->paste();
    QVERIFY(!marquee->isHidden());
    QCOMPARE(pdf.page(0)->pastedImages.size(), 1);
    QVERIFY(marquee->width() <= pdf.area.viewport()->width() + 40);
    pdf.canvas->finishEditing();
    QVERIFY(pdf.history(0).last()->closed);
    // A page scrolled out of view takes no paste.
    pdf.scrollTo(20);
    pdf.canvas->paste();
    QCOMPARE(pdf.host.callsStartingWith(QStringLiteral("message")).last(),
             QStringLiteral("message 请点击选定要粘贴的页面后，再尝试粘贴操作"));
}

void PdfCanvasTest::edgeDragWidensPageAtZoom()
{
    // At zoom 1.5 a 10-pixel drag on the left edge widens the page by 13 page pixels, 20 on
    // screen.
    board->canvas->setZoom(1.5);
    board->stroke(0, QPointF(300, 300), QPointF(340, 320), 1);
    const int before = board->canvas->width();
    const QImage ink = board->page(0)->layer3.toImage();
    const QPointF edge(2, board->top(0) + 100);
    board->move(edge);
    QCOMPARE(board->canvas->edgeCode(), 8);
    board->drag(edge, edge - QPointF(10, 0), 2);
    QCOMPARE(board->canvas->width(), before + 20);
    // The drawing moved with the page's left edge and kept its pixels.
    QCOMPARE(board->page(0)->layer3.toImage().copy(13, 0, ink.width(), ink.height()), ink);
    QVERIFY(board->history(0).last()->closed);
}

QTEST_MAIN(PdfCanvasTest)
#include "tst_pdfcanvas.moc"
