#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTabletEvent>
#include <QTextEdit>
#include <QTouchEvent>
#include <QtMath>
#include <QtTest>

#include "base/globals.h"
#include "base/uimetrics.h"
#include "boarddriver.h"
#include "drawing/penwidth.h"
#include "items/canvasfcline.h"
#include "items/canvasline.h"
#include "items/canvasmarquee.h"
#include "items/canvastextbox.h"

namespace {
void sendTablet(Canvas &canvas, QEvent::Type type, const QPointF &at, qreal pressure)
{
    QTabletEvent event(type, at, canvas.mapToGlobal(at.toPoint()), QTabletEvent::Stylus,
                       QTabletEvent::Pen, pressure, 0, 0, 0, 0, 0, Qt::NoModifier, 1,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
    QApplication::sendEvent(&canvas, &event);
}

bool sendMouse(Canvas &canvas, QEvent::Type type, const QPointF &at, Qt::MouseEventSource source)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, at, canvas.mapToGlobal(at.toPoint()), button, buttons,
                      Qt::NoModifier, source);
    event.setAccepted(false);
    QApplication::sendEvent(&canvas, &event);
    return event.isAccepted();
}

bool sendTouch(Canvas &canvas, QTouchDevice *device, QEvent::Type type, const QPointF &at,
               qreal pressure)
{
    QTouchEvent::TouchPoint point(0);
    point.setPos(at);
    point.setScreenPos(canvas.mapToGlobal(at.toPoint()));
    point.setPressure(pressure);
    Qt::TouchPointState state = Qt::TouchPointMoved;
    if (type == QEvent::TouchBegin)
        state = Qt::TouchPointPressed;
    else if (type == QEvent::TouchEnd)
        state = Qt::TouchPointReleased;
    point.setState(state);
    QTouchEvent event(type, device, Qt::NoModifier, state, {point});
    event.setAccepted(false);
    QApplication::sendEvent(&canvas, &event);
    return event.isAccepted();
}
} // namespace

class TestCanvasInput : public QObject
{
    Q_OBJECT

private slots:
    void shortDragsLeaveNoFrameOrLine();
    void framesAndLinesWaitForTheFirstHundredMilliseconds();
    void highlighterClickLeavesNothing();
    void shiftKeepsTheHighlighterLevel();
    void pencilStrokeIsRecordedAndPainted();
    void textToolPressOnlyCommitsAShownBox();
    void arrowKeysAndTheShownItems();
    void tabletPressureIsRecordedToTwoDecimals();
    void penNearTheScreenDropsOnlySynthesisedMice();
    void touchSequenceDrawsAStroke();
    void touchWithTheMouseToolIsLeftAlone();
    void stampAfterUndoDropsTheUndoneAction();
    void stampWithoutPictureDoesNothing();
    void shapeDragIsCommittedByABlankClick();
    void modifierKeysReachTheItems();
    void heldShiftReachesEveryNewItem();
    void toolChangeWhileTheButtonIsHeld_data();
    void toolChangeWhileTheButtonIsHeld();
    void overlayPassesUnusedKeysToTheWindow();
    void pageEdgeDragsThroughMouseAndPen();
    void wideStrokesShowLiveWhatTheReplayShows();
    void touchWithoutPressureDrawsLikeTheMouse();
    void freehandToolsInTurnedZoomedViews_data();
    void freehandToolsInTurnedZoomedViews();
};

void TestCanvasInput::shortDragsLeaveNoFrameOrLine()
{
    for (int tool : {PaintTool::Selection, PaintTool::Line, PaintTool::Shape}) {
        CanvasBoard board;
        board.useTool(tool);
        // Ten moves 9 ms apart: the release comes at 99 ms.
        board.press(QPointF(20, 20));
        for (int i = 1; i <= 10; ++i)
            board.move(QPointF(20 + 10 * i, 20 + 8 * i), 9);
        board.release(QPointF(120, 100), 9);
        QVERIFY2(board.history().isEmpty(), qPrintable(QString::number(tool)));
        QVERIFY(board.canvas.marqueeItem()->isHidden());
        QVERIFY(board.canvas.lineItem()->isHidden());
        QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 0"));
    }
    // A press and release in place with the line tool removes the line action too.
    CanvasBoard board;
    board.useTool(PaintTool::Line);
    board.press(QPointF(50, 50));
    board.release(QPointF(50, 50), 500);
    QVERIFY(board.history().isEmpty());
}

