#include <QPainter>
#include <QtTest>
#include <functional>

#include "drawing/stylerecords.h"
#include "items/shaperenderer.h"

namespace {

const QVector<int> allShapes{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                             12, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};

const char *const shapeNames[] = {
    "ellipse",    "rectangle",    "parallelogram", "diamond",    "right triangle", "polygon",
    "sector",     "chord",        "cuboid",        "cylinder",   "sphere",         "cone",
    "plane axes", "spatial axes", "four lines",    "five lines", "ruler",          "protractor",
    "parabola",   "wavy line",    "check",         "half check"};

ShapeStyle shapeOf(int id, const QString &fill = QString(), const QString &pen = "#1f3f66")
{
    ShapeStyle s;
    s.shapeType = id;
    s.color = pen;
    s.fillColor = fill;
    s.lineWidth = 3;
    s.isShape = true;
    return s;
}

QImage rendered(int id, const QSize &size, const QString &fill = QString(),
                const QString &pen = "#1f3f66")
{
    return ShapeRenderer::render(size, shapeOf(id, fill, pen), false, 4.0)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int countPixels(const QImage &image, const std::function<bool(QRgb)> &test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixel(x, y));
    }
    return n;
}

bool transparent(QRgb p)
{
    return qAlpha(p) == 0;
}
bool isBlack(QRgb p)
{
    return qAlpha(p) > 0 && qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40;
}

} // namespace

class TestShapeRenderer : public QObject
{
    Q_OBJECT
private slots:
    void sidesBelowOneGiveNull();
    void unusedIdsDrawNothing_data();
    void unusedIdsDrawNothing();
    void sectorAndChordAngles();
    void polygonSideCountsOutOfRange();
    void fillOrNoFill_data();
    void fillOrNoFill();
    void noColourNamesPaintNothing();
    void cuboidDepthFallback();
    void tooSmallForLineWidth();
    void rulerWithoutUsableScale();
    void rulerTicksFollowTheScale();
    void centreMarkPlaces();
    void contactSheet();
};

void TestShapeRenderer::sidesBelowOneGiveNull()
{
    for (const QSize &size : {QSize(0, 10), QSize(10, 0), QSize(-4, 20), QSize(0, 0)})
        QVERIFY(ShapeRenderer::render(size, shapeOf(1, "#ff0000"), true).isNull());
    const QPixmap one = ShapeRenderer::render(QSize(1, 1), shapeOf(2), false);
    QCOMPARE(one.size(), QSize(1, 1));
}

void TestShapeRenderer::unusedIdsDrawNothing_data()
{
    QTest::addColumn<int>("id");
    for (int id : {0, 13, 14, 15, 16, 17, 18, 19, 20, 31, -1, 100})
        QTest::newRow(qPrintable(QString::number(id))) << id;
}

void TestShapeRenderer::unusedIdsDrawNothing()
{
    QFETCH(int, id);
    const QImage image = rendered(id, QSize(120, 80), "#ff0000");
    QCOMPARE(image.size(), QSize(120, 80));
    QCOMPARE(countPixels(image, transparent), 120 * 80);
    // The centre mark is drawn all the same, at the centre.
    const QImage marked =
        ShapeRenderer::render(QSize(120, 80), shapeOf(id, "#ff0000"), true).toImage();
    QVERIFY(!transparent(marked.pixel(60, 40)));
    QVERIFY(transparent(marked.pixel(10, 10)));
}

void TestShapeRenderer::sectorAndChordAngles()
{
    const QSize size(100, 100);
    for (int id : {7, 8}) {
        struct Angles
        {
            int start, span;
            bool drawn;
        };
        for (const Angles &a :
             {Angles{60, 0, false}, Angles{400, 60, false}, Angles{-361, 60, false},
              Angles{0, 361, false}, Angles{60, -30, false}, Angles{-360, 1, true},
              Angles{360, 360, true}, Angles{0, 90, true}}) {
            ShapeStyle s = shapeOf(id, "#00ff00");
            s.startAngle = a.start;
            s.angleSize = a.span;
            const QImage image = ShapeRenderer::render(size, s, false).toImage();
            const bool drawn = countPixels(image, transparent) < 100 * 100;
            QVERIFY2(
                drawn == a.drawn,
                qPrintable(
                    QStringLiteral("id %1 start %2 span %3").arg(id).arg(a.start).arg(a.span)));
        }
    }
    // A quarter from 0 degrees lies in the upper right.
    ShapeStyle quarter = shapeOf(7, "#00ff00");
    quarter.startAngle = 0;
    quarter.angleSize = 90;
    const QImage image = ShapeRenderer::render(size, quarter, false).toImage();
    QVERIFY(!transparent(image.pixel(70, 30)));
    QVERIFY(transparent(image.pixel(30, 70)));
}

