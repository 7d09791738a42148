#include <QtTest>

#include "base/uimetrics.h"
#include "drawing/pointerposition.h"
#include "items/canvasfcline.h"

#include <QPainter>
#include <cmath>

namespace {
// QTest::mouseMove moves the real pointer, which the offscreen platform does not have.
void dragTo(QWidget *widget, const QPoint &position)
{
    QMouseEvent event(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
} // namespace

class TestCanvasFCLine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void closesOnEarlierPointOnly();
    void closesOntoAnyEarlierPointNotJustTheFirst();
    void clickBeforeFirstTickAppendsSnappedClick();
    void previewTickFollowsPointerAndClickAppendsIt();
    void undoNeverRemovesFirstPoint();
    void repeatedSnapsGiveSameResult();
    void snapsToMidpointAndAxes();
    void snapsToFootAndParallel();
    void rightAngleMarkNeedsLongArms();
    void labelsNeverExceedHalfTurn();
    void openFigureIsFilledAsIfClosed();
    void noColourMeansNoPicture();
    void nudgeOnlyWhenComplete();
    void dragsPointAndFigure();
    void resetKeepsStyle();
    void resetForgetsUnpaintedSnapMarks();

private:
    CanvasFCLine *drawTriangle();
    QWidget *canvas = nullptr;
    CanvasFCLine *item = nullptr;
};

void TestCanvasFCLine::init()
{
    canvas = new QWidget;
    canvas->resize(800, 600);
    item = new CanvasFCLine(canvas);
    canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas));
    setPointerPositionSource([] { return QPoint(-50000, -50000); });
}

void TestCanvasFCLine::cleanup()
{
    setPointerPositionSource(nullptr);
    delete canvas;
    canvas = nullptr;
    item = nullptr;
}

CanvasFCLine *TestCanvasFCLine::drawTriangle()
{
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(300, 120), false);
    item->addPoint(QPointF(200, 300), false);
    return item;
}

void TestCanvasFCLine::closesOnEarlierPointOnly()
{
    drawTriangle();
    QCOMPARE(item->points().size(), 3);
    // The two newest points neither add nor close.
    item->addPoint(QPointF(300, 120), false);
    item->addPoint(QPointF(200, 300), false);
    QCOMPARE(item->points().size(), 3);
    QVERIFY(!item->isComplete());
    item->addPoint(QPointF(101, 101), false);
    QVERIFY(item->isClosed());
    QVERIFY(item->isComplete());
    QCOMPARE(item->points().size(), 4);
    QCOMPARE(item->points().last(), QPointF(100, 100));
    QCOMPARE(item->previewPoint(), invalidPointF);
    // A complete figure takes no more points.
    item->addPoint(QPointF(500, 500), false);
    QCOMPARE(item->points().size(), 4);
}

void TestCanvasFCLine::closesOntoAnyEarlierPointNotJustTheFirst()
{
    drawTriangle();
    item->addPoint(QPointF(50, 400), false);
    item->addPoint(QPointF(300, 120), false); // index 1 of 4: earlier than the newest two
    QVERIFY(item->isClosed());
    QCOMPARE(item->points().last(), QPointF(300, 120));
}

void TestCanvasFCLine::clickBeforeFirstTickAppendsSnappedClick()
{
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(250, 180), false);
    QCOMPARE(item->points().size(), 2);
    QCOMPARE(item->points().at(1), QPointF(250, 180));
    QVERIFY(item->width() < 400);
    QVERIFY(item->isValid());
    // Within the tolerance of the first point's y the click is snapped, as the preview would be.
    const double h = item->pointHandleExtent() / 2;
    item->addPoint(QPointF(400, 100 + h / 2), false);
    QCOMPARE(item->points().at(2), QPointF(400, 100));
}

void TestCanvasFCLine::previewTickFollowsPointerAndClickAppendsIt()
{
    item->addPoint(QPointF(100, 100), false);
    setPointerPositionSource([this] { return canvas->mapToGlobal(QPoint(260, 240)); });
    item->trackCursor();
    QCOMPARE(item->previewPoint(), QPointF(260, 240));
    QVERIFY(item->boundingItemRect().contains(QPointF(260, 240)));
    // The click lands where the preview stands.
    item->addPoint(QPointF(262, 243), false);
    QCOMPARE(item->points().last(), QPointF(260, 240));
    item->finish(true);
    QCOMPARE(item->previewPoint(), invalidPointF);
    setPointerPositionSource([this] { return canvas->mapToGlobal(QPoint(500, 500)); });
    item->trackCursor();
    QCOMPARE(item->previewPoint(), invalidPointF);
}