void TestCanvasInput::framesAndLinesWaitForTheFirstHundredMilliseconds()
{
    CanvasBoard board;
    board.useTool(PaintTool::Selection);
    board.press(QPointF(20, 20));
    board.move(QPointF(60, 60), 50);
    // Dropped: too early.
    QVERIFY(board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.last()->points.at(1), QPointF(20, 20));
    board.move(QPointF(120, 100), 60);
    board.release(QPointF(120, 100));
    QVERIFY(!board.canvas.marqueeItem()->isHidden());
    QCOMPARE(board.history().size(), 1);
    QCOMPARE(board.last()->type, 1);
    QVERIFY(!board.last()->closed);
    QCOMPARE(board.last()->points.at(1), QPointF(120, 100));

    CanvasBoard lines;
    lines.useTool(PaintTool::Line);
    lines.drag(QPointF(30, 40), QPointF(200, 140));
    QVERIFY(!lines.canvas.lineItem()->isHidden());
    QVERIFY(lines.canvas.lineItem()->isEditable());
    QCOMPARE(lines.last()->points.at(2), QPointF(30, 40));
    QCOMPARE(lines.last()->points.at(3), QPointF(200, 140));
    // The next press commits the line and starts the next one.
    lines.press(QPointF(10, 250));
    QCOMPARE(lines.history().size(), 2);
    QVERIFY(lines.history().first()->closed);
    QVERIFY(paintedPixels(lines.inkImage()) > 100);
}

void TestCanvasInput::highlighterClickLeavesNothing()
{
    CanvasBoard board;
    board.useTool(PaintTool::Highlighter);
    board.press(QPointF(40, 40));
    board.move(QPointF(40, 40), 200);
    board.release(QPointF(40, 40));
    QVERIFY(board.history().isEmpty());
    QCOMPARE(paintedPixels(board.canvas.highlightLayer().toImage()), 0);
    QCOMPARE(paintedPixels(board.inkImage()), 0);
    QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 0"));

    // A real stroke is kept, closed, and lands on the ink layer.
    board.drag(QPointF(40, 40), QPointF(240, 60), 12, 30);
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    QCOMPARE(paintedPixels(board.canvas.highlightLayer().toImage()), 0);
    QVERIFY(paintedPixels(board.inkImage()) > 1000);
}

void TestCanvasInput::shiftKeepsTheHighlighterLevel()
{
    CanvasBoard board;
    board.useTool(PaintTool::Highlighter);
    board.canvas.setShiftPressed(true);
    board.press(QPointF(40, 100));
    for (int i = 1; i <= 12; ++i)
        board.move(QPointF(40 + 12 * i, 100 + (i % 2 ? 15 : -12)), 30);
    board.release(QPointF(200, 90));
    QVERIFY(board.last());
    const QVector<QPointF> &points = board.last()->points;
    QVERIFY(points.size() >= 8);
    for (const QPointF &point : points)
        QCOMPARE(point.y(), 100.0);

    // Without Shift the stroke follows the pointer.
    board.canvas.setShiftPressed(false);
    board.drag(QPointF(40, 200), QPointF(200, 260), 8, 30);
    QCOMPARE(board.last()->points.last().y(), 260.0);
}

