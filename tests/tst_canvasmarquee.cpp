#include <QtTest>

#include "userinput.h"

#include "base/globals.h"
#include "base/uimetrics.h"
#include "drawing/stylerecords.h"
#include "items/canvasmarquee.h"
#include "items/itemgeometry.h"

namespace {

bool near(const QPointF &a, const QPointF &b, double tolerance = 1e-6)
{
    return QLineF(a, b).length() <= tolerance;
}

// Angle between two directions, 0 to 180.
double angleGap(double a, double b)
{
    double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

double distanceToLine(const QPointF &p, const QLineF &line)
{
    const QPointF d = line.p2() - line.p1();
    return std::abs(d.x() * (p.y() - line.p1().y()) - d.y() * (p.x() - line.p1().x())) /
           line.length();
}

struct Frame
{
    QPointF p1, p2, c;
    QPointF k5() const { return 2 * c - p1; }
    QPointF k7() const { return 2 * c - p2; }
    double angle() const { return QLineF(p1, p2).angle(); }
    QPointF handle(int code) const
    {
        const QPointF h[] = {p1,   (p1 + p2) / 2,     p2,   (p2 + k5()) / 2,
                             k5(), (k5() + k7()) / 2, k7(), (k7() + p1) / 2};
        return h[code - 1];
    }
};

Frame frameOf(const CanvasMarquee *m)
{
    return Frame{m->firstCorner(), m->secondCorner(), m->center()};
}

// A picture with one red marker square in its top-left quarter on white.
QPixmap markedPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (int y = 2; y < 8; ++y) {
        for (int x = 2; x < 8; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    }
    return QPixmap::fromImage(image);
}

bool isRed(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60 && qAlpha(p) > 200;
}

} // namespace

class TestCanvasMarquee : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void frameFromDragAndShiftSquare();
    void cornerDragsOnRotatedFrameKeepOppositeCorner();
    void edgeDragsOnRotatedFrameKeepOppositeEdge();
    void ctrlKeepsAspectRatio();
    void rotationSnapsNearQuarterTurns();
    void mirroringAndTurningMoveTheMarker();
    void mirroredShapeIsFlipped();
    void handleOrderOnTinyFrames();
    void nudgeMovesExactlyOnePixel();
    void nudgeDuringDragEndsTheDrag();
    void originIsARealPoint();
    void pressWithoutHoverUsesThePressPoint();
    void pressOutsideOnlyAsksForCommit();
    void geometryHoldsRotateHandle();
    void shiftMoveStaysOnAxis();
    void cuboidDepthFollowsCornerSeven();
    void resetKeepsFrameVisibility();
    void pixmapHelpers();
    void copyFramedRegionOfTurnedFrame();

private:
    QScopedPointer<QWidget> holder;
    CanvasMarquee *marquee = nullptr;
};

void TestCanvasMarquee::init()
{
    penInProximity = false;
    holder.reset(new QWidget);
    holder->resize(1000, 800);
    marquee = new CanvasMarquee(holder.data());
    holder->show();
    QVERIFY(QTest::qWaitForWindowExposed(holder.data()));
    QVERIFY(marquee->isHidden());
}

void TestCanvasMarquee::frameFromDragAndShiftSquare()
{
    QSignalSpy shown(marquee, &CanvasMarquee::showHideChanged);
    marquee->setFrameFromDrag(QPointF(300, 200), QPointF(100, 260));
    QCOMPARE(marquee->firstCorner(), QPointF(100, 200));
    QCOMPARE(marquee->secondCorner(), QPointF(300, 200));
    QCOMPARE(marquee->center(), QPointF(200, 230));
    QCOMPARE(marquee->rotatedSize(), QSize(200, 60));
    QVERIFY(marquee->isValid());
    QCOMPARE(shown.count(), 1);
    // The bounding square holds the frame at any rotation.
    const double half = QLineF(QPointF(100, 200), QPointF(200, 230)).length();
    QCOMPARE(marquee->topLeft(), QPointF(200 - half, 230 - half));
    QCOMPARE(marquee->bottomRight(), QPointF(200 + half, 230 + half));

    marquee->setShiftPressed(true);
    marquee->setFrameFromDrag(QPointF(300, 200), QPointF(100, 260));
    QCOMPARE(marquee->firstCorner(), QPointF(240, 200));
    QCOMPARE(marquee->secondCorner(), QPointF(300, 200));
    QCOMPARE(marquee->rotatedSize(), QSize(60, 60));

    marquee->setFrameFromDrag(QPointF(50, 50), QPointF(50, 50));
    QVERIFY(!marquee->isValid());
}

