#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

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

// The document has 45 A4 pages: 840 x 1188 pixels each at zoom 1.
class PdfDrawingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTestPdf(dir.filePath(QStringLiteral("many.pdf")), a4Pages(45)));
    }
    // Every test starts with a shown board of that document and the pen.
    void init()
    {
        board.reset(new PdfBoard(dir.filePath(QStringLiteral("many.pdf")), dir.path()));
        QVERIFY(board->open());
        board->useTool(PaintTool::Pen);
    }
    void cleanup() { board.reset(); }
    void sameInkAsWhiteboard_data();
    void sameInkAsWhiteboard();
    void everyToolDrawsOnScrolledPage_data();
    void everyToolDrawsOnScrolledPage();
    void droppedRedoTailIsFreed();
    void unfinishedConnectedLineKeepsOneAction();
    void pictureExportSavesAndReports();
    void clearAsksOnlyWhenDrawn();
    void selectionAndClipboard();
    void edgeDragWidensPage_data();
    void edgeDragWidensPage();
    void damagedPageIsDrawnOnAndExported();

private:
    QTemporaryDir dir;
    std::unique_ptr<PdfBoard> board;
};

void PdfDrawingTest::sameInkAsWhiteboard_data()
{
    QTest::addColumn<int>("tool");
    for (int tool : {PaintTool::Pencil, PaintTool::Pen, PaintTool::Highlighter, PaintTool::Eraser,
                     PaintTool::Line, PaintTool::Shape, PaintTool::Stamp})
        QTest::addRow("tool %d", tool) << tool;
}

void PdfDrawingTest::sameInkAsWhiteboard()
{
    QFETCH(int, tool);
    PdfBoard &pdf = *board;
    CanvasBoard white(QSize(840, 1188));
    const QImage base = pdf.page(0)->layer1.toImage();
    for (PaintProperty *p : {&pdf.property, &white.property}) {
        p->lineBoldSize = 5;
        p->foreColor = QStringLiteral("#2040E0");
        p->stampName = QStringLiteral("0");
        p->shapeType = 2;
    }
    // A pencil stroke first, so that the eraser has something to take.
    for (int used : {int(PaintTool::Pencil), tool}) {
        pdf.useTool(used);
        white.useTool(used);
        drawScript(pdf, pdf.top(0));
        drawScript(white, 0);
    }
    pdf.canvas->commitShownItems();
    white.canvas.commitShownItems();
    QCOMPARE(pdf.history(0).size(), white.history().size());
    QVERIFY(pdf.history(0).last()->closed);

    const QImage live = pdf.page(0)->layer3.toImage();
    QCOMPARE(live, white.inkImage());
    QVERIFY(paintedPixels(live) > 0);
    // No tool touches the PDF page itself.
    QCOMPARE(pdf.page(0)->layer1.toImage(), base);
    // Replayed from the history after the layers were rebuilt: still the same pixels.
    pdf.canvas->resetPageLayers();
    white.canvas.refreshPage();
    QCOMPARE(pdf.page(0)->layer3.toImage(), live);
    QCOMPARE(white.inkImage(), live);
}

void PdfDrawingTest::everyToolDrawsOnScrolledPage_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("pageIndex");
    for (int index : {0, 39}) {
        for (int tool : {PaintTool::Pencil, PaintTool::Pen, PaintTool::Highlighter, PaintTool::Line,
                         PaintTool::Shape, PaintTool::Stamp})
            QTest::addRow("tool %d page %d", tool, index + 1) << tool << index;
    }
}

void PdfDrawingTest::everyToolDrawsOnScrolledPage()
{
    QFETCH(int, tool);
    QFETCH(int, pageIndex);
    // A pen stroke on another page first, so that undo has a wrong page to pick.
    const int other = pageIndex == 0 ? 10 : 0;
    board->scrollTo(other);
    board->stroke(other, QPointF(100, 100), QPointF(300, 200));
    board->property.stampName = QStringLiteral("1");
    board->scrollTo(pageIndex);
    board->useTool(tool);
    board->stroke(pageIndex, QPointF(200, 300), QPointF(380, 420));
    board->canvas->commitShownItems();
    QCOMPARE(board->canvas->drawnPage(), board->page(pageIndex));
    QCOMPARE(board->history(pageIndex).size(), 1);
    QCOMPARE(board->history(pageIndex).last()->type, tool);
    QVERIFY(board->history(pageIndex).last()->closed);
    QVERIFY(paintedPixels(board->page(pageIndex)->layer3.toImage()) > 0);
    // Undo while the other page is shown still acts on the page last drawn on.
    board->scrollTo(other);
    board->canvas->undo();
    QVERIFY(board->history(other).last()->active);
    QVERIFY(!board->history(pageIndex).last()->active);
    QCOMPARE(board->host.callsStartingWith(QStringLiteral("redo")).last(),
             QStringLiteral("redo 1"));
    board->canvas->redo();
    QVERIFY(board->history(pageIndex).last()->active);
}