void TestCanvasInput::pencilStrokeIsRecordedAndPainted()
{
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 4;
    board.drag(QPointF(20, 20), QPointF(300, 200), 30, 5);
    PaintData *stroke = board.last();
    QCOMPARE(stroke->type, 2);
    QVERIFY(stroke->closed);
    QCOMPARE(stroke->points.size(), 31);
    QCOMPARE(stroke->values.size(), stroke->points.size());
    QCOMPARE(stroke->values.first(), dynamicPenWidth(0, QPointF(), QPointF(), QPointF(), 0, 4));
    // The live painting equals a replay of the history.
    const QImage live = board.inkImage();
    QVERIFY(paintedPixels(live) > 500);
    board.canvas.refreshPage();
    QCOMPARE(board.inkImage(), live);
    QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 1"));
}

void TestCanvasInput::textToolPressOnlyCommitsAShownBox()
{
    CanvasBoard board;
    CanvasTextBox *box = board.openTextBox(QPointF(40, 40));
    QVERIFY(!box->isHidden());
    QCOMPARE(board.history().size(), 1);
    QCOMPARE(board.last()->type, 10);
    box->textEditor()->setPlainText(QStringLiteral("Hello"));

    board.press(QPointF(200, 200));
    board.release(QPointF(200, 200));
    QVERIFY(box->isHidden());
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    QVERIFY(board.last()->text.contains(QStringLiteral("Hello")));
    QVERIFY(paintedPixels(board.inkImage()) > 0);

    // The next press opens a new box.
    board.press(QPointF(200, 200));
    QVERIFY(!box->isHidden());
    QCOMPARE(board.history().size(), 2);
    // An empty box is dropped with its action.
    board.canvas.commitShownItems();
    QCOMPARE(board.history().size(), 1);
}

void TestCanvasInput::arrowKeysAndTheShownItems()
{
    CanvasBoard board;
    QSignalSpy steps(&board.canvas, &Canvas::directionState);
    QTest::keyClick(&board.canvas, Qt::Key_Left);
    QTest::keyClick(&board.canvas, Qt::Key_PageDown);
    QCOMPARE(steps.size(), 2);
    QCOMPARE(steps.at(0).at(0).toInt(), 3);
    QCOMPARE(steps.at(1).at(0).toInt(), 2);

    // An unfinished connected line takes the keys and does not move.
    board.useTool(PaintTool::Polyline);
    board.press(QPointF(50, 50));
    board.release(QPointF(50, 50));
    CanvasFCLine *polyline = board.canvas.connectedLineItem();
    QVERIFY(!polyline->isHidden());
    QVERIFY(!polyline->isComplete());
    const QVector<QPointF> before = polyline->points();
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(&board.canvas, key);
    QCOMPARE(steps.size(), 2);
    QCOMPARE(polyline->points(), before);

    // A shown line moves by one pixel instead.
    CanvasBoard lines;
    QSignalSpy lineSteps(&lines.canvas, &Canvas::directionState);
    lines.useTool(PaintTool::Line);
    lines.drag(QPointF(30, 40), QPointF(200, 140));
    const QPointF start = lines.canvas.lineItem()->startPoint();
    QTest::keyClick(&lines.canvas, Qt::Key_Right);
    QCOMPARE(lines.canvas.lineItem()->startPoint(), start + QPointF(1, 0));
    QCOMPARE(lineSteps.size(), 0);
}

void TestCanvasInput::tabletPressureIsRecordedToTwoDecimals()
{
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 5;
    sendTablet(board.canvas, QEvent::TabletPress, QPointF(30, 30), 0.456);
    QVERIFY(board.last());
    QCOMPARE(board.last()->values.first(), pressureWidth(0.46, 5));
    QVERIFY(board.last()->values.first() != pressureWidth(0.456, 5));
    for (int i = 1; i <= 6; ++i)
        sendTablet(board.canvas, QEvent::TabletMove, QPointF(30 + 10 * i, 30), 0.204);
    sendTablet(board.canvas, QEvent::TabletRelease, QPointF(90, 30), 0.0);
    QVERIFY(board.last()->closed);
    QCOMPARE(board.last()->values.last(), pressureWidth(0.2, 5));
}