void TestCanvasMarquee::cornerDragsOnRotatedFrameKeepOppositeCorner()
{
    for (int corner : {1, 3, 5, 7}) {
        marquee->reset();
        marquee->setFrameFromDrag(QPointF(300, 250), QPointF(560, 410));
        marquee->setRotateHandleVisible(true);
        // Turn it by about 30 degrees with the rotate handle.
        const QPointF c = marquee->center();
        const Frame upright = frameOf(marquee);
        const QPointF handle =
            (upright.p1 + upright.p2) / 2 + QPointF(0, -fiveMillimetresInPixels());
        const QPointF turnedTo = c + turnedVector(handle - c, 30);
        dragInParent(marquee, handle, turnedTo);
        const Frame before = frameOf(marquee);
        QVERIFY(angleGap(before.angle(), 30) < 1.0);

        const QPointF opposite = before.handle(corner == 1   ? 5
                                               : corner == 3 ? 7
                                               : corner == 5 ? 1
                                                             : 3);
        const QPointF target = (before.handle(corner) + QPointF(23, -17)).toPoint();
        QSignalSpy changed(marquee, &CanvasMarquee::marqueeChanged);
        dragInParent(marquee, before.handle(corner), target);
        const Frame after = frameOf(marquee);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toInt(), corner);
        const QPointF fixed = after.handle(corner == 1 ? 5 : corner == 3 ? 7 : corner == 5 ? 1 : 3);
        QVERIFY2(near(fixed, opposite), qPrintable(QStringLiteral("corner %1").arg(corner)));
        QVERIFY(near(after.handle(corner), target));
        QVERIFY(angleGap(after.angle(), before.angle()) < 1e-6);
    }
}

void TestCanvasMarquee::edgeDragsOnRotatedFrameKeepOppositeEdge()
{
    for (int edge : {2, 4, 6, 8}) {
        marquee->reset();
        marquee->setFrameFromDrag(QPointF(300, 250), QPointF(560, 410));
        marquee->rotateOrMirror(2);
        // A quarter turn plus a skew-free slant: rotate the frame by 20 more degrees.
        marquee->setRotateHandleVisible(true);
        const Frame upright = frameOf(marquee);
        const QPointF c = upright.c;
        const QPointF middle = (upright.p1 + upright.p2) / 2;
        const QPointF handle =
            middle + (middle - c) * (fiveMillimetresInPixels() / QLineF(c, middle).length());
        dragInParent(marquee, handle, c + turnedVector(handle - c, -20));
        const Frame before = frameOf(marquee);

        const int across = edge + 4 > 8 ? edge - 4 : edge + 4;
        const QPointF oppositeA = before.handle(across - 1);
        const QPointF oppositeB = before.handle(across == 8 ? 1 : across + 1);
        const QPointF target = (before.handle(edge) + QPointF(-19, 31)).toPoint();
        dragInParent(marquee, before.handle(edge), target);
        const Frame after = frameOf(marquee);
        const QString what = QStringLiteral("edge %1").arg(edge);
        QVERIFY2(near(after.handle(across - 1), oppositeA), qPrintable(what));
        QVERIFY2(near(after.handle(across == 8 ? 1 : across + 1), oppositeB), qPrintable(what));
        // The dragged edge now runs through the pointer.
        const QLineF dragged(after.handle(edge - 1), after.handle(edge == 8 ? 1 : edge + 1));
        QVERIFY2(distanceToLine(target, dragged) < 1e-6, qPrintable(what));
        QVERIFY(angleGap(after.angle(), before.angle()) < 1e-6);
    }
}

