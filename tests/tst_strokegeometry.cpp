#include <QtTest>

#include <QPainter>

#include <memory>

#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "drawing/paintdata.h"
#include "drawing/penwidth.h"
#include "drawing/strokeoutline.h"
#include "drawing/strokepainter.h"

namespace {
QImage blankImage(int w = 100, int h = 100)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

int coveredPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return n;
}

// Rows covered (alpha above half) in one column.
int columnThickness(const QImage &image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return n;
}

std::unique_ptr<PaintData> strokeOf(const QVector<QPointF> &points, int width = 4)
{
    auto action = std::make_unique<PaintData>();
    action->type = 3;
    action->width = width;
    action->color = QStringLiteral("#000000");
    action->points = points;
    for (int i = 0; i < points.size(); ++i)
        action->values << 1.0 + (i % 4);
    return action;
}

QVector<QPointF> zigzag(int n)
{
    QVector<QPointF> points;
    for (int i = 0; i < n; ++i)
        points << QPointF(10 + 6 * i, 40 + (i % 2 ? 15 : -10) + i);
    return points;
}
} // namespace

class TestStrokeGeometry : public QObject
{
    Q_OBJECT
private slots:
    void pressureWidthFigures();
    void dynamicPenWidthRampAndSpeed();
    void dynamicPenWidthStaysInRange();
    void angleBrushWidthHorizontalRun();
    void angleBrushWidthDirections();
    void angleBrushWidthStepsDownToTheFloor();
    void sizeTables();
    void rectHelpers();
    void boundingRectOfPointsEdges();
    void clampRectIntoEdges_data();
    void clampRectIntoEdges();
    void snapToAxisAndZoom();
    void segmentOutlineWidths();
    void noColourDrawsNothing();
    void startDiscNeverNegative();
    void curvePieceControlPoints();
    void penStrokePartition();
    void penDotAndShortStrokes();
    void livePenStrokeMatchesReplay();
    void highlighterNibFollowsTheView();
    void highlighterOverlapKeepsOneTone();
    void liveHighlighterMatchesReplay();
    void eraserGeometry();
    void eraserClearsOnlyItsArea();
};

void TestStrokeGeometry::pressureWidthFigures()
{
    QCOMPARE(pressureWidth(0.5, 2), 2.2);
    QCOMPARE(pressureWidth(-1, 5), 5.0);
    QCOMPARE(pressureWidth(0.7, 0), 0.0);
    QCOMPARE(pressureWidth(0.7, -3), 0.0);
    QCOMPARE(pressureWidth(0, 9), 0.0);
}

void TestStrokeGeometry::dynamicPenWidthRampAndSpeed()
{
    const QPointF a(0, 0), b(10, 0), c(20, 0);
    // The ramp covers sixteen points, 0 to 15.
    for (int n = 0; n <= 15; ++n)
        QCOMPARE(dynamicPenWidth(n, a, b, c, 0, 15), double(n + 1));
    // Steady speed keeps the width, capped at the line width.
    QCOMPARE(dynamicPenWidth(16, a, b, c, 16, 15), 15.0);
    QCOMPARE(dynamicPenWidth(16, a, b, c, 7.5, 15), 7.5);
    // Faster (new segment longer): thinner; slower: thicker.
    QCOMPARE(dynamicPenWidth(20, a, b, QPointF(30, 0), 5, 15), 4.8);
    QCOMPARE(dynamicPenWidth(20, a, b, QPointF(15, 0), 5, 15), 5.2);
    // Within 0.8 to 1.2 of the previous segment nothing changes.
    QCOMPARE(dynamicPenWidth(20, a, b, QPointF(21.5, 0), 5, 15), 5.0);
}

