#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "drawing/pagelimits.h"
#include "drawing/toolcursors.h"
#include "items/canvasmarquee.h"

#include "boarddriver.h"
#include "pdffixtures.h"
#include "userinput.h"

namespace {

// The same scripted stroke on either kind of board, shifted down by top.
void drawScript(BoardDriver &b, double top)
{
    const QPointF from(120, 150 + top);
    b.press(from);
    for (int i = 1; i <= 12; ++i)
        b.move(from + QPointF(17 * i, (i % 3) * 9 + 4 * i));
    b.release(from + QPointF(17 * 12, 48 + 9));
}

// Either board, shown (its input goes through the window): the PDF board given, or a whiteboard
// of an A4 page's size, made into white.
BoardDriver &eitherBoard(PdfBoard *pdf, std::unique_ptr<CanvasBoard> &white)
{
    if (pdf)
        return *pdf;
    white = std::make_unique<CanvasBoard>(QSize(840, 1188));
    return *white;
}

void sendPen(QWidget *w, QEvent::Type type, const QPoint &at)
{
    QTabletEvent event(type, at, w->mapToGlobal(at), QTabletEvent::Stylus, QTabletEvent::Pen,
                       type == QEvent::TabletRelease ? 0.0 : 0.5, 0, 0, 0, 0, 0, Qt::NoModifier, 1,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
    QApplication::sendEvent(w, &event);
}

// Rows for both boards.
void addBoardRows(const QStringList &cases)
{
    QTest::addColumn<bool>("onPdf");
    QTest::addColumn<QString>("then");
    for (bool onPdf : {false, true}) {
        for (const QString &c : cases)
            QTest::addRow("%s, %s", onPdf ? "pdf" : "whiteboard", qPrintable(c)) << onPdf << c;
    }
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
    void everyToolDrawsAsOnWhiteboard_data();
    void everyToolDrawsAsOnWhiteboard();
    void wheelWithoutCtrlScrolls();
    void stateKeyHashesUtf8OfLowerCasePath();
    void firstPageIsPaintedWithoutScroll();
    void damagedPageOrBadIndexIsSafe();
    void droppedRedoTailIsFreed();
    void unfinishedConnectedLineKeepsOneAction();
    void pictureExportSavesAndReports();
    void edgeDragWidensPageAtZoom();
    void fingerTouchDrawsAndPinchZooms_data();
    void fingerTouchDrawsAndPinchZooms();
    void hoverFindsPageEdgeAndPressEndForgetsIt_data();
    void hoverFindsPageEdgeAndPressEndForgetsIt();
    void edgeDragShowsWideningWhileDragging();
    void pageWideningStopsAtPageLimit();
    void zoomRefreshesToolCursor();
    void replayLeavesOpenItemToItsItem_data();
    void replayLeavesOpenItemToItsItem();
    void strokeClosedMidPressKeepsItsTail();
    void inkFollowsThePointer_data();
    void inkFollowsThePointer();
    void palmBesideThePenIsIgnored_data();
    void palmBesideThePenIsIgnored();
    void pressGoesWhereTheCursorSays_data();
    void pressGoesWhereTheCursorSays();
    void blankClickEndsTheStrokeInProgress_data();
    void blankClickEndsTheStrokeInProgress();
    void draggedEdgeStaysUnderThePointer_data();
    void draggedEdgeStaysUnderThePointer();
    void pageNotReadyShowsPaperAndTakesInk();
    void pageShownAgainShowsItsLastRendering();
    void mixedPageSizesKeepTheirShape();
    void narrowPageIsCentredWithItsInk_data();
    void narrowPageIsCentredWithItsInk();
    void everyShortPageInViewIsRendered();
    void formOpensAtOnceAndShowsWhatReadersShow();

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

void PdfCanvasTest::stateKeyHashesUtf8OfLowerCasePath()
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
    QVERIFY(open(many, false));
    board->canvas->restoreLastPage();
    board->area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board->area));
    QCOMPARE(board->bar()->value(), 0);
    QVERIFY(board->rendered());
    const QImage shot = board->canvas->grab(QRect(0, 0, 840, 600)).toImage();
    // The black bar along the first page's top edge, its white paper below, the background above.
    QVERIFY(qGray(shot.pixel(400, 15 + 10)) < 40);
    QCOMPARE(shot.pixel(600, 500) & 0xffffff, 0xffffffu);
    QVERIFY(qGray(shot.pixel(400, 5)) < 250);
}