void TestCanvasMarquee::ctrlKeepsAspectRatio()
{
    for (const QPointF &pointer :
         {QPointF(150, 120), QPointF(200, 100), QPointF(140, 180), QPointF(260, 290)}) {
        marquee->reset();
        marquee->setFrameFromDrag(QPointF(100, 100), QPointF(400, 300));
        marquee->setCtrlPressed(true);
        const Frame before = frameOf(marquee);
        dragInParent(marquee, before.p1, pointer);
        const Frame after = frameOf(marquee);
        const QString what = QStringLiteral("to %1,%2").arg(pointer.x()).arg(pointer.y());
        QVERIFY2(near(after.k5(), before.k5()), qPrintable(what));
        const double w = QLineF(after.p1, after.p2).length();
        const double h = QLineF(after.p1, after.k7()).length();
        QVERIFY2(std::abs(w / h - 1.5) < 1e-9, qPrintable(what));
        // The frame reaches the pointer in one direction and stays inside it in the other.
        QVERIFY2(after.p1.x() >= pointer.x() - 1e-9 && after.p1.y() >= pointer.y() - 1e-9,
                 qPrintable(what));
        QVERIFY2(std::abs(after.p1.x() - pointer.x()) < 1e-9 ||
                     std::abs(after.p1.y() - pointer.y()) < 1e-9,
                 qPrintable(what));
    }
    // Edges are not constrained.
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(400, 300));
    dragInParent(marquee, QPointF(400, 200), QPointF(450, 260));
    QCOMPARE(marquee->secondCorner(), QPointF(450, 100));
}

void TestCanvasMarquee::rotationSnapsNearQuarterTurns()
{
    struct Case
    {
        double turn;     // pointer turn about the centre, counter-clockwise
        double expected; // first-edge angle after it
        bool exact;
    };
    for (const Case &k : {Case{86, 90, true}, Case{-94.5, 270, true}, Case{4, 0, true},
                          Case{183, 180, true}, Case{80, 80, false}, Case{-30, 330, false}}) {
        marquee->reset();
        marquee->setFrameFromDrag(QPointF(300, 300), QPointF(500, 400));
        marquee->setRotateHandleVisible(true);
        const Frame f = frameOf(marquee);
        const QPointF middle = (f.p1 + f.p2) / 2;
        const QPointF handle = middle + QPointF(0, -fiveMillimetresInPixels());
        QSignalSpy before(marquee, &CanvasMarquee::marqueeBeforeMove);
        const QRect oldGeometry = marquee->geometry();
        QTest::mousePress(marquee, Qt::LeftButton, {}, marquee->mapFromParent(handle.toPoint()));
        QCOMPARE(marquee->currentHitCode(), 9);
        // Far from the centre, so that whole pixels give the angle closely.
        const QPointF pointer = f.c + turnedVector(QPointF(0, -1000), k.turn);
        dragMove(marquee, marquee->mapFromParent(pointer.toPoint()));
        QCOMPARE(before.count(), 1);
        QCOMPARE(before.first().at(0).toInt(), 9);
        QCOMPARE(before.first().at(1).toRect(), oldGeometry);
        const double angle = QLineF(marquee->firstCorner(), marquee->secondCorner()).angle();
        const QString what = QStringLiteral("turn %1 gave %2").arg(k.turn).arg(angle, 0, 'g', 17);
        if (k.exact)
            QVERIFY2(angleGap(angle, k.expected) < 1e-9, qPrintable(what));
        else
            QVERIFY2(angleGap(angle, k.expected) < 0.1 && angleGap(angle, k.expected) > 1e-9,
                     qPrintable(what));
        QCOMPARE(marquee->center(), f.c);
        QCOMPARE(marquee->rotatedSize(), QSize(200, 100));
    }
}

