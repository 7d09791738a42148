#include <QtTest>

#include "base/uimetrics.h"
#include "drawing/pointerposition.h"
#include "items/canvasfccurve.h"

#include <cmath>

namespace {
QVector<QPointF> endPoints(const QPainterPath &path)
{
    QVector<QPointF> result;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::MoveToElement || e.type == QPainterPath::LineToElement)
            result.append(QPointF(e.x, e.y));
        else if (e.type == QPainterPath::CurveToElement)
            result.append(QPointF(path.elementAt(i + 2).x, path.elementAt(i + 2).y));
    }
    return result;
}

double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}
} // namespace

class TestCanvasFCCurve : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void passesThroughEveryPoint();
    void twoPointsMakeStraightSegment();
    void interiorJointsAreSmooth();
    void collinearPointsStayStraight();
    void equalLengthSnapLandsAtLength();
    void equalLengthSnapOnGuideKeepsHorizontal();
    void negativeRootLeavesFinitePreview();
    void repeatedSnapsGiveSameResult();
    void zeroWidthLeavesGeometry();
    void closesAndRendersFilled();
    void resetForgetsUnpaintedSnapMark();

private:
    QWidget *canvas = nullptr;
    CanvasFCCurve *item = nullptr;
};

void TestCanvasFCCurve::init()
{
    canvas = new QWidget;
    canvas->resize(800, 600);
    item = new CanvasFCCurve(canvas);
    canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas));
}

void TestCanvasFCCurve::cleanup()
{
    setPointerPositionSource(nullptr);
    delete canvas;
    canvas = nullptr;
    item = nullptr;
}

void TestCanvasFCCurve::passesThroughEveryPoint()
{
    const QVector<QPointF> points = {QPointF(10, 10),   QPointF(120, 40), QPointF(90, 200),
                                     QPointF(300, 180), QPointF(310, 20), QPointF(200, 90)};
    for (int n = 1; n <= points.size(); ++n) {
        const QVector<QPointF> some = points.mid(0, n);
        QCOMPARE(endPoints(CanvasFCCurve::rebuildPath(some, invalidPointF)),
                 n == 1 ? QVector<QPointF>{points.first()} : some);
        QVector<QPointF> withPreview = some;
        withPreview.append(QPointF(400, 400));
        const QVector<QPointF> ends =
            endPoints(CanvasFCCurve::rebuildPath(some, QPointF(400, 400)));
        QCOMPARE(ends, withPreview);
    }
    QVERIFY(CanvasFCCurve::rebuildPath({}, QPointF(1, 1)).isEmpty());
}

void TestCanvasFCCurve::twoPointsMakeStraightSegment()
{
    const QPainterPath path =
        CanvasFCCurve::rebuildPath({QPointF(0, 0), QPointF(100, 50)}, invalidPointF);
    QCOMPARE(path.elementCount(), 2);
    QCOMPARE(path.elementAt(1).type, QPainterPath::LineToElement);
    // With a preview: two curved spans through the second point.
    const QPainterPath previewed =
        CanvasFCCurve::rebuildPath({QPointF(0, 0), QPointF(100, 50)}, QPointF(200, 0));
    QCOMPARE(previewed.elementCount(), 7);
    QCOMPARE(previewed.elementAt(1).type, QPainterPath::CurveToElement);
    QCOMPARE(previewed.elementAt(4).type, QPainterPath::CurveToElement);
}