void TestCanvasInput::penNearTheScreenDropsOnlySynthesisedMice()
{
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    penInProximity = true;
    // Made from the pen's own events: dropped.
    sendMouse(board.canvas, QEvent::MouseButtonPress, QPointF(20, 20),
              Qt::MouseEventSynthesizedByQt);
    sendMouse(board.canvas, QEvent::MouseButtonRelease, QPointF(20, 20),
              Qt::MouseEventSynthesizedByQt);
    QVERIFY(board.history().isEmpty());
    // A real mouse still draws although the driver never said the pen left.
    sendMouse(board.canvas, QEvent::MouseButtonPress, QPointF(20, 20),
              Qt::MouseEventNotSynthesized);
    sendMouse(board.canvas, QEvent::MouseMove, QPointF(60, 40), Qt::MouseEventNotSynthesized);
    sendMouse(board.canvas, QEvent::MouseButtonRelease, QPointF(60, 40),
              Qt::MouseEventNotSynthesized);
    penInProximity = false;
    QCOMPARE(board.history().size(), 1);
    QCOMPARE(board.last()->points.size(), 2);
    QVERIFY(board.last()->closed);
}

void TestCanvasInput::touchSequenceDrawsAStroke()
{
    QTouchDevice *device = QTest::createTouchDevice();
    device->setCapabilities(QTouchDevice::Position | QTouchDevice::Pressure);
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 3;
    QVERIFY(sendTouch(board.canvas, device, QEvent::TouchBegin, QPointF(20, 100), 0.5));
    QVERIFY(board.canvas.isTouchActive());
    for (int i = 1; i <= 20; ++i)
        QVERIFY(sendTouch(board.canvas, device, QEvent::TouchUpdate,
                          QPointF(20 + 12 * i, 100 + 3 * i), 0.5));
    QVERIFY(sendTouch(board.canvas, device, QEvent::TouchEnd, QPointF(260, 160), 0.5));
    QVERIFY(!board.canvas.isTouchActive());
    QCOMPARE(board.history().size(), 1);
    PaintData *stroke = board.last();
    QCOMPARE(stroke->type, 2);
    QVERIFY(stroke->closed);
    QCOMPARE(stroke->points.size(), 21);
    QCOMPARE(stroke->values.first(), pressureWidth(0.5, 3));
    QVERIFY(paintedPixels(board.inkImage()) > 300);

    // Mouse events made from the same touch do not draw a second stroke.
    QVERIFY(sendTouch(board.canvas, device, QEvent::TouchBegin, QPointF(20, 200), 0.5));
    sendMouse(board.canvas, QEvent::MouseButtonPress, QPointF(20, 200),
              Qt::MouseEventSynthesizedByQt);
    QVERIFY(sendTouch(board.canvas, device, QEvent::TouchEnd, QPointF(20, 200), 0.5));
    QCOMPARE(board.history().size(), 2);
}

void TestCanvasInput::touchWithTheMouseToolIsLeftAlone()
{
    QTouchDevice *device = QTest::createTouchDevice();
    CanvasBoard board;
    board.useTool(PaintTool::Mouse);
    QVERIFY(!sendTouch(board.canvas, device, QEvent::TouchBegin, QPointF(20, 100), 1.0));
    // The mouse events made from the unused touch go on to the scroll area behind.
    QVERIFY(!sendMouse(board.canvas, QEvent::MouseButtonPress, QPointF(20, 100),
                       Qt::MouseEventSynthesizedByQt));
    QVERIFY(!sendTouch(board.canvas, device, QEvent::TouchEnd, QPointF(20, 100), 1.0));
    QVERIFY(!sendMouse(board.canvas, QEvent::MouseButtonRelease, QPointF(20, 100),
                       Qt::MouseEventSynthesizedByQt));
    QVERIFY(!board.canvas.isTouchActive());
    QVERIFY(board.history().isEmpty());
}