void TestCanvasMarquee::mirroringAndTurningMoveTheMarker()
{
    const QPixmap picture = markedPicture(40, 20);
    struct Case
    {
        int kind;
        QPoint marker; // where the marker's middle lands in the rendered frame
    };
    // Frame (100,100)-(140,120): bounding square of side 2 x |p1 - c| around c = (120, 110).
    for (const Case &k : {Case{0, {5, 5}}, Case{3, {35, 5}}, Case{4, {5, 15}}, Case{1, {5, 35}},
                          Case{2, {15, 5}}}) {
        marquee->reset();
        marquee->setFrameFromDrag(QPointF(100, 100), QPointF(140, 120));
        marquee->setContentPixmap(picture);
        if (k.kind)
            marquee->rotateOrMirror(k.kind);
        const Frame f = frameOf(marquee);
        QCOMPARE(isMirroredFrame(f.p1, f.p2, f.c), k.kind == 3 || k.kind == 4);
        const QPixmap out = CanvasMarquee::renderContentInFrame(picture, f.p1, f.p2, f.c);
        const QImage image = out.toImage();
        // The frame's upright rect inside the bounding square.
        const QRectF square = frameBoundingSquare(f.p1, f.p2, f.c);
        const bool turned = k.kind == 1 || k.kind == 2;
        const QSizeF shown = turned ? QSizeF(20, 40) : QSizeF(40, 20);
        const QPointF origin = f.c - square.topLeft() - QPointF(shown.width(), shown.height()) / 2;
        const QPoint at = (origin + QPointF(k.marker)).toPoint();
        QVERIFY2(isRed(image.pixel(at)), qPrintable(QStringLiteral("kind %1").arg(k.kind)));
        // And nowhere else in the other quarters.
        int red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                red += isRed(image.pixel(x, y));
        }
        QVERIFY2(red >= 16 && red <= 36, qPrintable(QStringLiteral("kind %1").arg(k.kind)));
    }
}

void TestCanvasMarquee::mirroredShapeIsFlipped()
{
    // A right triangle has its right angle at the bottom left; mirrored top to bottom it has
    // it at the top left.
    ShapeStyle style;
    style.shapeType = 5;
    style.fillColor = "#00ff00";
    style.lineWidth = 2;
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 200));
    marquee->setShapeStyle(style);
    QVERIFY(marquee->shapeStyle().isShape);
    QVERIFY(marquee->contentPixmap().isNull());
    const Frame upright = frameOf(marquee);
    QImage image = CanvasMarquee::renderShapeInFrame(marquee->shapeStyle(), false, upright.p1,
                                                     upright.p2, upright.c)
                       .toImage();
    const QRectF square = frameBoundingSquare(upright.p1, upright.p2, upright.c);
    const QPointF origin = upright.p1 - square.topLeft();
    auto green = [](QRgb p) { return qGreen(p) > 200 && qRed(p) < 60 && qAlpha(p) > 200; };
    QVERIFY(green(image.pixel((origin + QPointF(20, 90)).toPoint())));
    QVERIFY(!green(image.pixel((origin + QPointF(180, 10)).toPoint())));
    marquee->rotateOrMirror(4);
    const Frame mirrored = frameOf(marquee);
    image = CanvasMarquee::renderShapeInFrame(marquee->shapeStyle(), false, mirrored.p1,
                                              mirrored.p2, mirrored.c)
                .toImage();
    QVERIFY(green(image.pixel((origin + QPointF(20, 10)).toPoint())));
    QVERIFY(!green(image.pixel((origin + QPointF(180, 90)).toPoint())));
}