void TestCanvasFCLine::undoNeverRemovesFirstPoint()
{
    drawTriangle();
    item->removeLastPoint();
    item->removeLastPoint();
    QCOMPARE(item->points().size(), 1);
    item->removeLastPoint();
    item->removeLastPoint();
    QCOMPARE(item->points(), QVector<QPointF>{QPointF(100, 100)});
    QVERIFY(!item->isValid());
}

void TestCanvasFCLine::repeatedSnapsGiveSameResult()
{
    drawTriangle();
    const double h = item->pointHandleExtent() / 2;
    // Candidates near axes, midpoints, feet and parallels of the figure.
    const QVector<QPointF> candidates = {
        QPointF(100 + h / 2, 250), QPointF(250, 120 - h / 3),
        QPointF(201, 211),         QPointF(150 + h / 3, 300 - h / 2),
        QPointF(30, 80),           QPointF(100 + h / 2, 300 + h / 3),
        QPointF(400, 340),         QPointF(120, 350)};
    for (const QPointF &c : candidates) {
        const QPointF once = item->snapPoint(c);
        const QLineF horizontal = item->lastHorizontalGuide();
        const QLineF vertical = item->lastVerticalGuide();
        const QLineF angle = item->lastAngleGuide();
        const QPointF twice = item->snapPoint(c);
        QCOMPARE(twice, once);
        QCOMPARE(item->lastHorizontalGuide(), horizontal);
        QCOMPARE(item->lastVerticalGuide(), vertical);
        QCOMPARE(item->lastAngleGuide(), angle);
        // A further tick at another place does not depend on this one either.
        item->snapPoint(QPointF(700, 20));
        QCOMPARE(item->snapPoint(c), once);
    }
}

void TestCanvasFCLine::snapsToMidpointAndAxes()
{
    drawTriangle();
    const double h = item->pointHandleExtent() / 2;
    // Midpoint of the first segment.
    QCOMPARE(item->snapPoint(QPointF(200 + h / 2, 110 - h / 2)), QPointF(200, 110));
    QCOMPARE(item->lastSnapMarker(), QPointF(200, 110));
    // Both axes of two different points.
    QCOMPARE(item->snapPoint(QPointF(100 + h / 2, 300 + h / 2)), QPointF(100, 300));
    QVERIFY(item->lastSnapMarker() == invalidPointF);
    // Painting shows the marks once, then forgets them.
    item->snapPoint(QPointF(200 + h / 2, 110 - h / 2));
    item->repaint();
    QCOMPARE(item->lastSnapMarker(), invalidPointF);
    QCOMPARE(item->lastHorizontalGuide(), QLineF());
}

void TestCanvasFCLine::snapsToFootAndParallel()
{
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(300, 200), false);
    item->addPoint(QPointF(250, 350), false);
    // The foot of the perpendicular from the last point onto the first segment's line.
    QCOMPARE(item->snapPoint(QPointF(321, 211)), QPointF(320, 210));
    QCOMPARE(item->lastFootMarker(), QPointF(320, 210));
    QCOMPARE(item->lastAngleGuide(), QLineF());
    // Parallel to the first segment through the last point, with its guide beyond.
    const QPointF snapped = item->snapPoint(QPointF(350 - 0.447, 400 + 0.894));
    QVERIFY(qAbs(snapped.x() - 350) < 1e-9 && qAbs(snapped.y() - 400) < 1e-9);
    QCOMPARE(item->lastFootMarker(), invalidPointF);
    const QLineF guide = item->lastAngleGuide();
    QCOMPARE(guide.p1(), snapped);
    QVERIFY(qAbs(guide.angleTo(QLineF(100, 100, 300, 200))) < 1e-6 ||
            qAbs(guide.angleTo(QLineF(100, 100, 300, 200)) - 360) < 1e-6);
}