void TestStrokeGeometry::dynamicPenWidthStaysInRange()
{
    const QPointF a(0, 0), b(1, 0), fast(50, 0);
    double w = 3;
    for (int n = 16; n < 100; ++n) {
        w = dynamicPenWidth(n, a, b, fast, w, 3);
        QVERIFY(w >= 0.1 && w <= 3);
    }
    QCOMPARE(w, 0.1);
    for (int n = 16; n < 100; ++n) {
        w = dynamicPenWidth(n, QPointF(0, 0), QPointF(10, 0), QPointF(10.5, 0), w, 3);
        QVERIFY(w >= 0.1 && w <= 3);
    }
    QCOMPARE(w, 3.0);
}

void TestStrokeGeometry::angleBrushWidthHorizontalRun()
{
    // w = 4: nib 3, target 3.6, step 1.0.
    const QPointF a(0, 0), b(10, 0);
    const QList<double> expected{1.0, 2.0, 3.0, 3.6, 3.6};
    double w = 0;
    for (double e : expected) {
        w = angleBrushWidth(-1, w, a, b, 4, 0.1);
        QCOMPARE(w, e);
    }
    // Never above the line width, even with a heavy press.
    for (int i = 0; i < 10; ++i) {
        w = angleBrushWidth(1.0, w, a, b, 4, 0.1);
        QVERIFY(w <= 4);
    }
    QCOMPARE(w, 4.0);
    // A single press point (a = b) uses the axis nib.
    QCOMPARE(angleBrushWidth(-1, 0, b, b, 4, 0.1), 1.0);
}

void TestStrokeGeometry::angleBrushWidthDirections()
{
    // Up to the right at 45 degrees: narrow nib s / 3 = 2, target 2.4.
    double w = 0;
    for (int i = 0; i < 5; ++i)
        w = angleBrushWidth(-1, w, QPointF(0, 10), QPointF(10, 0), 4, 0.1);
    QCOMPARE(w, 2.4);
    // Down to the right at 45 degrees: broad nib s = 6, target 7.2, capped at w = 4.
    w = 0;
    for (int i = 0; i < 8; ++i)
        w = angleBrushWidth(-1, w, QPointF(0, 0), QPointF(10, 10), 4, 0.1);
    QCOMPARE(w, 4.0);
    // With pressure 0.5 on the horizontal: 3 * 2.5 * 0.5 = 3.75, one decimal 3.8.
    w = 0;
    for (int i = 0; i < 6; ++i)
        w = angleBrushWidth(0.5, w, QPointF(0, 0), QPointF(10, 0), 4, 0.1);
    QCOMPARE(w, 3.8);
}

void TestStrokeGeometry::angleBrushWidthStepsDownToTheFloor()
{
    // From 3.9 to the up-right target 2.4 by at most one step of 1.0.
    const QPointF a(0, 10), b(10, 0);
    QCOMPARE(angleBrushWidth(-1, 3.9, a, b, 4, 0.1), 2.9);
    QCOMPARE(angleBrushWidth(-1, 2.9, a, b, 4, 0.1), 2.4);
    // Zero pressure targets 0: reaching 0 gives the floor width.
    QCOMPARE(angleBrushWidth(0, 0.5, QPointF(0, 0), QPointF(10, 0), 4, 0.1), 0.1);
    QCOMPARE(angleBrushWidth(0, 1.0, QPointF(0, 0), QPointF(10, 0), 4, 0.1), 0.1);
}

void TestStrokeGeometry::sizeTables()
{
    QCOMPARE(highlighterSize(2), QSize(10, 25));
    QCOMPARE(highlighterSize(4), QSize(10, 35));
    QCOMPARE(eraserSize(1), QSize(6, 6));
    QCOMPARE(eraserSize(20), QSize(120, 120));
}

void TestStrokeGeometry::rectHelpers()
{
    QCOMPARE(rectFromPoints(QPointF(9, 2), QPointF(3, 7)), QRectF(3, 2, 6, 5));
    QCOMPARE(rectFromPoints(QPointF(4, 4), QPointF(4, 4)), QRectF(4, 4, 0, 0));
    QCOMPARE(rectBottomRight(QRectF(1, 2, 3, 4)), QPointF(4, 6));
    QVERIFY(!isIntervalElapsed(1000, 1099));
    QVERIFY(isIntervalElapsed(1000, 1100));
    QVERIFY(!isIntervalElapsed(1100, 1000));
}