void TestCanvasMarquee::handleOrderOnTinyFrames()
{
    const double a = fiveMillimetresInPixels();
    // A frame 3a wide and 0.6a high: the squares of 1, 8, 7 (and 3, 4, 5) all overlap.
    marquee->setFrameFromDrag(QPointF(200, 200), QPointF(200 + 3 * a, 200 + 0.6 * a));
    const Frame f = frameOf(marquee);
    auto hit = [&](const QPointF &parentPoint) {
        return marquee->hitTest(parentPoint - QPointF(marquee->pos()));
    };
    const double h = 0.6 * a;
    QCOMPARE(hit(f.p1 + QPointF(0, h / 2)), 1);                     // 1, 8, 7 overlap
    QCOMPARE(hit(f.p1 + QPointF(0, h + a * 0.45)), 7);              // 7 and 8, below 1
    QCOMPARE(hit(f.p2 + QPointF(0, h / 2)), 3);                     // 3, 4, 5 overlap
    QCOMPARE(hit(f.p2 + QPointF(0, h + a * 0.45)), 5);              // 5 before 4
    QCOMPARE(hit((f.p1 + f.p2) / 2 + QPointF(0, h / 2)), 2);        // 2 before 6
    QCOMPARE(hit((f.p1 + f.p2) / 2 + QPointF(0, h + a * 0.45)), 6); // 6 only
    // Between the handle columns, inside the frame.
    QCOMPARE(hit(f.p1 + QPointF(0.75 * a, h / 2)), 0);
    QCOMPARE(hit(f.p1 + QPointF(0.75 * a, h + a)), -1);

    // A frame smaller than one handle: everything is corner 1.
    marquee->setFrameFromDrag(QPointF(300, 300), QPointF(304, 304));
    QCOMPARE(hit(QPointF(302, 302)), 1);
    QCOMPARE(hit(QPointF(304, 304)), 1);
}

void TestCanvasMarquee::nudgeMovesExactlyOnePixel()
{
    marquee->setFrameFromDrag(QPointF(100.25, 100), QPointF(300, 250.5));
    const Frame start = frameOf(marquee);
    QSignalSpy before(marquee, &CanvasMarquee::marqueeBeforeMove);
    QSignalSpy changed(marquee, &CanvasMarquee::marqueeChanged);
    const QRect oldGeometry = marquee->geometry();
    marquee->nudge(1);
    QCOMPARE(before.count(), 1);
    QCOMPARE(before.first().at(0).toInt(), 0);
    QCOMPARE(before.first().at(1).toRect(), oldGeometry);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toInt(), 0);
    QCOMPARE(marquee->firstCorner(), start.p1 + QPointF(0, -1));
    QCOMPARE(marquee->geometry(), oldGeometry.translated(0, -1));
    marquee->nudge(4);
    QCOMPARE(marquee->center(), start.c + QPointF(1, -1));
    marquee->nudge(2);
    marquee->nudge(3);
    QCOMPARE(marquee->firstCorner(), start.p1);
    QCOMPARE(marquee->secondCorner(), start.p2);
    QCOMPARE(marquee->center(), start.c);
    // Shift and Ctrl do not bend a nudge.
    marquee->setShiftPressed(true);
    marquee->setCtrlPressed(true);
    marquee->nudge(3);
    QCOMPARE(marquee->center(), start.c + QPointF(-1, 0));
    marquee->reset();
    changed.clear();
    marquee->nudge(1);
    QCOMPARE(changed.count(), 0);
}

void TestCanvasMarquee::nudgeDuringDragEndsTheDrag()
{
    // An arrow key while the button is held must not turn the next move into a jump by the
    // pointer's whole position.
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 250));
    const Frame start = frameOf(marquee);
    QTest::mousePress(marquee, Qt::LeftButton, {}, marquee->mapFromParent(QPoint(200, 175)));
    dragMove(marquee, marquee->mapFromParent(QPoint(210, 175)));
    QCOMPARE(marquee->center(), start.c + QPointF(10, 0));
    marquee->nudge(2);
    QCOMPARE(marquee->center(), start.c + QPointF(10, 1));
    dragMove(marquee, marquee->mapFromParent(QPoint(230, 175)));
    QTest::mouseRelease(marquee, Qt::LeftButton, {}, marquee->mapFromParent(QPoint(230, 175)));
    QCOMPARE(marquee->center(), start.c + QPointF(10, 1));
    QCOMPARE(marquee->firstCorner(), start.p1 + QPointF(10, 1));
}