void TestCanvasInput::stampAfterUndoDropsTheUndoneAction()
{
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    board.drag(QPointF(20, 20), QPointF(120, 60));
    board.canvas.undo();
    QVERIFY(!board.history().first()->active);
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 1"));

    board.property.stampName = QStringLiteral("0");
    board.useTool(PaintTool::Stamp);
    board.press(QPointF(150, 100));
    board.release(QPointF(150, 100));
    QCOMPARE(board.history().size(), 1);
    QCOMPARE(board.last()->type, 11);
    QVERIFY(board.last()->closed);
    QCOMPARE(board.lastCall(QStringLiteral("redo")), QStringLiteral("redo 0"));
    const QImage stamped = board.inkImage();
    QVERIFY(paintedPixels(stamped) > 0);

    board.canvas.redo();
    QCOMPARE(board.history().size(), 1);
    QCOMPARE(board.last()->type, 11);
    QCOMPARE(board.inkImage(), stamped);
}

void TestCanvasInput::stampWithoutPictureDoesNothing()
{
    CanvasBoard board;
    board.useTool(PaintTool::Stamp);
    board.press(QPointF(150, 100));
    board.release(QPointF(150, 100));
    board.property.stampName = QStringLiteral("no such stamp.sps");
    board.press(QPointF(150, 100));
    board.release(QPointF(150, 100));
    QVERIFY(board.history().isEmpty());
}

void TestCanvasInput::shapeDragIsCommittedByABlankClick()
{
    CanvasBoard board;
    board.property.shapeType = 6;
    board.property.polygonSideCount = 5;
    board.useTool(PaintTool::Shape);
    board.drag(QPointF(50, 50), QPointF(250, 200));
    CanvasMarquee *marquee = board.canvas.marqueeItem();
    QVERIFY(!marquee->isHidden());
    QVERIFY(marquee->hasRotateHandle());
    for (int i = 2; i < 8; ++i)
        QVERIFY(board.last()->points.at(i) != invalidPointF);
    emit marquee->marqueeBlankClicked();
    QVERIFY(marquee->isHidden());
    QCOMPARE(board.history().size(), 1);
    PaintData *shape = board.last();
    QVERIFY(shape->closed);
    QCOMPARE(shape->value1, 6);
    QCOMPARE(shape->text, QStringLiteral("5"));
    const QImage live = board.inkImage();
    QVERIFY(paintedPixels(live) > 200);
    board.canvas.refreshPage();
    QCOMPARE(board.inkImage(), live);
}

void TestCanvasInput::modifierKeysReachTheItems()
{
    CanvasBoard board;
    QTest::keyPress(&board.canvas, Qt::Key_Shift);
    QTest::keyPress(&board.canvas, Qt::Key_Control);
    QVERIFY(board.canvas.isShiftHeld());
    QVERIFY(board.canvas.isCtrlHeld());
    QTest::keyRelease(&board.canvas, Qt::Key_Shift);
    QTest::keyRelease(&board.canvas, Qt::Key_Control);
    QVERIFY(!board.canvas.isShiftHeld());
    QVERIFY(!board.canvas.isCtrlHeld());
    board.canvas.setCtrlPressed(true);
    board.canvas.setShiftPressed(true);
    board.canvas.resetKeyState();
    QVERIFY(!board.canvas.isShiftHeld());
    QVERIFY(!board.canvas.isCtrlHeld());
}

void TestCanvasInput::heldShiftReachesEveryNewItem()
{
    for (int tool : {PaintTool::Line, PaintTool::Shape, PaintTool::Selection}) {
        CanvasBoard board;
        board.useTool(tool);
        board.canvas.setShiftPressed(true);
        // The second item's press commits the first, whose reset used to drop the key.
        for (int y : {20, 140}) {
            board.drag(QPointF(30, y), QPointF(200, y + 60));
            if (tool == PaintTool::Line)
                QCOMPARE(board.canvas.lineItem()->endPoint(), QPointF(200, y));
            else
                QCOMPARE(board.canvas.marqueeItem()->rotatedSize(), QSize(60, 60));
        }
    }
}