void PdfCanvasTest::damagedPageOrBadIndexIsSafe()
{
    // The second page has no content stream: it shows white, takes drawing and exports opaque.
    const QString damaged = dir.filePath(QStringLiteral("damaged.pdf"));
    QVERIFY(writeRawPdf(damaged, {"/MediaBox [0 0 595.28 841.89]",
                                  "/MediaBox [0 0 595.28 841.89] /Contents 99 0 R"}));
    QVERIFY(open(damaged));
    PdfCanvas *pdf = board->canvas;
    board->scrollTo(1);
    board->stroke(1, QPointF(100, 100), QPointF(400, 200));
    QCOMPARE(board->history(1).size(), 1);
    const QImage page = pdf->renderPageImage(1).toImage();
    QCOMPARE(page.size(), QSize(840, 1188));
    QCOMPARE(paintedPixels(page), 840 * 1188);
    QCOMPARE(page.pixel(700, 700), qRgb(255, 255, 255));

    // Regression: scrollToPage trusted its index; painting used a page after its release.
    QSignalSpy asked(pdf, &PdfCanvas::vScrollBarNewValue);
    pdf->scrollToPage(2);
    pdf->scrollToPage(-1);
    QCOMPARE(asked.count(), 0);
    pdf->scrollToPage(0);
    QCOMPARE(asked.count(), 1);
    pdf->closeDocument();
    QCOMPARE(pdf->drawnPage(), nullptr);
    pdf->repaint();
    pdf->runCommand(BoardCommand::ZoomStep, 1);
    pdf->rotate(1);
    pdf->scrollToPage(1);
    QVERIFY(pdf->renderPageImage(0).isNull());
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

void PdfCanvasTest::edgeDragWidensPageAtZoom()
{
    // Regression: steps without an event of their own (as touch drives them) measured the drag
    // from a stale screen position. At zoom 1.5, in a view wide enough for the board, a 10-pixel
    // drag on the left edge widens the page by 13 page pixels, 20 on screen.
    board->area.resize(1400, 700);
    board->canvas->setZoom(1.5);
    board->stroke(0, QPointF(300, 300), QPointF(340, 320), 1);
    const int before = board->canvas->width();
    const QImage ink = board->page(0)->layer3.toImage();
    const QPointF edge(2, board->top(0) + 100);
    board->move(edge);
    QCOMPARE(board->canvas->edgeCode(), 8);
    // The board is centred again as it grows: the pointer's steps are fixed on the screen.
    const QPoint from = board->canvas->mapToGlobal(edge.toPoint());
    board->press(edge);
    board->move(board->canvas->mapFromGlobal(from - QPoint(5, 0)));
    board->release(board->canvas->mapFromGlobal(from - QPoint(10, 0)));
    QCOMPARE(board->canvas->width(), before + 20);
    // The drawing moved with the page's left edge and kept its pixels.
    QCOMPARE(board->page(0)->layer3.toImage().copy(13, 0, ink.width(), ink.height()), ink);
    QVERIFY(board->history(0).last()->closed);
}

void PdfCanvasTest::fingerTouchDrawsAndPinchZooms_data()
{
    QTest::addColumn<bool>("onPdf");
    QTest::addColumn<int>("tool");
    for (bool onPdf : {false, true}) {
        for (int tool :
             {int(PaintTool::Pen), int(PaintTool::Highlighter), int(PaintTool::Eraser), -1})
            QTest::addRow("%s tool %d", onPdf ? "pdf" : "whiteboard", tool) << onPdf << tool;
    }
}

void PdfCanvasTest::fingerTouchDrawsAndPinchZooms()
{
    // Regression: the PDF board accepted the touch and waited for mouse events that Qt makes only
    // from a touch nobody accepted, and the accepted touch never reached the pinch zoom.
    QFETCH(bool, onPdf);
    QFETCH(int, tool);
    static QTouchDevice *finger = QTest::createTouchDevice();
    std::unique_ptr<CanvasBoard> white;
    BoardDriver &b = eitherBoard(onPdf ? board.get() : nullptr, white);
    CanvasBoard reference(QSize(840, 1188));
    reference.canvas.hide(); // touch goes to the window under the finger
    b.property.lineBoldSize = reference.property.lineBoldSize = 5;
    if (tool == -1) {
        // A pinch (tool -1): the first finger's stroke goes, a PDF board zooms in.
        b.useTool(PaintTool::Pen);
        pinchOpen(b.widget(), finger, QPoint(300, 300), QPoint(400, 300), QPoint(15, 0), 6);
        QVERIFY(b.history().isEmpty());
        QCOMPARE(paintedPixels(b.inkImage()), 0);
        QCOMPARE(board->canvas->zoom() > 1.2, onPdf);
        return;
    }
    // The finger leaves the pixels of the same stroke on a whiteboard.
    for (int used : {int(PaintTool::Pen), tool}) {
        const QVector<QPoint> line = wavyLine(QPoint(90, 140 + used), 12, 19);
        b.useTool(used);
        reference.useTool(used);
        stroke(b.widget(), finger, b.at(line), b.tick());
        reference.press(line.first());
        for (int i = 1; i < line.size(); ++i)
            reference.move(line.at(i));
        reference.release(line.last());
    }
    QCOMPARE(b.history().size(), 2);
    QVERIFY(paintedPixels(b.inkImage()) > 500);
    QCOMPARE(b.inkImage(), reference.inkImage());
}
void PdfCanvasTest::hoverFindsPageEdgeAndPressEndForgetsIt_data()
{
    QTest::addColumn<bool>("onPdf");
    QTest::newRow("picture board") << false;
    QTest::newRow("pdf") << true;
}

void PdfCanvasTest::hoverFindsPageEdgeAndPressEndForgetsIt()
{
    // Regression: without tracking no hover reached the PDF board, and on both boards an edge
    // code left by a drag with the right button turned every later press into an edge drag.
    QFETCH(bool, onPdf);
    CanvasBoard white(QSize(600, 800), Canvas::PictureDocument);
    white.canvas.setPointerTracking(true);
    white.useTool(PaintTool::Pen);
    QWidget *w = onPdf ? static_cast<QWidget *>(board->canvas) : &white.canvas;
    const auto edge = [&] { return onPdf ? board->canvas->edgeCode() : white.canvas.edgeHit(); };
    const auto history = [&] { return onPdf ? board->history(0).size() : white.history().size(); };
    const int y = onPdf ? board->top(0) + 400 : 400, width = w->width();
    sendMouse(w, QEvent::MouseMove, QPoint(width - 2, y), Qt::NoButton);
    QCOMPARE(edge(), 4);
    QCOMPARE(w->cursor().shape(), Qt::SizeHorCursor);
    for (QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
        sendMouse(w, type, QPoint(type == QEvent::MouseButtonPress ? 300 : width - 2, y),
                  Qt::RightButton);
    QCOMPARE(edge(), -1);
    stroke(w, nullptr, wavyLine(QPoint(100, y), 8), [] {});
    QCOMPARE(history(), 1);
    QCOMPARE(w->width(), width);
}

void PdfCanvasTest::edgeDragShowsWideningWhileDragging()
{
    // Regression: the drag kept no pointer position, so the page widened only at the release,
    // while every move rebuilt the layers of the visible pages.
    PdfCanvas *pdf = board->canvas;
    board->area.resize(1000, 700); // the board fits the view as it grows
    board->stroke(0, QPointF(600, 300), QPointF(800, 340));
    const QImage ink = board->page(0)->layer3.toImage();
    const int before = pdf->width();
    const QPoint edge(before - 2, board->top(0) + 500);
    sendMouse(pdf, QEvent::MouseMove, edge, Qt::NoButton);
    sendMouse(pdf, QEvent::MouseButtonPress, edge);
    const QPoint target = pdf->mapToGlobal(edge + QPoint(30, 0));
    sendMouse(pdf, QEvent::MouseMove, edge + QPoint(30, 0));
    QCOMPARE(pdf->width(), before + 60);
    QCOMPARE(board->page(0)->layer1.width(), 840);
    // The new strip shows the board colour, not the background beside the pages.
    QCOMPARE(pdf->grab().toImage().pixel(before + 30, edge.y()) & 0xffffff, 0xffffffu);
    // The board is centred again as it grows; the pointer stays where it is on the screen.
    sendMouse(pdf, QEvent::MouseButtonRelease, pdf->mapFromGlobal(target));
    QCOMPARE(board->page(0)->layer1.width(), 900);
    QCOMPARE(board->page(0)->layer3.toImage().copy(0, 0, 840, 1188), ink);
}

void PdfCanvasTest::pageWideningStopsAtPageLimit()
{
    // Regression: repeated drags grew every visible page's layers without bound.
    PdfCanvas *pdf = board->canvas;
    const QPoint edge(2, board->top(0) + 500);
    for (int i = 0; i < 5; ++i) {
        // Each drag scrolls the new strip out on the left, beside the pointer.
        board->area.horizontalScrollBar()->setValue(0);
        sendMouse(pdf, QEvent::MouseMove, edge + QPoint(300, 0), Qt::NoButton);
        sendMouse(pdf, QEvent::MouseMove, edge, Qt::NoButton);
        sendMouse(pdf, QEvent::MouseButtonPress, edge);
        sendMouse(pdf, QEvent::MouseMove, edge - QPoint(1000, 0));
        sendMouse(pdf, QEvent::MouseButtonRelease, edge - QPoint(1000, 0));
    }
    QCOMPARE(pdf->width(), maximumPageSide);
    QCOMPARE(board->page(0)->layer1.width(), maximumPageSide);
}

void PdfCanvasTest::zoomRefreshesToolCursor()
{
    // Regression: after a zoom the eraser (highlighter, stamp) cursor kept its old size.
    board->property.eraserSize = 4;
    board->useTool(PaintTool::Eraser);
    const QPoint at(200, 200);
    QWheelEvent in(at, board->canvas->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    for (int i = 0; i < 8; ++i)
        QApplication::sendEvent(board->canvas, &in);
    const QSize zoomed = toolCursor(&board->property, 1.4).pixmap().size();
    QVERIFY(zoomed != toolCursor(&board->property, 1.0).pixmap().size());
    QCOMPARE(board->canvas->cursor().pixmap().size(), zoomed);
}

void PdfCanvasTest::replayLeavesOpenItemToItsItem_data()
{
    QTest::addColumn<bool>("onPdf");
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("ending");
    // Endings: 0 cancel, 1 delete, 2 commit by a click beside. Tool -1: a pasted picture.
    for (bool onPdf : {false, true}) {
        const char *name = onPdf ? "pdf" : "whiteboard";
        for (int ending : {0, 1}) {
            QTest::addRow("%s paste %d", name, ending) << onPdf << -1 << ending;
            QTest::addRow("%s shape %d", name, ending) << onPdf << int(PaintTool::Shape) << ending;
        }
        for (int ending : {0, 2})
            QTest::addRow("%s moved %d", name, ending)
                << onPdf << int(PaintTool::Selection) << ending;
    }
}

void PdfCanvasTest::replayLeavesOpenItemToItsItem()
{
    // Regression: scrolling the page out of view and back replayed the open paste, shape frame
    // or lifted selection into the page; cancelling or deleting it then left it there, and a
    // committed move kept its content at the place it passed on the way.
    QFETCH(bool, onPdf);
    QFETCH(int, tool);
    QFETCH(int, ending);
    std::unique_ptr<CanvasBoard> white;
    BoardDriver &b = eitherBoard(onPdf ? board.get() : nullptr, white);
    QWidget *w = b.widget();
    b.useTool(PaintTool::Pencil);
    stroke(w, nullptr, b.at(wavyLine(QPoint(120, 200), 10)), b.tick());
    const QImage drawn = b.inkImage();
    if (tool == -1) {
        QImage picture(120, 90, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(picture);
        b.run(BoardCommand::Paste);
    } else {
        b.useTool(tool);
        const QPoint from(tool == PaintTool::Shape ? 300 : 100, 180);
        stroke(w, nullptr, b.at({from, from + QPoint(80, 60), from + QPoint(220, 150)}),
               b.tick(150));
    }
    CanvasMarquee *marquee = w->findChild<CanvasMarquee *>();
    const QPoint middle = marquee->geometry().center();
    if (tool == PaintTool::Selection) // dragged by its middle, the region lifts off the page
        stroke(w, nullptr, {middle, middle + QPoint(40, 30), middle + QPoint(90, 70)}, b.tick());
    if (onPdf) {
        board->scrollTo(6);
        board->scrollTo(0);
    }
    if (ending == 0)
        b.run(BoardCommand::Cancel);
    else if (ending == 1)
        QTest::keyClick(w, Qt::Key_Backspace);
    else
        stroke(w, nullptr, b.at({QPoint(700, 600)}), b.tick());
    QVERIFY(marquee->isHidden());
    const QImage shown = b.inkImage();
    QCOMPARE(shown, b.replayedInk());
    QCOMPARE(b.history().size(), ending == 2 ? 2 : 1);
    QCOMPARE(shown == drawn, ending != 2);
}

void PdfCanvasTest::strokeClosedMidPressKeepsItsTail()
{
    // Regression: Ctrl+wheel with the pen down closed the stroke in the history without painting
    // its last steps; they appeared only at the next full replay.
    PdfCanvas *pdf = board->canvas;
    const QVector<QPoint> line = wavyLine(QPoint(100, board->top(0) + 200), 7, 30);
    for (int i = 0; i < line.size(); ++i)
        sendMouse(pdf, i ? QEvent::MouseMove : QEvent::MouseButtonPress, line.at(i));
    QWheelEvent in(line.last(), pdf->mapToGlobal(line.last()), QPoint(), QPoint(0, 120),
                   Qt::LeftButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pdf, &in);
    sendMouse(pdf, QEvent::MouseButtonRelease, line.last());
    QVERIFY(pdf->zoom() > 1.0);
    QCOMPARE(board->history(0).size(), 1);
    const QImage live = board->page(0)->layer3.toImage();
    pdf->resetPageLayers();
    QCOMPARE(live, board->page(0)->layer3.toImage());
}

void PdfCanvasTest::inkFollowsThePointer_data()
{
    QTest::addColumn<bool>("onPdf");
    QTest::addColumn<int>("tool");
    for (bool onPdf : {false, true}) {
        for (int tool : {int(PaintTool::Pencil), int(PaintTool::Pen), int(PaintTool::Highlighter)})
            QTest::addRow("%s tool %d", onPdf ? "pdf" : "whiteboard", tool) << onPdf << tool;
    }
}

void PdfCanvasTest::inkFollowsThePointer()
{
    // Regression: the shown ink lagged two events behind the pointer (the highlighter showed
    // nothing for its first 100 ms). The tail on the screen is never part of the drawing.
    QFETCH(bool, onPdf);
    QFETCH(int, tool);
    std::unique_ptr<CanvasBoard> white;
    BoardDriver &b = eitherBoard(onPdf ? board.get() : nullptr, white);
    b.useTool(tool);
    b.property.lineBoldSize = 4;
    b.property.foreColor = QStringLiteral("#2040a0");
    if (!onPdf)
        white->canvas.setSnapshotCost(0); // the stroke's close takes an undo copy
    QWidget *w = b.widget();
    const QImage blank = b.composite();
    // Ink on the screen just behind the pointer, on the line or the nib below it (page points).
    const auto inkAt = [&blank](const QImage &shown, const QPoint &at) {
        for (int x = at.x() - 3; x <= at.x(); ++x) {
            for (int y = at.y() - 2; y <= at.y() + 6; ++y) {
                if (shown.pixel(x, y) != blank.pixel(x, y))
                    return true;
            }
        }
        return false;
    };
    QVector<QPoint> line;
    for (int i = 0; i <= 20; ++i)
        line << QPoint(60 + 8 * i, 200 + qRound(30 * qSin(i * 0.4)));
    const QVector<QPoint> input = b.at(line);
    const auto tick = b.tick(10);
    sendMouse(w, QEvent::MouseButtonPress, input.first());
    QVERIFY(inkAt(b.composite(), line.first()));
    for (int i = 1; i < line.size(); ++i) {
        tick();
        sendMouse(w, QEvent::MouseMove, input.at(i));
        QVERIFY2(inkAt(b.composite(), line.at(i)), qPrintable(QStringLiteral("move %1").arg(i)));
        if (i == 6 && (onPdf || tool != PaintTool::Highlighter))
            QCOMPARE(paintedPixels(b.inkImage().copy(QRect(line.at(i), QSize(3, 3)))), 0);
    }
    tick();
    sendMouse(w, QEvent::MouseButtonRelease, input.last() + QPoint(40, 0));
    const QImage ink = b.inkImage();
    QCOMPARE(b.history().size(), 1);
    QCOMPARE(b.replayedInk(), ink);
    b.run(BoardCommand::Undo);
    b.run(BoardCommand::Redo);
    QCOMPARE(b.inkImage(), ink);
}

void PdfCanvasTest::palmBesideThePenIsIgnored_data()
{
    addBoardRows({"stroke", "pinch", "during the pen's stroke"});
}

void PdfCanvasTest::palmBesideThePenIsIgnored()
{
    // Regression: touch did not ask whether the pen was near: a palm resting on the screen drew,
    // pinched the zoom, or took over the pen's open stroke.
    QFETCH(bool, onPdf);
    QFETCH(QString, then);
    static QTouchDevice *finger = QTest::createTouchDevice();
    std::unique_ptr<CanvasBoard> white;
    BoardDriver &b = eitherBoard(onPdf ? board.get() : nullptr, white);
    b.useTool(PaintTool::Pen);
    QWidget *w = b.widget();
    penInProximity = true;
    const auto away = qScopeGuard([] { penInProximity = false; });
    const QVector<QPoint> pen = b.at(wavyLine(QPoint(100, 200), 10, 20));
    const bool penDraws = then == QLatin1String("during the pen's stroke");
    for (int i = 0; penDraws && i < 5; ++i)
        sendPen(w, i ? QEvent::TabletMove : QEvent::TabletPress, pen.at(i));
    if (then == QLatin1String("pinch"))
        pinchOpen(w, finger, b.at({QPoint(300, 450)}).first(), b.at({QPoint(400, 450)}).first(),
                  QPoint(15, 0), 6);
    else
        stroke(w, finger, b.at(wavyLine(QPoint(120, 450), 8)), b.tick());
    for (int i = 5; penDraws && i < pen.size(); ++i)
        sendPen(w, QEvent::TabletMove, pen.at(i));
    if (penDraws)
        sendPen(w, QEvent::TabletRelease, pen.last());
    QCOMPARE(b.history().size(), penDraws ? 1 : 0);
    if (penDraws)
        QCOMPARE(b.history().first()->points.size(), pen.size());
    QCOMPARE(board->canvas->zoom(), 1.0);
}

void PdfCanvasTest::pressGoesWhereTheCursorSays_data()
{
    addBoardRows({"finger", "tool change", "zoom"});
}

void PdfCanvasTest::pressGoesWhereTheCursorSays()
{
    // Regression: the edge code of a pointer hovering on the page edge outlived its cursor: a
    // finger stroke elsewhere, or a press after a zoom or a tool change that showed the tool's
    // cursor again, widened the page instead of drawing.
    QFETCH(bool, onPdf);
    QFETCH(QString, then);
    static QTouchDevice *finger = QTest::createTouchDevice();
    CanvasBoard white(QSize(600, 800), Canvas::PictureDocument);
    white.canvas.setPointerTracking(true);
    white.useTool(PaintTool::Pen);
    if (onPdf)
        white.canvas.hide(); // touch goes to the window under the finger
    QWidget *w = onPdf ? static_cast<QWidget *>(board->canvas) : &white.canvas;
    const auto edge = [&] { return onPdf ? board->canvas->edgeCode() : white.canvas.edgeHit(); };
    const int y = onPdf ? board->top(0) + 400 : 400, width = w->width();
    sendMouse(w, QEvent::MouseMove, QPoint(width / 2, y), Qt::NoButton);
    sendMouse(w, QEvent::MouseMove, QPoint(width - 2, y), Qt::NoButton);
    QCOMPARE(edge(), 4);
    if (then == QLatin1String("tool change")) {
        onPdf ? board->useTool(PaintTool::Pencil) : white.useTool(PaintTool::Pencil);
    } else if (then == QLatin1String("zoom")) {
        onPdf ? board->canvas->setZoom(1.1) : white.canvas.setZoom(1.1);
    }
    const QVector<QPoint> line = then == QLatin1String("finger")
                                     ? wavyLine(QPoint(100, y), 8)
                                     : wavyLine(QPoint(width - 2, y), 8, -20);
    if (then != QLatin1String("finger")) {
        QCOMPARE(edge(), -1);
        QVERIFY(w->cursor().shape() != Qt::SizeHorCursor);
    }
    const int shown = w->width();
    stroke(w, then == QLatin1String("finger") ? finger : nullptr, line, [] {});
    QCOMPARE(onPdf ? board->history(0).size() : white.history().size(), 1);
    QCOMPARE(w->width(), shown);
}

void PdfCanvasTest::blankClickEndsTheStrokeInProgress_data()
{
    addBoardRows({"pen", "highlighter"});
}

void PdfCanvasTest::blankClickEndsTheStrokeInProgress()
{
    // Regression: a click beside the page (the pen on the grey margin while the mouse writes)
    // only forgot the press: the stroke's last piece was never painted, its action stayed open,
    // and a highlighter stroke vanished at the next tool change.
    QFETCH(bool, onPdf);
    QFETCH(QString, then);
    std::unique_ptr<CanvasBoard> white;
    BoardDriver &b = eitherBoard(onPdf ? board.get() : nullptr, white);
    b.useTool(then == QLatin1String("pen") ? PaintTool::Pen : PaintTool::Highlighter);
    b.property.lineBoldSize = 5;
    if (!onPdf)
        white->canvas.setSnapshotCost(0);
    QWidget *w = b.widget();
    const QVector<QPoint> line = b.at(wavyLine(QPoint(80, 200), 14, 17));
    const auto tick = b.tick();
    for (int i = 0; i < line.size(); ++i) {
        tick();
        sendMouse(w, i ? QEvent::MouseMove : QEvent::MouseButtonPress, line.at(i));
    }
    b.commitShownItems();
    QCOMPARE(b.history().size(), 1);
    QVERIFY(b.history().last()->closed);
    sendMouse(w, QEvent::MouseButtonRelease, line.last());
    b.useTool(PaintTool::Pencil);
    const QImage ink = b.inkImage();
    const QImage shown = b.composite();
    QVERIFY(paintedPixels(ink) > 300);
    QCOMPARE(b.replayedInk(), ink);
    QCOMPARE(b.composite(), shown);
}

void PdfCanvasTest::draggedEdgeStaysUnderThePointer_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("travel"); // outwards
    QTest::newRow("right, past the view's width") << 1.0 << 4 << 120;
    QTest::newRow("left, past the view's width") << 1.0 << 8 << 120;
    QTest::newRow("right, wider than the view") << 1.5 << 4 << 60;
    QTest::newRow("left, wider than the view") << 1.5 << 8 << 60;
}

void PdfCanvasTest::draggedEdgeStaysUnderThePointer()
{
    // Regression: the width grew by twice the pointer's travel even where the board no longer
    // fits the view and is not centred: the right edge ran ahead of the pointer and a left-edge
    // drag pushed the page to the right.
    QFETCH(double, zoom);
    QFETCH(int, side);
    QFETCH(int, travel);
    PdfCanvas *pdf = board->canvas;
    pdf->setZoom(zoom);
    QScrollBar *across = board->area.horizontalScrollBar();
    across->setValue(side == 4 ? across->maximum() : 0);
    const QPoint grip(side == 4 ? pdf->width() - 2 : 2, board->top(0) + 300);
    sendMouse(pdf, QEvent::MouseMove, grip, Qt::NoButton);
    QCOMPARE(pdf->edgeCode(), side);
    sendMouse(pdf, QEvent::MouseButtonPress, grip);
    const QPoint start = pdf->mapToGlobal(grip);
    // The grip's distance from the edge, on the screen.
    const auto edgeToPointer = [&](const QPoint &pointer) {
        return pdf->mapToGlobal(QPoint(side == 4 ? pdf->width() : 0, 0)).x() - pointer.x();
    };
    const int offset = edgeToPointer(start);
    QPoint pointer;
    for (int step = 1; step <= 4; ++step) {
        pointer = start + QPoint((side == 4 ? 1 : -1) * travel * step / 4, 0);
        sendMouse(pdf, QEvent::MouseMove, pdf->mapFromGlobal(pointer));
        QVERIFY2(qAbs(edgeToPointer(pointer) - offset) <= 2,
                 qPrintable(QString::number(edgeToPointer(pointer) - offset)));
    }
    sendMouse(pdf, QEvent::MouseButtonRelease, pdf->mapFromGlobal(pointer));
    QVERIFY(qAbs(edgeToPointer(pointer) - offset) <= 2);
}

void PdfCanvasTest::pageNotReadyShowsPaperAndTakesInk()
{
    // Regression: a page scrolled into view was rendered on the GUI thread, holding the window
    // and the pen for its render time. Its paper shows at once and takes ink; the rendering
    // follows without touching the ink.
    board->bar()->setValue(board->top(20));
    QVERIFY(board->canvas->visiblePageList().contains(20));
    QVERIFY(board->page(20)->pageImage.isNull());
    const QImage paper = board->page(20)->layer1.toImage();
    QCOMPARE(paper.size(), QSize(840, 1188));
    QCOMPARE(paper.pixel(400, 10), qRgb(255, 255, 255));
    board->stroke(20, QPointF(100, 300), QPointF(400, 350));
    QCOMPARE(board->history(20).size(), 1);
    const QImage ink = board->page(20)->layer3.toImage();
    QVERIFY(paintedPixels(ink) > 0);
    QVERIFY(board->rendered());
    // The black bar along the page's top edge.
    QVERIFY(qGray(board->page(20)->layer1.toImage().pixel(400, 10)) < 40);
    QCOMPARE(board->page(20)->layer3.toImage(), ink);
    // An export made while a page still shows its paper has the page itself.
    board->bar()->setValue(board->top(30));
    // The renderer may already have handed the page over during the scroll's own steps.
    board->page(30)->pageImage = QImage();
    QVERIFY(qGray(board->canvas->renderPageImage(30).toImage().pixel(400, 10)) < 40);
}

void PdfCanvasTest::pageShownAgainShowsItsLastRendering()
{
    // Regression: a page scrolled away and back showed blank paper until it was rendered again.
    board->scrollTo(20);
    board->scrollTo(30);
    board->bar()->setValue(board->top(20));
    QVERIFY(board->canvas->isWaitingForRender(20));
    const QImage shot = board->canvas->grab(QRect(0, board->top(20), 840, 100)).toImage();
    // The black bar along the page's top edge.
    QVERIFY(qGray(shot.pixel(400, 10)) < 40);
}

void PdfCanvasTest::mixedPageSizesKeepTheirShape()
{
    // Regression: a portrait page among landscape ones lay on a sheet as wide as they are and was
    // exported that wide. 612 x 1008 pt at 4 pixels per millimetre are 864 x 1422 pixels.
    const QString mixed = dir.filePath(QStringLiteral("mixed.pdf"));
    QVERIFY(writeTestPdf(mixed, mixedLegalPages()));
    QVERIFY(open(mixed));
    PdfCanvas *pdf = board->canvas;
    QCOMPARE(pdf->width(), 1422);
    board->scrollTo(1);
    QCOMPARE(board->page(1)->layer1.size(), QSize(864, 1422));
    QCOMPARE(pdf->renderPageImage(1).size(), QSize(864, 1422));
    QCOMPARE(pdf->renderPageImage(2).size(), QSize(1422, 864));
    const QImage shot = pdf->grab(QRect(0, board->top(1), pdf->width(), 400)).toImage();
    QCOMPARE(shot.pixel(800, 300), qRgb(255, 255, 255));
    // Centred: (1422 - 864) / 2 columns of background on either side.
    QCOMPARE(shot.pixel(270, 300), documentBackgroundColor().rgb());
    QCOMPARE(shot.pixel(1000, 300), qRgb(255, 255, 255));
    QCOMPARE(shot.pixel(1150, 300), documentBackgroundColor().rgb());
}

void PdfCanvasTest::narrowPageIsCentredWithItsInk_data()
{
    QTest::addColumn<double>("zoom");
    QTest::newRow("zoom 1") << 1.0;
    QTest::newRow("zoom 0.75") << 0.75;
}

void PdfCanvasTest::narrowPageIsCentredWithItsInk()
{
    // Regression: a portrait page among landscape ones lay at the left edge of the board with a
    // wide empty band at its right.
    QFETCH(double, zoom);
    const QString mixed = dir.filePath(QStringLiteral("mixed.pdf"));
    QVERIFY(writeTestPdf(mixed, mixedLegalPages()));
    QVERIFY(open(mixed));
    board->area.resize(1600, 900);
    PdfCanvas *pdf = board->canvas;
    pdf->setZoom(zoom);
    board->scrollTo(1);
    QVERIFY(board->rendered());
    // The black bar along the page's top edge spans the page: as much background on its left
    // as on its right.
    const int y = board->top(1) + 5;
    const QImage row = pdf->grab(QRect(0, y, pdf->width(), 1)).toImage();
    int first = -1, last = -1;
    for (int x = 0; x < row.width(); ++x) {
        if (qGray(row.pixel(x, 0)) < 40) {
            last = x;
            first = first < 0 ? x : first;
        }
    }
    QVERIFY(first > 0);
    QVERIFY(qAbs(last - first + 1 - qRound(864 * zoom)) <= 1);
    QVERIFY2(qAbs(first - (row.width() - 1 - last)) <= 1,
             qPrintable(QStringLiteral("%1 | %2").arg(first).arg(row.width() - 1 - last)));

    // Ink drawn through the window lands on the page where it was drawn relative to the page,
    // and the export has it there.
    board->property.lineBoldSize = 9;
    board->property.foreColor = QStringLiteral("#1030E0");
    const QPoint from(first + qRound(100 * zoom), board->top(1) + qRound(300 * zoom));
    QVector<QPoint> path;
    for (int i = 0; i <= 10; ++i)
        path << from + QPoint(qRound(20 * i * zoom), 0);
    stroke(pdf, nullptr, path, [this] { board->clockNow += 20; });
    QCOMPARE(board->history(1).size(), 1);
    const QImage ink = board->page(1)->layer3.toImage();
    QVERIFY(inkPixels(ink, QRect(110, 290, 180, 20)) > 100);
    QCOMPARE(inkPixels(ink, QRect(0, 0, 90, ink.height())), 0);
    QCOMPARE(inkPixels(ink, QRect(310, 0, ink.width() - 310, ink.height())), 0);
    const QImage exported = pdf->renderPageImage(1).toImage();
    QCOMPARE(exported.size(), QSize(864, 1422));
    QVERIFY(inkPixels(exported, QRect(110, 290, 180, 20)) > 100);
    // On the screen it stays under the pointer's path.
    const QImage shown =
        pdf->grab(QRect(from - QPoint(0, 5), QSize(qRound(200 * zoom), 11))).toImage();
    QVERIFY(inkPixels(shown, shown.rect()) > 50 * zoom);
}

void PdfCanvasTest::everyShortPageInViewIsRendered()
{
    // Regression: with more than eight pages in view, each render asked past the eighth threw
    // away that of a page in view, which kept showing its paper until the next scroll.
    const QString tickets = dir.filePath(QStringLiteral("tickets.pdf"));
    QVERIFY(writeTestPdf(tickets, QVector<QSizeF>(60, QSizeF(595, 60))));
    QVERIFY(open(tickets));
    PdfCanvas *pdf = board->canvas;
    // Ctrl and the wheel down to the smallest zoom.
    for (int i = 0; i < 12; ++i) {
        QWheelEvent wheel(QPointF(100, 100), pdf->mapToGlobal(QPoint(100, 100)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(pdf, &wheel);
    }
    QVERIFY(qAbs(pdf->zoom() - 0.55) < 1e-9);
    QCoreApplication::processEvents();
    // Pages not seen yet come into view all at once.
    board->bar()->setValue(board->top(30));
    QCoreApplication::processEvents();
    const QVector<int> shown = pdf->visiblePageList();
    QVERIFY2(shown.size() > 8, qPrintable(QString::number(shown.size())));
    const auto allRendered = [&] {
        for (int i : shown) {
            if (board->page(i)->pageImage.isNull())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allRendered(), 10000);
    QCoreApplication::processEvents();
    // Each shows its black top bar, not its paper.
    for (int i : shown) {
        const QImage bar = pdf->grab(QRect(pdf->width() / 2, board->top(i) + 3, 1, 1)).toImage();
        QVERIFY2(qGray(bar.pixel(0, 0)) < 40, qPrintable(QStringLiteral("page %1").arg(i + 1)));
    }
}

void PdfCanvasTest::formOpensAtOnceAndShowsWhatReadersShow()
{
    // Regressions: a form's copy was made before the first page; print-only stamps were shown.
    const QString form = dir.filePath(QStringLiteral("form.pdf"));
    QVERIFY(writeScannedPdf(form, 3, true));
    QVERIFY(open(form, false));
    PDFReader &reader = board->canvas->documentReader();
    QVERIFY(reader.readingAnnotations());
    board->area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board->area));
    QTRY_VERIFY(!reader.readingAnnotations());
    QVERIFY(board->rendered());
    const QImage page = board->page(0)->layer1.toImage();
    QVERIFY(pagePixels(page, scannedField) > 300);
    QCOMPARE(pagePixels(page, scannedStamp, true), 0);
}

QTEST_MAIN(PdfCanvasTest)
#include "tst_pdfcanvas.moc"