void TestCanvasMarquee::originIsARealPoint()
{
    // A corner dragged onto the canvas origin lands there.
    marquee->setFrameFromDrag(QPointF(50, 40), QPointF(250, 140));
    dragInParent(marquee, QPointF(50, 40), QPointF(0, 0));
    QCOMPARE(marquee->firstCorner(), QPointF(0, 0));
    QCOMPARE(marquee->center(), QPointF(125, 70));

    // With Ctrl the constrained corner can be the origin as well.
    marquee->setFrameFromDrag(QPointF(50, 25), QPointF(250, 125));
    marquee->setCtrlPressed(true);
    dragInParent(marquee, QPointF(50, 25), QPointF(0, 0));
    QCOMPARE(marquee->firstCorner(), QPointF(0, 0));
    marquee->setCtrlPressed(false);

    // A rotate handle whose centre is the origin still turns the frame.
    const double r = fiveMillimetresInPixels() / 2;
    marquee->setFrameFromDrag(QPointF(-50, 2 * r), QPointF(50, 2 * r + 100));
    marquee->setRotateHandleVisible(true);
    QVERIFY(marquee->hasRotateHandle());
    QCOMPARE(marquee->hitTest(-QPointF(marquee->pos())), 9);
    const QPointF c = marquee->center();
    dragInParent(marquee, QPointF(0, 0), c + turnedVector(-c, 45));
    QVERIFY(angleGap(QLineF(marquee->firstCorner(), marquee->secondCorner()).angle(), 45) < 1);
}

void TestCanvasMarquee::pressWithoutHoverUsesThePressPoint()
{
    // Touch gives no hover: a press straight on corner 3 must drag corner 3.
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 200));
    QSignalSpy blank(marquee, &CanvasMarquee::marqueeBlankClicked);
    dragInParent(marquee, QPointF(300, 100), QPointF(340, 80));
    QCOMPARE(blank.count(), 0);
    QCOMPARE(marquee->secondCorner(), QPointF(340, 80));
    QCOMPARE(marquee->center(), (QPointF(100, 200) + QPointF(340, 80)) / 2);

    // A press inside moves the whole frame.
    dragInParent(marquee, QPointF(200, 150), QPointF(210, 160));
    QCOMPARE(marquee->secondCorner(), QPointF(350, 90));

    // A pen press on edge 6 (the bottom) drags it at once, with a pen in proximity as well.
    penInProximity = true;
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 200));
    penDragInParent(marquee, QPoint(200, 200), QPoint(230, 260));
    penInProximity = false;
    QCOMPARE(blank.count(), 0);
    QCOMPARE(marquee->firstCorner(), QPointF(100, 100));
    QCOMPARE(marquee->center(), QPointF(200, 180));
}

void TestCanvasMarquee::pressOutsideOnlyAsksForCommit()
{
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 200));
    marquee->setRotateHandleVisible(true);
    marquee->rotateOrMirror(1);
    const Frame before = frameOf(marquee);
    QSignalSpy blank(marquee, &CanvasMarquee::marqueeBlankClicked);
    QSignalSpy changed(marquee, &CanvasMarquee::marqueeChanged);
    // Inside the widget's square but outside the turned frame.
    const QPoint outside = marquee->mapFromParent(QPoint(110, 60));
    QVERIFY(marquee->rect().contains(outside));
    QCOMPARE(marquee->hitTest(outside), -1);
    QTest::mousePress(marquee, Qt::LeftButton, {}, outside);
    dragMove(marquee, outside + QPoint(30, 30));
    QTest::mouseRelease(marquee, Qt::LeftButton, {}, outside + QPoint(30, 30));
    QCOMPARE(blank.count(), 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(marquee->firstCorner(), before.p1);
    // Other buttons do nothing.
    QTest::mousePress(marquee, Qt::RightButton, {}, outside);
    QCOMPARE(blank.count(), 1);
}