void TestCanvasInput::toolChangeWhileTheButtonIsHeld_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("kept");
    QTest::newRow("line") << int(PaintTool::Line) << false;
    QTest::newRow("shape") << int(PaintTool::Shape) << false;
    QTest::newRow("selection") << int(PaintTool::Selection) << false;
    QTest::newRow("pencil") << int(PaintTool::Pencil) << true;
    QTest::newRow("pen") << int(PaintTool::Pen) << true;
    QTest::newRow("highlighter") << int(PaintTool::Highlighter) << true;
}

void TestCanvasInput::toolChangeWhileTheButtonIsHeld()
{
    QFETCH(int, tool);
    QFETCH(bool, kept);
    CanvasBoard board;
    board.useTool(tool);
    board.property.lineBoldSize = 9;
    board.press(QPointF(40, 100));
    // Frames and lines get their points only after 100 ms; freehand strokes from the start.
    for (int i = 1; i <= 13; ++i)
        board.move(QPointF(40 + 17 * i, 100 + 40 * qSin(i * 0.5)), kept ? 20 : 5);
    board.useTool(PaintTool::Eraser);
    board.release(QPointF(300, 100));
    if (!kept) {
        // No undo step that does nothing.
        QVERIFY(board.history().isEmpty());
        QCOMPARE(board.lastCall(QStringLiteral("undo")), QStringLiteral("undo 0"));
        return;
    }
    QCOMPARE(board.history().size(), 1);
    QVERIFY(board.last()->closed);
    // The whole stroke is on the screen and in the ink, as a replay draws it.
    const QImage live = board.composite();
    const QImage ink = board.inkImage();
    board.canvas.refreshPage();
    QCOMPARE(board.composite(), live);
    QCOMPARE(board.inkImage(), ink);
}