void PdfDrawingTest::droppedRedoTailIsFreed()
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

void PdfDrawingTest::unfinishedConnectedLineKeepsOneAction()
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

void PdfDrawingTest::pictureExportSavesAndReports()
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

void PdfDrawingTest::clearAsksOnlyWhenDrawn()
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

void PdfDrawingTest::selectionAndClipboard()
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

    // Select all and copy take the whole width of the board.
    pdf.canvas->selectAll();
    QVERIFY(!marquee->isHidden());
    QCOMPARE(pdf.history(0).size(), 3);
    QApplication::clipboard()->clear();
    pdf.canvas->copy();
    QVERIFY(qAbs(QApplication::clipboard()->image().width() - pdf.canvas->width()) <= 2);
    // Paste shrinks a picture to the visible part of the page, in a new frame.
    QImage big(3000, 200, QImage::Format_ARGB32);
    big.fill(Qt::red);
    QApplication::clipboard()->setImage(big);
    pdf.canvas->paste();
    QVERIFY(!marquee->isHidden());
    QCOMPARE(pdf.page(0)->pastedImages.size(), 1);
    QVERIFY(marquee->width() <= pdf.area.viewport()->width() + 40);
    // A picture copied on a whiteboard in another tab pastes on the PDF page.
    CanvasBoard white(QSize(1000, 1300));
    white.drag(QPointF(100, 100), QPointF(300, 200));
    white.canvas.copy();
    pdf.canvas->paste();
    QCOMPARE(pdf.page(0)->pastedImages.size(), 2);
    pdf.canvas->finishEditing();
    QVERIFY(pdf.history(0).last()->closed);
    // A page scrolled out of view takes no paste.
    pdf.scrollTo(20);
    pdf.canvas->paste();
    QCOMPARE(pdf.host.callsStartingWith(QStringLiteral("message")).last(),
             QStringLiteral("message 请点击选定要粘贴的页面后，再尝试粘贴操作"));
}

void PdfDrawingTest::edgeDragWidensPage_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("widened");
    QTest::newRow("zoom 1") << 1.0 << 20;
    QTest::newRow("zoom 1.5") << 1.5 << 13;
}

void PdfDrawingTest::edgeDragWidensPage()
{
    QFETCH(double, zoom);
    QFETCH(int, widened);
    board->canvas->setZoom(zoom);
    board->stroke(0, QPointF(300, 300), QPointF(340, 320), 1);
    const int before = board->canvas->width();
    const QImage ink = board->page(0)->layer3.toImage();
    const QPointF edge(2, board->top(0) + 100);
    board->move(edge);
    QCOMPARE(board->canvas->edgeCode(), 8);
    board->drag(edge, edge - QPointF(10, 0), 2);
    QCOMPARE(board->canvas->width(), before + qRound(zoom * widened));
    // The drawing moved with the page's left edge and kept its pixels.
    QCOMPARE(board->page(0)->layer3.toImage().copy(widened, 0, ink.width(), ink.height()), ink);
    QVERIFY(board->history(0).last()->closed);
}

void PdfDrawingTest::damagedPageIsDrawnOnAndExported()
{
    // The second page's content stream is missing: the page shows white and takes drawing.
    const QString damaged = dir.filePath(QStringLiteral("damaged.pdf"));
    QVERIFY(writeRawPdf(damaged, {QStringLiteral("/MediaBox [0 0 595 842]"),
                                  QStringLiteral("/MediaBox [0 0 595 842] /Contents 99 0 R")}));
    board.reset(new PdfBoard(damaged, dir.path()));
    QVERIFY(board->open());
    board->scrollTo(1);
    board->useTool(PaintTool::Pen);
    board->stroke(1, QPointF(100, 100), QPointF(400, 200));
    QCOMPARE(board->history(1).size(), 1);
    const QImage page = board->canvas->renderPageImage(1).toImage();
    QCOMPARE(page.size(), QSize(840, 1188));
    QCOMPARE(paintedPixels(page), 840 * 1188);
    QCOMPARE(page.pixelColor(800, 1100), QColor(Qt::white));
}

QTEST_MAIN(PdfDrawingTest)
#include "tst_pdfdrawing.moc"