void TestCanvasFCLine::rightAngleMarkNeedsLongArms()
{
    const double r = 20;
    JointAngle joint = CanvasFCLine::jointAngle(QPointF(100, 0), QPointF(0, 0), QPointF(0, 100), r);
    QCOMPARE(joint.label, QStringLiteral("90.00°"));
    QVERIFY(joint.squareMark);
    QCOMPARE(joint.armA, QPointF(14, 0));
    QCOMPARE(joint.armB, QPointF(0, 14));
    QCOMPARE(joint.corner, QPointF(14, 14));
    // Arms shorter than r × 0.7071 get the arc.
    joint = CanvasFCLine::jointAngle(QPointF(10, 0), QPointF(0, 0), QPointF(0, 100), r);
    QCOMPARE(joint.label, QStringLiteral("90.00°"));
    QVERIFY(!joint.squareMark);
    QCOMPARE(joint.sweep, 90.0);
    // 89.99° is not a right angle.
    const double a = qDegreesToRadians(89.99);
    joint = CanvasFCLine::jointAngle(QPointF(100, 0), QPointF(0, 0),
                                     QPointF(100 * std::cos(a), -100 * std::sin(a)), r);
    QCOMPARE(joint.label, QStringLiteral("89.99°"));
    QVERIFY(!joint.squareMark);
}

void TestCanvasFCLine::labelsNeverExceedHalfTurn()
{
    const QPointF j(0, 0);
    for (int degrees = 0; degrees < 360; degrees += 7) {
        const double a = qDegreesToRadians(double(degrees));
        const QPointF b(50 * std::cos(a), -50 * std::sin(a));
        const JointAngle there = CanvasFCLine::jointAngle(QPointF(50, 0), j, b, 10);
        const JointAngle back = CanvasFCLine::jointAngle(b, j, QPointF(50, 0), 10);
        QVERIFY2(there.sweep <= 180.0, qPrintable(there.label));
        QCOMPARE(there.label, back.label);
        const double expected = degrees <= 180 ? degrees : 360 - degrees;
        QCOMPARE(there.label, QString::number(expected, 'f', 2) + QStringLiteral("°"));
        // The arc starts on one arm and ends on the other.
        const double end = std::fmod(there.startAngle + there.sweep, 360.0);
        const double arms[] = {0.0, std::fmod(double(degrees), 360.0)};
        QVERIFY(qFuzzyCompare(1 + there.startAngle, 1 + arms[0]) ||
                qFuzzyCompare(1 + there.startAngle, 1 + arms[1]));
        QVERIFY(qAbs(std::remainder(end - arms[0], 360.0)) < 1e-6 ||
                qAbs(std::remainder(end - arms[1], 360.0)) < 1e-6);
    }
}

void TestCanvasFCLine::openFigureIsFilledAsIfClosed()
{
    PolylineStyle style;
    style.color = "#000000";
    style.fillColor = "#ff0000";
    style.lineWidth = 2;
    const QVector<QPointF> open = {QPointF(100, 100), QPointF(300, 100), QPointF(200, 300)};
    QPixmap pixmap = item->renderToPixmap(open, style, 1.0);
    QVERIFY(!pixmap.isNull());
    const QRectF rect = item->boundingRect(open, 2, 1.0, invalidPointF);
    const QPoint centroid = (QPointF(200, 167) - rect.topLeft()).toPoint();
    QCOMPARE(pixmap.toImage().pixelColor(centroid), QColor(Qt::red));
    // Just inside the missing third side, too.
    const QPoint nearGap = (QPointF(150, 190) - rect.topLeft()).toPoint();
    QCOMPARE(pixmap.toImage().pixelColor(nearGap), QColor(Qt::red));

    for (const QString &none : {QString(), QStringLiteral("NONE"), QStringLiteral("#zz")}) {
        style.fillColor = none;
        pixmap = item->renderToPixmap(open, style, 1.0);
        QCOMPARE(pixmap.toImage().pixelColor(centroid).alpha(), 0);
    }
}