void TestCanvasInput::overlayPassesUnusedKeysToTheWindow()
{
    CanvasBoard overlay(QSize(400, 300), Canvas::SlideOverlay);
    QTest::keyClick(&overlay.canvas, Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(overlay.lastCall(QStringLiteral("key")),
             QStringLiteral("key %1 %2").arg(int(Qt::Key_F5)).arg(int(Qt::ShiftModifier)));
    CanvasBoard board;
    QTest::keyClick(&board.canvas, Qt::Key_F5);
    QVERIFY(board.lastCall(QStringLiteral("key")).isEmpty());
}

void TestCanvasInput::pageEdgeDragsThroughMouseAndPen()
{
    CanvasBoard board(QSize(400, 300), Canvas::PictureDocument);
    board.useTool(PaintTool::Pencil);
    board.canvas.setPointerTracking(true);
    sendMouse(board.canvas, QEvent::MouseMove, QPointF(398, 100), Qt::MouseEventNotSynthesized);
    QCOMPARE(board.canvas.edgeHit(), 4);
    sendMouse(board.canvas, QEvent::MouseButtonPress, QPointF(398, 100),
              Qt::MouseEventNotSynthesized);
    QVERIFY(board.canvas.isEdgeDragging());
    sendMouse(board.canvas, QEvent::MouseMove, QPointF(438, 100), Qt::MouseEventNotSynthesized);
    sendMouse(board.canvas, QEvent::MouseButtonRelease, QPointF(438, 100),
              Qt::MouseEventNotSynthesized);
    QVERIFY(!board.canvas.isEdgeDragging());
    QCOMPARE(board.canvas.currentPage()->showExtension.right(), 40);
    QCOMPARE(board.canvas.width(), 440);
    // Nothing was drawn.
    QVERIFY(board.history().isEmpty());

    // The pen passes at most one move per 40 ms on to the drag.
    sendTablet(board.canvas, QEvent::TabletMove, QPointF(438, 100), 0.0);
    QCOMPARE(board.canvas.edgeHit(), 4);
    sendTablet(board.canvas, QEvent::TabletPress, QPointF(438, 100), 0.5);
    QVERIFY(board.canvas.isEdgeDragging());
    board.clockNow += 50;
    sendTablet(board.canvas, QEvent::TabletMove, QPointF(448, 100), 0.5);
    QCOMPARE(board.canvas.currentPage()->showExtension.right(), 50);
    board.clockNow += 10;
    sendTablet(board.canvas, QEvent::TabletMove, QPointF(468, 100), 0.5);
    QCOMPARE(board.canvas.currentPage()->showExtension.right(), 50);
    board.clockNow += 50;
    sendTablet(board.canvas, QEvent::TabletMove, QPointF(478, 100), 0.5);
    QCOMPARE(board.canvas.currentPage()->showExtension.right(), 80);
    sendTablet(board.canvas, QEvent::TabletRelease, QPointF(478, 100), 0.0);
    QVERIFY(!board.canvas.isEdgeDragging());
    QCOMPARE(board.canvas.width(), 480);
}

void TestCanvasInput::wideStrokesShowLiveWhatTheReplayShows()
{
    for (int tool : {PaintTool::Pencil, PaintTool::Pen}) {
        CanvasBoard board;
        board.useTool(tool);
        board.property.lineBoldSize = 12;
        board.press(QPointF(30, 150), 1.0);
        for (int i = 1; i <= 40; ++i)
            board.move(QPointF(30 + 8 * i, 150 + 60 * qSin(i * 0.3)), 10, 1.0);
        board.release(QPointF(350, 150));
        // What the screen shows (the composite) after live painting equals a full replay.
        const QImage live = board.composite();
        board.canvas.refreshPage();
        QCOMPARE(board.composite(), live);
    }
}

void TestCanvasInput::touchWithoutPressureDrawsLikeTheMouse()
{
    // Touch points of a screen without pressure report 1.0: taken as no pressure, not as a
    // full press that would double the width.
    QTouchDevice *device = QTest::createTouchDevice();
    device->setCapabilities(QTouchDevice::Position);
    CanvasBoard board;
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 3;
    sendTouch(board.canvas, device, QEvent::TouchBegin, QPointF(20, 100), 1.0);
    sendTouch(board.canvas, device, QEvent::TouchUpdate, QPointF(60, 100), 1.0);
    sendTouch(board.canvas, device, QEvent::TouchEnd, QPointF(60, 100), 1.0);
    QVERIFY(board.last());
    QCOMPARE(board.last()->values.first(),
             dynamicPenWidth(0, QPointF(), QPointF(), QPointF(), 0, 3));
}

void TestCanvasInput::freehandToolsInTurnedZoomedViews_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("turn");
    for (int tool :
         {PaintTool::Pencil, PaintTool::Pen, PaintTool::Highlighter, PaintTool::Eraser}) {
        for (int turn : {0, 1, 2, 3, 4})
            QTest::addRow("tool %d turn %d", tool, turn) << tool << turn;
    }
}

void TestCanvasInput::freehandToolsInTurnedZoomedViews()
{
    QFETCH(int, tool);
    QFETCH(int, turn);
    CanvasBoard board(QSize(300, 240), Canvas::PictureDocument);
    board.canvas.setRotateType(turn);
    board.canvas.setZoom(1.5);
    // Ink to erase.
    board.useTool(PaintTool::Pencil);
    board.property.lineBoldSize = 10;
    board.drag(QPointF(20, 60), QPointF(330, 200), 20, 10);
    board.useTool(tool);
    board.property.eraserSize = 4;
    board.property.highlightSize = 3;
    board.property.foreColor = QStringLiteral("#30a050");
    board.press(QPointF(40, 200));
    for (int i = 1; i <= 30; ++i)
        board.move(QPointF(40 + 9 * i, 200 - 120 * qSin(i * 0.1)), 30);
    board.release(QPointF(310, 100));
    QVERIFY(board.last()->closed);
    const QImage live = board.composite();
    board.canvas.refreshPage();
    QCOMPARE(board.composite(), live);
}

QTEST_MAIN(TestCanvasInput)
#include "tst_canvasinput.moc"