void TestCanvasFCCurve::interiorJointsAreSmooth()
{
    const QPointF cases[][3] = {{QPointF(0, 0), QPointF(100, 30), QPointF(150, 200)},
                                {QPointF(0, 0), QPointF(100, 0), QPointF(120, 10)},
                                {QPointF(300, 300), QPointF(100, 50), QPointF(50, 400)},
                                {QPointF(0, 100), QPointF(0, 0), QPointF(100, 0)}};
    for (const auto &c : cases) {
        const auto controls = CanvasFCCurve::smoothControls(c[0], c[1], c[2]);
        const QPointF in = controls.first - c[1];
        const QPointF out = controls.second - c[1];
        // Both arms on one tangent, each towards its own neighbour.
        QVERIFY(qAbs(cross(in, out)) < 1e-6 * (1 + QPointF::dotProduct(in, in)));
        QVERIFY(QPointF::dotProduct(in, out) < 0);
        QVERIFY(QPointF::dotProduct(in, c[0] - c[1]) > 0);
        QVERIFY(QPointF::dotProduct(out, c[2] - c[1]) > 0);
    }
    // A zero-length neighbour gives no arms.
    const auto degenerate =
        CanvasFCCurve::smoothControls(QPointF(5, 5), QPointF(5, 5), QPointF(9, 9));
    QCOMPARE(degenerate.first, QPointF(5, 5));
    QCOMPARE(degenerate.second, QPointF(9, 9));
}

void TestCanvasFCCurve::collinearPointsStayStraight()
{
    // Vertical, horizontal and slanted runs: every control point lies on the line.
    const QVector<QVector<QPointF>> runs = {
        {QPointF(50, 0), QPointF(50, 100), QPointF(50, 250)},
        {QPointF(0, 20), QPointF(80, 20), QPointF(300, 20)},
        {QPointF(0, 0), QPointF(100, 100), QPointF(150, 150), QPointF(300, 300)}};
    for (const auto &run : runs) {
        const QPainterPath path = CanvasFCCurve::rebuildPath(run, invalidPointF);
        const QPointF direction = run.last() - run.first();
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPointF p(path.elementAt(i).x, path.elementAt(i).y);
            QVERIFY2(qAbs(cross(p - run.first(), direction)) <
                         1e-6 * QPointF::dotProduct(direction, direction),
                     qPrintable(QString::number(i)));
        }
    }
}

void TestCanvasFCCurve::equalLengthSnapLandsAtLength()
{
    const double h = item->pointHandleExtent() / 2;
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(160, 180), false); // length 100
    for (const double angle : {20.0, 75.0, 200.0, 300.0}) {
        const double b = 100 + h * 0.6;
        const QPointF candidate =
            QPointF(160, 180) +
            b * QPointF(std::cos(qDegreesToRadians(angle)), -std::sin(qDegreesToRadians(angle)));
        const QPointF snapped = item->snapPoint(candidate);
        QVERIFY(qFuzzyCompare(QLineF(QPointF(160, 180), snapped).length(), 100.0));
        QCOMPARE(item->lastSnapMarker(), snapped);
        // Same direction as the candidate.
        QVERIFY(qAbs(cross(snapped - QPointF(160, 180), candidate - QPointF(160, 180))) < 1e-6);
    }
    // Outside the tolerance nothing happens.
    const QPointF far(160 + 100 + 2 * h, 180 - 37);
    QCOMPARE(item->snapPoint(far), far);
    QCOMPARE(item->lastSnapMarker(), invalidPointF);
}

void TestCanvasFCCurve::equalLengthSnapOnGuideKeepsHorizontal()
{
    const double h = item->pointHandleExtent() / 2;
    // A third point gives the guides: its x and its y.
    item->addPoint(QPointF(400, 260), false);
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(100, 200), false); // last segment length 100
    // Near y 260 (horizontal guide) at about length 100 from (100, 200).
    const QPointF candidate(100 + 80 + h * 0.3, 260 + h * 0.4);
    const QPointF snapped = item->snapPoint(candidate);
    QCOMPARE(snapped.y(), 260.0);
    QVERIFY(qFuzzyCompare(QLineF(QPointF(100, 200), snapped).length(), 100.0));
    QVERIFY(snapped.x() > 100);
    QVERIFY(CanvasPointFigure::isGuideSet(item->lastHorizontalGuide()));
    // Both guides found: the vertical one gives way and the length still holds.
    item->reset();
    item->addPoint(QPointF(181, 500), false);
    item->addPoint(QPointF(400, 260), false);
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(100, 200), false);
    QCOMPARE(item->snapPoint(QPointF(181 + h * 0.2, 260 + h * 0.2)), QPointF(180, 260));
    QVERIFY(CanvasPointFigure::isGuideSet(item->lastHorizontalGuide()));
    QVERIFY(!CanvasPointFigure::isGuideSet(item->lastVerticalGuide()));
    QCOMPARE(item->lastSnapMarker(), QPointF(180, 260));
}