void TestShapeRenderer::polygonSideCountsOutOfRange()
{
    auto polygon = [](int sides) {
        ShapeStyle s = shapeOf(6, "#00ff00");
        s.polygonSideCount = sides;
        return ShapeRenderer::render(QSize(150, 120), s, true).toImage();
    };
    const QImage triangle = polygon(3);
    QCOMPARE(polygon(2), triangle);
    QCOMPARE(polygon(31), triangle);
    QCOMPARE(polygon(-4), triangle);
    QVERIFY(polygon(30) != triangle);
    QVERIFY(polygon(4) != triangle);
    // The bottom edge is horizontal and the figure sits within the pixmap: for a triangle the
    // bottom corners are filled and the top corners of the pixmap are clear.
    QVERIFY(transparent(triangle.pixel(2, 2)));
    QVERIFY(transparent(triangle.pixel(147, 2)));
    QVERIFY(!transparent(triangle.pixel(75, 110)));
}

void TestShapeRenderer::fillOrNoFill_data()
{
    QTest::addColumn<int>("id");
    for (int i = 0; i < allShapes.size(); ++i)
        QTest::newRow(shapeNames[i]) << allShapes[i];
}

void TestShapeRenderer::fillOrNoFill()
{
    QFETCH(int, id);
    const QSize size(200, 140);
    const QRgb fill = qRgb(0xff, 0xd9, 0x66);
    const QImage filled = rendered(id, size, "#ffd966");
    const QImage empty = rendered(id, size, QString());
    const bool background = id >= 21;
    // Outline shapes show the fill inside; backgrounds cover the pixmap.
    const int fillLike = countPixels(filled, [fill](QRgb p) {
        return qAlpha(p) > 0 && std::abs(qRed(p) - qRed(fill)) < 40 &&
               std::abs(qGreen(p) - qGreen(fill)) < 40 && std::abs(qBlue(p) - qBlue(fill)) < 60;
    });
    if (background)
        QVERIFY2(fillLike > size.width() * size.height() / 3,
                 qPrintable(QString::number(fillLike)));
    else
        QVERIFY2(fillLike > 200, qPrintable(QString::number(fillLike)));
    // Without a fill nothing of that colour appears, and much stays transparent.
    QCOMPARE(countPixels(empty, [fill](QRgb p) { return qAlpha(p) > 0 && p == fill; }), 0);
    QVERIFY(countPixels(empty, transparent) > size.width() * size.height() / 4);
    // Every shape draws something of its own at this size.
    QVERIFY(countPixels(empty, transparent) < size.width() * size.height());
}

void TestShapeRenderer::noColourNamesPaintNothing()
{
    for (const QString &none : {QString(), QStringLiteral("NONE"), QStringLiteral("none"),
                                QStringLiteral("#zzzzzz"), QStringLiteral("#12")}) {
        for (int id : allShapes) {
            // Pen without colour: no black outline creeps in.
            const QImage noPen = rendered(id, QSize(160, 100), QString(), none);
            QVERIFY2(countPixels(noPen, isBlack) == 0 || id == 26,
                     qPrintable(QStringLiteral("id %1 pen '%2'").arg(id).arg(none)));
            // Neither pen nor fill: the pixmap stays empty (the protractor is a picture).
            if (id != 26)
                QCOMPARE(countPixels(noPen, transparent), 160 * 100);
            // A fill without colour is no fill.
            const QImage noFill = rendered(id, QSize(160, 100), none);
            QCOMPARE(noFill, rendered(id, QSize(160, 100), QString()));
        }
    }
}

void TestShapeRenderer::cuboidDepthFallback()
{
    const QSize size(200, 120); // quarter of the shorter side: 30
    auto cuboid = [&](double depth) {
        ShapeStyle s = shapeOf(9, "#88aaff");
        s.cuboidDepth = depth;
        return ShapeRenderer::render(size, s, false).toImage();
    };
    const QImage standard = cuboid(30);
    QCOMPARE(cuboid(0), standard);
    QCOMPARE(cuboid(-5), standard);
    QCOMPARE(cuboid(117), standard); // not below H - w
    QCOMPARE(cuboid(500), standard);
    QVERIFY(cuboid(50) != standard);
}

void TestShapeRenderer::tooSmallForLineWidth()
{
    auto onlyBackground = [](int id, const QSize &size, int width) {
        ShapeStyle s = shapeOf(id, "#ffd966");
        s.lineWidth = width;
        s.hasLineDegree = true;
        const QImage image = ShapeRenderer::render(size, s, false).toImage();
        const QRgb first = image.pixel(0, 0);
        return countPixels(image, [first](QRgb p) { return p != first; }) == 0;
    };
    // Axes need 10 line widths each way, grids 8 or 10 widths of height.
    QVERIFY(onlyBackground(21, QSize(100, 100), 5));
    QVERIFY(!onlyBackground(21, QSize(100, 100), 3));
    QVERIFY(onlyBackground(22, QSize(300, 60), 3));
    QVERIFY(onlyBackground(23, QSize(200, 24), 3));
    QVERIFY(!onlyBackground(23, QSize(200, 25), 3));
    QVERIFY(onlyBackground(24, QSize(200, 30), 3));
    QVERIFY(!onlyBackground(24, QSize(200, 31), 3));
    for (int id : {26, 29, 30}) {
        QVERIFY(onlyBackground(id, QSize(10, 50), 2));
        QVERIFY(onlyBackground(id, QSize(50, 10), 2));
    }
    QVERIFY(!onlyBackground(29, QSize(11, 11), 2));
}