void TestStrokeGeometry::boundingRectOfPointsEdges()
{
    const QVector<QPointF> points{{5, 5}, {1, 9}, {7, 2}, {100, 100}};
    QCOMPARE(boundingRectOfPoints({}, 0, 3), QRectF(0, 0, 0, 0));
    QCOMPARE(boundingRectOfPoints(points, 4, 9), QRectF(0, 0, 0, 0));
    QCOMPARE(boundingRectOfPoints(points, 0, 2), QRectF(1, 2, 6, 7));
    // j past the end is cut to the last point.
    QCOMPARE(boundingRectOfPoints(points, 2, 50), QRectF(7, 2, 93, 98));
    // A single point gives an empty rectangle at that point.
    QCOMPARE(boundingRectOfPoints(points, 3, 3), QRectF(100, 100, 0, 0));
    QCOMPARE(boundingRectOfPoints(points, 3, 1), QRectF(0, 0, 0, 0));
}

void TestStrokeGeometry::clampRectIntoEdges_data()
{
    QTest::addColumn<QRectF>("r");
    QTest::addColumn<QRectF>("expected");
    // Bounds are (0, 0, 100, 80) throughout.
    QTest::newRow("inside") << QRectF(10, 10, 20, 20) << QRectF(10, 10, 20, 20);
    QTest::newRow("touching edges") << QRectF(80, 60, 20, 20) << QRectF(80, 60, 20, 20);
    QTest::newRow("past right and bottom") << QRectF(90, 75, 20, 20) << QRectF(80, 60, 20, 20);
    QTest::newRow("past left and top") << QRectF(-5, -9, 20, 20) << QRectF(0, 0, 20, 20);
    QTest::newRow("wider than bounds") << QRectF(30, 10, 150, 20) << QRectF(0, 10, 150, 20);
    QTest::newRow("larger both ways") << QRectF(-40, -40, 300, 300) << QRectF(0, 0, 300, 300);
}

void TestStrokeGeometry::clampRectIntoEdges()
{
    QFETCH(QRectF, r);
    QFETCH(QRectF, expected);
    QCOMPARE(clampRectInto(r, QRectF(0, 0, 100, 80)), expected);
}

void TestStrokeGeometry::snapToAxisAndZoom()
{
    QCOMPARE(snapToAxis(QPointF(5, 9), QPointF(0, 0)), QPointF(0, 9));
    QCOMPARE(snapToAxis(QPointF(9, 5), QPointF(0, 0)), QPointF(9, 0));
    QCOMPARE(snapToAxis(QPointF(5, 5), QPointF(0, 0)), QPointF(5, 0));
    QCOMPARE(snapToAxis(QPointF(-5, 9), QPointF(0, 0)), QPointF(0, 9));
    QCOMPARE(snapToAxis(QPointF(0, 7), QPointF(0, 0)), QPointF(0, 7));
    QCOMPARE(pointDividedByZoom(QPointF(10, 20), 2), QPointF(5, 10));
    QCOMPARE(pointDividedByZoom(QPointF(10, 20), 0), QPointF(10, 20));
    QCOMPARE(pointDividedByZoom(QPointF(10, 20), -1), QPointF(10, 20));
    QCOMPARE(rectDividedByZoom(QRectF(10, 20, 30, 40), 0.5), QRectF(20, 40, 60, 80));
    QCOMPARE(rectDividedByZoom(QRectF(10, 20, 30, 40), 0), QRectF(10, 20, 30, 40));
}