void TestCanvasFCCurve::negativeRootLeavesFinitePreview()
{
    // The last segment is 100 long, straight up; the candidate lies 101 straight below the
    // last point, on the horizontal guide of a third point: no x gives length 100 there.
    item->addPoint(QPointF(500, 301), false);
    item->addPoint(QPointF(200, 100), false);
    item->addPoint(QPointF(200, 200), false);
    const QPointF snapped = item->snapPoint(QPointF(200, 301));
    QVERIFY(isFinite(snapped));
    QCOMPARE(snapped, QPointF(200, 301));
    QCOMPARE(item->lastSnapMarker(), invalidPointF);
    // Through the preview tick as well: finite preview, sane geometry.
    setPointerPositionSource([this] { return canvas->mapToGlobal(QPoint(200, 301)); });
    item->trackCursor();
    QVERIFY(isFinite(item->previewPoint()));
    QVERIFY(item->width() < 1000 && item->height() < 1000);
    item->repaint();
}

void TestCanvasFCCurve::repeatedSnapsGiveSameResult()
{
    const double h = item->pointHandleExtent() / 2;
    item->addPoint(QPointF(400, 260), false);
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(100, 200), false);
    for (const QPointF &c : {QPointF(100 + h / 2, 300), QPointF(180, 260 + h / 2),
                             QPointF(400 - h / 2, 100 + h / 3), QPointF(170, 270)}) {
        const QPointF once = item->snapPoint(c);
        QCOMPARE(item->snapPoint(c), once);
        item->snapPoint(QPointF(700, 500));
        QCOMPARE(item->snapPoint(c), once);
    }
}

void TestCanvasFCCurve::zeroWidthLeavesGeometry()
{
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(200, 150), false);
    const QRect geometry = item->geometry();
    PenStyle style;
    style.lineWidth = 0;
    item->setPenStyle(style);
    QCOMPARE(item->geometry(), geometry);
    QVERIFY(item->buildPath(item->points(), 0, 1.0, invalidPointF).isEmpty());
    QVERIFY(item->renderToPixmap(item->points(), style, 1.0).isNull());
}

void TestCanvasFCCurve::closesAndRendersFilled()
{
    PenStyle style;
    style.color = "#00ff00";
    style.fillColor = "#0000ff";
    item->setPenStyle(style);
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(300, 100), false);
    item->addPoint(QPointF(200, 300), false);
    item->addPoint(QPointF(100, 100), false);
    QVERIFY(item->isClosed());
    QVERIFY(item->isValid());
    const QPixmap pixmap = item->renderToPixmap(item->points(), style, 1.0);
    const QRectF rect = item->buildPath(item->points(), style.lineWidth, 1.0, invalidPointF);
    QCOMPARE(rect.topLeft(), item->topLeft());
    QCOMPARE(pixmap.toImage().pixelColor((QPointF(200, 160) - rect.topLeft()).toPoint()),
             QColor(Qt::blue));
    QCOMPARE(item->penStyle().fillColor, QStringLiteral("#0000ff"));
    QVERIFY(!item->grab().isNull());
}

void TestCanvasFCCurve::resetForgetsUnpaintedSnapMark()
{
    // A snap whose paint never came (the curve was committed first) must not mark the next.
    const double h = item->pointHandleExtent() / 2;
    item->addPoint(QPointF(100, 100), false);
    item->addPoint(QPointF(160, 180), false);
    item->snapPoint(QPointF(160 + 100 + h * 0.6, 180));
    QVERIFY(item->lastSnapMarker() != invalidPointF);
    item->reset();
    QCOMPARE(item->lastSnapMarker(), invalidPointF);
    QCOMPARE(item->lastHorizontalGuide(), QLineF());
    QCOMPARE(item->lastVerticalGuide(), QLineF());
}

QTEST_MAIN(TestCanvasFCCurve)
#include "tst_canvasfccurve.moc"