void TestCanvasMarquee::geometryHoldsRotateHandle()
{
    marquee->setFrameFromDrag(QPointF(300, 300), QPointF(320, 700));
    QVERIFY(marquee->hasRotateHandle());
    const double r = fiveMillimetresInPixels() / 2;
    // A tall narrow frame: the handle, two radii above the top edge, lies above the square.
    const double handleTop = 300 - 2 * r - r;
    QVERIFY(marquee->topLeft().y() - fiveMillimetresInPixels() / 2 > handleTop);
    QCOMPARE(marquee->geometry().top(), qRound(handleTop));
    marquee->setRotateHandleVisible(true);
    QCOMPARE(marquee->geometry().top(), qRound(handleTop));
}

void TestCanvasMarquee::shiftMoveStaysOnAxis()
{
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 200));
    marquee->setShiftPressed(true);
    dragInParent(marquee, QPointF(200, 150), QPointF(240, 170));
    QCOMPARE(marquee->center(), QPointF(240, 150));
    dragInParent(marquee, QPointF(240, 150), QPointF(230, 100));
    QCOMPARE(marquee->center(), QPointF(240, 100));
    // Exactly diagonal goes horizontal.
    dragInParent(marquee, QPointF(240, 100), QPointF(260, 120));
    QCOMPARE(marquee->center(), QPointF(260, 100));
}

void TestCanvasMarquee::cuboidDepthFollowsCornerSeven()
{
    ShapeStyle cuboid;
    cuboid.shapeType = 9;
    cuboid.lineWidth = 2;
    marquee->setFrameFromDrag(QPointF(100, 100), QPointF(300, 260));
    marquee->setShapeStyle(cuboid);
    // A first drag of corner 7 sets the depth to a quarter of the shorter side.
    dragInParent(marquee, QPointF(100, 260), QPointF(120, 260));
    ShapeStyle s = marquee->shapeStyle();
    QVERIFY(s.cuboidDepthSet);
    QCOMPARE(s.cuboidDepth, 40.0);
    QCOMPARE(s.cuboidFrontWidth, 140.0);
    // Another handle keeps the depth and moves the front width.
    dragInParent(marquee, QPointF(300, 180), QPointF(340, 180));
    s = marquee->shapeStyle();
    QCOMPARE(s.cuboidDepth, 40.0);
    QCOMPARE(s.cuboidFrontWidth, 180.0);
    // Corner 7 again changes the depth.
    dragInParent(marquee, QPointF(120, 260), QPointF(100, 260));
    s = marquee->shapeStyle();
    QCOMPARE(s.cuboidDepth, 60.0);
    // A depth reaching the shorter side less the line width falls back to the default.
    dragInParent(marquee, QPointF(100, 260), QPointF(-60, 260));
    s = marquee->shapeStyle();
    QVERIFY(!s.cuboidDepthSet);
    QCOMPARE(s.cuboidDepth, 0.0);
    QCOMPARE(s.cuboidFrontWidth, 0.0);
}