void TestStrokeGeometry::segmentOutlineWidths()
{
    QImage image = blankImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintVariableWidthLine(&painter, QPointF(10, 50), QPointF(90, 50), 10, 30, "#000000");
    painter.end();
    // The band swells from 10 to 30 pixels along the segment, centred on it.
    QVERIFY(qAbs(columnThickness(image, 12) - 10) <= 1);
    QVERIFY(qAbs(columnThickness(image, 50) - 20) <= 1);
    QVERIFY(qAbs(columnThickness(image, 88) - 30) <= 1);
    QCOMPARE(qAlpha(image.pixel(88, 37)), 255);
    QCOMPARE(qAlpha(image.pixel(88, 63)), 255);
    QCOMPARE(qAlpha(image.pixel(95, 50)), 0);
    // The start is rounded by a disc of the start width.
    QCOMPARE(qAlpha(image.pixel(7, 50)), 255);
}

void TestStrokeGeometry::noColourDrawsNothing()
{
    for (const QString &none : {QString(), QStringLiteral("NONE"), QStringLiteral("#zz")}) {
        QImage image = blankImage();
        QPainter painter(&image);
        paintVariableWidthLine(&painter, QPointF(10, 50), QPointF(90, 50), 10, 30, none);
        paintVariableWidthCurve(&painter, QPointF(0, 50), QPointF(10, 50), QPointF(30, 30),
                                QPointF(60, 30), QPointF(90, 50), QPointF(95, 50), 8, 8, none,
                                invalidPointF);
        const auto dot = strokeOf({QPointF(50, 50)});
        dot->color = none;
        paintPenStroke(&painter, *dot, QPointF());
        painter.end();
        QCOMPARE(coveredPixels(image), 0);
    }
}

void TestStrokeGeometry::startDiscNeverNegative()
{
    // Drawn 100 times enlarged: a zero-width start must not grow a disc behind the start point
    // (a negative radius used to draw one of radius 0.2 plus the outline pen).
    QImage image = blankImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(100, 100);
    paintVariableWidthLine(&painter, QPointF(0.5, 0.5), QPointF(0.9, 0.5), 0, 0, "#000000");
    painter.end();
    QCOMPARE(qAlpha(image.pixel(27, 50)), 0);
    QVERIFY(qAlpha(image.pixel(70, 50)) > 0);

    QCOMPARE(strokeStartDiscRadius(4), 1.8);
    QCOMPARE(strokeStartDiscRadius(0.4), 0.0);
    QCOMPARE(strokeStartDiscRadius(0.1), 0.0);
    QCOMPARE(strokeStartDiscRadius(0), 0.0);
}

void TestStrokeGeometry::curvePieceControlPoints()
{
    const QPointF start(10, 50), end(90, 50), c1(10, 10), c2(90, 10);
    // First piece (previous is the marker): the given control points bow it up to y = 20.
    QImage first = blankImage();
    {
        QPainter painter(&first);
        paintVariableWidthCurve(&painter, invalidPointF, start, c1, c2, end, QPointF(99, 50), 6, 6,
                                "#000000", invalidPointF);
    }
    QVERIFY(qAlpha(first.pixel(50, 20)) > 0);
    QCOMPARE(qAlpha(first.pixel(50, 50)), 0);
    // No start disc on the first piece: nothing left of the start.
    QCOMPARE(qAlpha(first.pixel(6, 50)), 0);

    // Later piece: controls follow the neighbours, which lie on the line: a straight band.
    QImage later = blankImage();
    {
        QPainter painter(&later);
        paintVariableWidthCurve(&painter, QPointF(0, 50), start, c1, c2, end, QPointF(99, 50), 6, 6,
                                "#000000", invalidPointF);
    }
    QVERIFY(qAlpha(later.pixel(50, 50)) > 0);
    QCOMPARE(qAlpha(later.pixel(50, 20)), 0);
    QVERIFY(qAlpha(later.pixel(8, 50)) > 0); // the start disc
}

void TestStrokeGeometry::penStrokePartition()
{
    QCOMPARE(penPieceEnd(1), 0);
    QCOMPARE(penPieceEnd(4), 0);
    QCOMPARE(penPieceEnd(5), 3);
    QCOMPARE(penPieceEnd(7), 3); // the last three steps are straight
    QCOMPARE(penPieceEnd(8), 6);
    QCOMPARE(penPieceEnd(10), 6);
    QCOMPARE(penPieceEnd(11), 9);
    // Live pieces: each exactly once, as the stroke reaches 5, 8, 11 ... points.
    QList<int> live;
    for (int n = 1; n <= 12; ++n) {
        if (const int end = livePenPieceEnd(n))
            live << end;
    }
    QCOMPARE(live, (QList<int>{3, 6, 9}));
}