void TestShapeRenderer::rulerWithoutUsableScale()
{
    // A headless screen may report no size: the ruler keeps its frame and draws no ticks.
    const QSize size(300, 80);
    auto tickInk = [&](double pixelsPerMm) {
        ShapeStyle s = shapeOf(25);
        const QImage image = ShapeRenderer::render(size, s, false, pixelsPerMm).toImage();
        // Rows below the frame line, columns inside it.
        return countPixels(image.copy(4, 4, size.width() - 8, size.height() - 8),
                           [](QRgb p) { return qAlpha(p) > 0; });
    };
    QCOMPARE(tickInk(0.0), 0);
    QCOMPARE(tickInk(-3.5), 0);
    QCOMPARE(tickInk(std::nan("")), 0);
    QCOMPARE(tickInk(std::numeric_limits<double>::infinity()), 0);
    QCOMPARE(tickInk(1e-9), 0);
    QVERIFY(tickInk(4.0) > 0);
}

void TestShapeRenderer::rulerTicksFollowTheScale()
{
    // 4 px per mm: u = 6; ticks from x = 12 every 4 px; cm ticks 24 long, half-cm 18, others 12.
    const QImage image = ShapeRenderer::render(QSize(300, 80), shapeOf(25), false, 4.0).toImage();
    auto inkAt = [&](int x, int y) { return qAlpha(image.pixel(x, y)) > 60; };
    QVERIFY(inkAt(12, 22));  // 0 cm tick, 24 long
    QVERIFY(!inkAt(14, 10)); // between ticks
    QVERIFY(inkAt(16, 10));  // 1 mm tick
    QVERIFY(!inkAt(16, 16)); // 12 long only
    QVERIFY(inkAt(32, 16));  // 5 mm tick, 18 long
    QVERIFY(!inkAt(32, 21));
    QVERIFY(inkAt(52, 22)); // 1 cm tick
}

void TestShapeRenderer::centreMarkPlaces()
{
    auto markAt = [](int id, const QSize &size, const QPoint &at) {
        const QImage with = ShapeRenderer::render(size, shapeOf(id), true).toImage();
        const QImage without = ShapeRenderer::render(size, shapeOf(id), false).toImage();
        return with.pixel(at) != without.pixel(at) || qRed(with.pixel(at)) > 200;
    };
    // Plain figures: the centre of the inset rect.
    QVERIFY(markAt(2, QSize(100, 60), QPoint(50, 30)));
    // The cylinder and the cone: the centre of their base ellipse.
    QVERIFY(markAt(10, QSize(100, 200), QPoint(50, 200 - 1 - 12)));
    QVERIFY(markAt(12, QSize(100, 200), QPoint(50, 200 - 1 - 12)));
    // The parabola: its lowest point.
    QVERIFY(markAt(27, QSize(101, 80), QPoint(50, 78)));
    // The axes: their crossing, one line width left of the centre.
    QVERIFY(markAt(21, QSize(200, 200), QPoint(97, 100)));
}

void TestShapeRenderer::contactSheet()
{
    // All shapes, large and small, without and with fill, for a person to look at.
    const QVector<QSize> sizes{QSize(220, 150), QSize(100, 70)};
    const int cellWidth = 2 * (220 + 100) + 5 * 10, rowHeight = 150 + 36;
    const int columns = 2, rows = (allShapes.size() + 1) / 2;
    QImage sheet(columns * cellWidth + 20, rows * rowHeight + 20, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setPen(QColor("#dddddd"));
    for (int i = 0; i < allShapes.size(); ++i) {
        const int id = allShapes[i];
        const QPoint origin(10 + (i % columns) * cellWidth, 10 + (i / columns) * rowHeight);
        painter.setPen(Qt::black);
        painter.drawText(origin + QPoint(0, 14),
                         QStringLiteral("%1  %2").arg(id).arg(QLatin1String(shapeNames[i])));
        int x = origin.x();
        for (const QSize &size : sizes) {
            for (const QString &fill : {QString(), QStringLiteral("#ffd966")}) {
                ShapeStyle s = shapeOf(id, fill);
                s.hasLineDegree = true;
                s.polygonSideCount = 5;
                s.startAngle = 30;
                s.angleSize = 240;
                const QRect cell(QPoint(x, origin.y() + 22), size);
                painter.setPen(QColor("#dddddd"));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(-1, -1, 0, 0));
                painter.drawPixmap(cell.topLeft(), ShapeRenderer::render(size, s, false));
                x += size.width() + 10;
            }
        }
    }
    painter.end();
    const QString path =
        QCoreApplication::applicationDirPath() + QStringLiteral("/shape_contact_sheet.png");
    QVERIFY(sheet.save(path));
    qInfo("contact sheet written to %s", qPrintable(path));
}

QTEST_MAIN(TestShapeRenderer)
#include "tst_shaperenderer.moc"