void TestCanvasMarquee::resetKeepsFrameVisibility()
{
    QSignalSpy shown(marquee, &CanvasMarquee::showHideChanged);
    marquee->setFrameFromDrag(QPointF(10, 10), QPointF(110, 60));
    marquee->setFrameVisible(false);
    marquee->setZoom(2);
    marquee->setZoom(0);
    QCOMPARE(marquee->zoomFactor(), 2.0);
    marquee->setContentPixmap(markedPicture(10, 10));
    marquee->reset();
    QCOMPARE(shown.count(), 2);
    QVERIFY(marquee->isHidden());
    QCOMPARE(marquee->zoomFactor(), 1.0);
    QVERIFY(marquee->contentPixmap().isNull());
    QVERIFY(!marquee->shapeStyle().isShape);
    QCOMPARE(marquee->firstCorner(), QPointF());
    QCOMPARE(marquee->currentHitCode(), -1);
    // Drawing the frame again shows no dashed outline: the flag survived the reset.
    marquee->setFrameFromDrag(QPointF(10, 10), QPointF(110, 60));
    const QImage image = marquee->grab().toImage();
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            blue += qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 80;
    }
    QCOMPARE(blue, 0);
    marquee->setFrameVisible(true);
    const QImage framed = marquee->grab().toImage();
    QVERIFY(qBlue(framed.pixel(marquee->mapFromParent(QPoint(12, 10)))) > 200);
}

void TestCanvasMarquee::pixmapHelpers()
{
    const QPixmap picture = markedPicture(20, 10);
    const QPixmap crop = cropPixmap(picture, QRect(QPoint(2, 2), QPoint(4, 5)));
    QCOMPARE(crop.size(), QSize(3, 4));
    QVERIFY(isRed(crop.toImage().pixel(0, 0)));
    QVERIFY(cropPixmap(QPixmap(), QRect(0, 0, 4, 4)).isNull());
    QVERIFY(cropPixmap(picture, QRect(5, 5, 0, 3)).isNull());

    // An opaque picture is cleared to transparency all the same.
    QPixmap page = markedPicture(20, 10);
    QVERIFY(!page.hasAlphaChannel());
    clearPixmapRect(&page, QRectF(1, 1, 5, 5));
    QImage cleared = page.toImage();
    QCOMPARE(qAlpha(cleared.pixel(3, 3)), 0);
    QVERIFY(isRed(cleared.pixel(7, 7)));
    clearPixmapRect(&page, QRectF(10, 0, 0, 5));
    QCOMPARE(qAlpha(page.toImage().pixel(10, 1)), 255);
    clearPixmapRect(nullptr, QRectF(0, 0, 5, 5));

    QVERIFY(
        CanvasMarquee::renderContentInFrame(picture, QPointF(5, 5), QPointF(5, 5), QPointF(5, 5))
            .isNull());
    QVERIFY(CanvasMarquee::renderShapeInFrame(ShapeStyle(), true, QPointF(5, 5), QPointF(5.2, 5),
                                              QPointF(5.1, 5.2))
                .isNull());
}

void TestCanvasMarquee::copyFramedRegionOfTurnedFrame()
{
    // A frame turned a quarter counter-clockwise reads the region upright again.
    QImage image(100, 80, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setPixel(30, 50, qRgb(255, 0, 0));
    const QPixmap page = QPixmap::fromImage(image);
    // Upright frame (20,20)-(60,60): p1 (20,20), p2 (60,20). Turned +90: p1 (20,60), p2 (20,20).
    const QPixmap upright =
        copyFramedRegion(page, QPointF(20, 20), QPointF(60, 20), QPointF(40, 40));
    QCOMPARE(upright.size(), QSize(40, 40));
    QVERIFY(isRed(upright.toImage().pixel(10, 30)));
    const QPixmap turned =
        copyFramedRegion(page, QPointF(20, 60), QPointF(20, 20), QPointF(40, 40));
    QCOMPARE(turned.size(), QSize(40, 40));
    // The red pixel spans 10 to 11 right of the frame's left side (its top edge here) and 9 to
    // 10 above its bottom (its first corner).
    QVERIFY(isRed(turned.toImage().pixel(9, 10)));
    QVERIFY(!isRed(turned.toImage().pixel(10, 10)));
    QVERIFY(copyFramedRegion(QPixmap(), QPointF(0, 0), QPointF(9, 0), QPointF(4, 4)).isNull());
}

QTEST_MAIN(TestCanvasMarquee)
#include "tst_canvasmarquee.moc"