void TestStrokeGeometry::penDotAndShortStrokes()
{
    QImage image = blankImage();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintPenStroke(&painter, *strokeOf({QPointF(50, 50)}, 4), QPointF());
    }
    // A dot of floor(1.5 * 4) = 6 pixels across.
    QVERIFY(qAbs(columnThickness(image, 50) - 6) <= 1);
    QCOMPARE(qAlpha(image.pixel(50, 55)), 0);

    // Three points: two straight steps, shifted by the layer offset.
    QImage steps = blankImage();
    {
        QPainter painter(&steps);
        painter.setRenderHint(QPainter::Antialiasing);
        const auto action = strokeOf({QPointF(0, 0), QPointF(40, 0), QPointF(40, 40)});
        action->values = {4, 4, 4};
        paintPenStroke(&painter, *action, QPointF(10, 10));
    }
    QVERIFY(qAlpha(steps.pixel(30, 10)) > 0);
    QVERIFY(qAlpha(steps.pixel(50, 30)) > 0);
    QCOMPARE(qAlpha(steps.pixel(30, 30)), 0);
}

void TestStrokeGeometry::livePenStrokeMatchesReplay()
{
    for (int count : {5, 7, 8, 10, 13}) {
        const auto fullStroke = strokeOf(zigzag(count));
        const PaintData &full = *fullStroke;
        QImage replay = blankImage();
        {
            QPainter painter(&replay);
            painter.setRenderHint(QPainter::Antialiasing);
            paintPenStroke(&painter, full, QPointF());
        }
        QImage live = blankImage();
        {
            QPainter painter(&live);
            painter.setRenderHint(QPainter::Antialiasing);
            const auto growing = strokeOf({});
            for (int n = 1; n <= count; ++n) {
                growing->points << full.points.at(n - 1);
                growing->values << full.values.at(n - 1);
                if (const int end = livePenPieceEnd(n))
                    paintPenPiece(&painter, *growing, end, QPointF());
            }
            finishPenStroke(&painter, *growing, QPointF());
        }
        QVERIFY2(live == replay, qPrintable(QString::number(count)));
        // Every step is covered: the last point is reached.
        const QPoint last = full.points.last().toPoint();
        QVERIFY(qAlpha(replay.pixel(last)) > 0);
    }
}

void TestStrokeGeometry::highlighterNibFollowsTheView()
{
    QCOMPARE(highlighterNib(2, 0), QPointF(0, 25));
    QCOMPARE(highlighterNib(2, 1), QPointF(-25, 0));
    QCOMPARE(highlighterNib(2, 2), QPointF(0, -25));
    QCOMPARE(highlighterNib(2, 3), QPointF(25, 0));
    QCOMPARE(highlighterColor("#ff0000"), QColor(255, 0, 0, 100));
    QVERIFY(!highlighterColor("NONE").isValid());
}

void TestStrokeGeometry::highlighterOverlapKeepsOneTone()
{
    PaintData action;
    action.type = 4;
    action.width = 1;
    action.color = QStringLiteral("#0000ff");
    // Out and back over the same band.
    action.points = {QPointF(10, 30), QPointF(40, 30), QPointF(70, 30), QPointF(90, 30),
                     QPointF(60, 32), QPointF(30, 32), QPointF(20, 32)};
    QImage layer = blankImage();
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        paintHighlighterStroke(&painter, action, highlighterNib(1, 0), QPointF());
    }
    QCOMPARE(qAlpha(layer.pixel(50, 40)), 100);
    QCOMPARE(qAlpha(layer.pixel(50, 20)), 0);

    // A one-point stroke paints nothing.
    PaintData dot;
    dot.type = 4;
    dot.width = 1;
    dot.color = action.color;
    dot.points = {QPointF(50, 50)};
    QImage empty = blankImage();
    {
        QPainter painter(&empty);
        paintHighlighterStroke(&painter, dot, highlighterNib(1, 0), QPointF());
    }
    QCOMPARE(coveredPixels(empty), 0);
}