void TestCanvasFCLine::noColourMeansNoPicture()
{
    PolylineStyle style;
    const QVector<QPointF> points = {QPointF(0, 0), QPointF(50, 50)};
    style.color = "NONE";
    QVERIFY(item->renderToPixmap(points, style, 1.0).isNull());
    style.color = "";
    QVERIFY(item->renderToPixmap(points, style, 1.0).isNull());
    style.color = "#0000ff";
    QVERIFY(item->renderToPixmap({}, style, 1.0).isNull());
    QVERIFY(item->renderToPixmap(points, style, 0).isNull());
    const QPixmap pixmap = item->renderToPixmap(points, style, 2.0);
    const QRectF rect = item->boundingRect(points, style.lineWidth, 2.0, invalidPointF);
    QCOMPARE(pixmap.size(), QSize(qRound(rect.width()), qRound(rect.height())));
    QCOMPARE(pixmap.toImage().pixelColor((QPointF(25, 25) - rect.topLeft()).toPoint()),
             QColor(Qt::blue));
}

void TestCanvasFCLine::nudgeOnlyWhenComplete()
{
    drawTriangle();
    const QVector<QPointF> before = item->points();
    item->nudge(2);
    QCOMPARE(item->points(), before);
    item->finish(true);
    const QRect geometry = item->geometry();
    item->nudge(4);
    item->nudge(2);
    item->nudge(7);
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(item->points().at(i), before.at(i) + QPointF(1, 1));
    QCOMPARE(item->geometry(), geometry.translated(1, 1));
}

void TestCanvasFCLine::dragsPointAndFigure()
{
    drawTriangle();
    item->finish(true);
    QVERIFY(item->isVisible());
    const QPoint offset = item->pos();
    // Drag the second point somewhere free.
    QTest::mousePress(item, Qt::LeftButton, Qt::NoModifier, QPoint(300, 120) - offset);
    dragTo(item, QPoint(350, 200) - item->pos());
    QTest::mouseRelease(item, Qt::LeftButton, Qt::NoModifier, QPoint(350, 200) - item->pos());
    QCOMPARE(item->points().at(1), QPointF(350, 200));
    QCOMPARE(item->selectedPoint(), QPointF(350, 200));
    // Drag the whole figure by (-20, 30) from a place between the points.
    const QVector<QPointF> before = item->points();
    const QPoint start(210, 190);
    const QPoint end = start + QPoint(-20, 30);
    QTest::mousePress(item, Qt::LeftButton, Qt::NoModifier, start - item->pos());
    dragTo(item, end - item->pos());
    // Only the widget moved so far.
    QCOMPARE(item->points(), before);
    QTest::mouseRelease(item, Qt::LeftButton, Qt::NoModifier, end - item->pos());
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(item->points().at(i), before.at(i) + QPointF(-20, 30));
}

void TestCanvasFCLine::resetKeepsStyle()
{
    PolylineStyle style;
    style.color = "#123456";
    style.hasIncludedAngle = true;
    item->setPolylineStyle(style);
    QSignalSpy spy(item, &CanvasFCLine::showHideChanged);
    drawTriangle();
    item->setZoom(2);
    item->setZoom(-1);
    QCOMPARE(item->currentZoom(), 2.0);
    item->reset();
    QVERIFY(item->isHidden());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QVERIFY(item->points().isEmpty());
    QCOMPARE(item->currentZoom(), 1.0);
    QCOMPARE(item->polylineStyle().color, QStringLiteral("#123456"));
    QVERIFY(item->polylineStyle().hasIncludedAngle);
}

void TestCanvasFCLine::resetForgetsUnpaintedSnapMarks()
{
    // A snap whose paint never came (the figure was committed first) must not mark the next.
    drawTriangle();
    const double h = item->pointHandleExtent() / 2;
    item->snapPoint(QPointF(200 + h / 2, 110 - h / 2));
    QVERIFY(item->lastSnapMarker() != invalidPointF);
    item->reset();
    QCOMPARE(item->lastSnapMarker(), invalidPointF);
    QCOMPARE(item->lastFootMarker(), invalidPointF);
    QCOMPARE(item->lastAngleGuide(), QLineF());
    QCOMPARE(item->lastHorizontalGuide(), QLineF());
    QCOMPARE(item->lastVerticalGuide(), QLineF());
}

QTEST_MAIN(TestCanvasFCLine)
#include "tst_canvasfcline.moc"