void TestStrokeGeometry::liveHighlighterMatchesReplay()
{
    PaintData full;
    full.type = 4;
    full.width = 2;
    full.color = QStringLiteral("#22b14c");
    full.points = zigzag(9);
    const QPointF nib = highlighterNib(2, 0);
    QImage replay = blankImage(100, 120);
    {
        QPainter painter(&replay);
        painter.setRenderHint(QPainter::Antialiasing);
        paintHighlighterStroke(&painter, full, nib, QPointF());
    }
    QImage live = blankImage(100, 120);
    {
        QPainter painter(&live);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintData growing;
        growing.type = 4;
        growing.width = full.width;
        growing.color = full.color;
        for (int n = 1; n <= full.points.size(); ++n) {
            growing.points << full.points.at(n - 1);
            const int start = liveHighlighterGroupStart(n);
            if (start >= 0)
                paintHighlighterSteps(&painter, growing, start, start + 3, nib, QPointF());
        }
        const int n = growing.points.size();
        paintHighlighterSteps(&painter, growing, highlighterTailStart(n), n - 1, nib, QPointF());
    }
    QVERIFY(live == replay);
    QCOMPARE(liveHighlighterGroupStart(3), -1);
    QCOMPARE(liveHighlighterGroupStart(4), 0);
    QCOMPARE(liveHighlighterGroupStart(5), -1);
    QCOMPARE(liveHighlighterGroupStart(7), 3);
    QCOMPARE(highlighterTailStart(9), 6);
}

void TestStrokeGeometry::eraserGeometry()
{
    const double s = 12;
    QCOMPARE(eraserOffset(3, 0, s), QPointF(s, s));
    QCOMPARE(eraserOffset(0, 1, s), QPointF(-s, s));
    QCOMPARE(eraserOffset(1, 2, s), QPointF(-s, -s));
    QCOMPARE(eraserOffset(2, 3, s), QPointF(s, -s));
    QCOMPARE(eraserOffset(1, 0, s), QPointF(-s, s));
    QCOMPARE(eraserOffset(3, 2, s), QPointF(s, -s));
    QCOMPARE(eraserOffset(2, 1, s), QPointF(-s, -s));
    QCOMPARE(eraserOffset(0, 3, s), QPointF(s, s));
    QCOMPARE(eraserRect(QPointF(50, 50), QPointF(-12, 12)), QRectF(39, 51, 10, 10));
}

void TestStrokeGeometry::eraserClearsOnlyItsArea()
{
    for (int shape : {0, 1}) {
        QImage ink = blankImage();
        ink.fill(Qt::black);
        PaintData action;
        action.type = 5;
        action.width = 5;
        action.style = shape;
        action.points = {QPointF(10, 10), QPointF(60, 60)};
        {
            QPainter painter(&ink);
            painter.setRenderHint(QPainter::Antialiasing);
            paintEraserStroke(&painter, action, eraserOffset(3, 0, 30), QPointF(), 1);
        }
        // Only the point from index 1 on is erased, inside its shrunk square.
        QCOMPARE(qAlpha(ink.pixel(25, 25)), 255);
        QCOMPARE(qAlpha(ink.pixel(75, 75)), 0);
        QCOMPARE(qAlpha(ink.pixel(60, 60)), 255); // the one-pixel margin stays
        QCOMPARE(qAlpha(ink.pixel(92, 92)), 255);
        // The circle leaves the square's corners.
        QCOMPARE(qAlpha(ink.pixel(62, 62)), shape == 1 ? 255 : 0);
    }
}

QTEST_MAIN(TestStrokeGeometry)
#include "tst_strokegeometry.moc"
