#include <QtTest>

#include "items/pageorientation.h"

namespace {

// Every orientation reachable by turns and mirrors, each with the kinds that lead to it.
QVector<QVector<int>> reachableSequences()
{
    return {{}, {1}, {1, 1}, {2}, {3}, {4}, {1, 3}, {2, 3}};
}

PageOrientation orientationAfter(const QVector<int> &kinds)
{
    PageOrientation o;
    for (int kind : kinds)
        o.rotateOrMirror(kind);
    return o;
}

QString describe(const QVector<int> &kinds)
{
    QStringList parts;
    for (int kind : kinds)
        parts << QString::number(kind);
    return parts.isEmpty() ? QStringLiteral("start") : parts.join(QLatin1Char('-'));
}

// A page whose every pixel has its own colour, so that a pixel tells where it came from.
QImage numberedPage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 11 % 256, (x + y * width) % 256, 255));
    }
    return image;
}

} // namespace

class TestPageOrientation : public QObject
{
    Q_OBJECT
private slots:
    void startStateIsIdentity();
    void quarterTurnsComeBack();
    void oneCounterClockwiseTurn();
    void reachableStatesAreEight();
    void unmapInvertsMap_data();
    void unmapInvertsMap();
    void shownImageMatchesMapPoint_data();
    void shownImageMatchesMapPoint();
    void imageTurnThenUndoIsExact_data();
    void imageTurnThenUndoIsExact();
    void mapHandle();
    void mapRectIsNormalised();
};

void TestPageOrientation::startStateIsIdentity()
{
    PageOrientation o;
    o.rotateOrMirror(1);
    o.rotateOrMirror(3);
    o.reset();
    QCOMPARE(o.mapPoint(QPointF(12, 34), 100, 60), QPointF(12, 34));
    QCOMPARE(o.unmapPoint(QPointF(12, 34), 100, 60), QPointF(12, 34));
    QCOMPARE(o.topSide(), 0);
    QCOMPARE(o.leftSide(), 3);
    QVERIFY(o.hasOriginalAxes());
    QVERIFY(!o.isMirrored());
    o.rotateOrMirror(0);
    o.rotateOrMirror(5);
    QCOMPARE(o.firstCorner(), QPointF(-1, -1));
    QCOMPARE(o.secondCorner(), QPointF(1, -1));
}

void TestPageOrientation::quarterTurnsComeBack()
{
    for (int kind : {1, 2}) {
        PageOrientation o;
        for (int i = 0; i < 4; ++i)
            o.rotateOrMirror(kind);
        QCOMPARE(o.firstCorner(), QPointF(-1, -1));
        QCOMPARE(o.secondCorner(), QPointF(1, -1));
        QVERIFY(o.hasOriginalAxes());
    }
    PageOrientation o;
    o.rotateOrMirror(1);
    o.rotateOrMirror(2);
    QCOMPARE(o.firstCorner(), QPointF(-1, -1));
    QCOMPARE(o.secondCorner(), QPointF(1, -1));
    // Mirroring twice the same way comes back as well.
    o.rotateOrMirror(3);
    o.rotateOrMirror(3);
    QVERIFY(!o.isMirrored());
    QCOMPARE(o.firstCorner(), QPointF(-1, -1));
}

void TestPageOrientation::oneCounterClockwiseTurn()
{
    PageOrientation o;
    o.rotateOrMirror(1);
    QCOMPARE(o.topSide(), 1);
    QCOMPARE(o.leftSide(), 0);
    QVERIFY(!o.hasOriginalAxes());
    // The page's top-right corner is shown at the top-left.
    QCOMPARE(o.mapPoint(QPointF(0, 0), 200, 100), QPointF(200, 0));
    QCOMPARE(o.unmapPoint(QPointF(200, 0), 200, 100), QPointF(0, 0));
}

void TestPageOrientation::reachableStatesAreEight()
{
    QSet<QString> states;
    for (const QVector<int> &kinds : reachableSequences()) {
        const PageOrientation o = orientationAfter(kinds);
        states.insert(QStringLiteral("%1,%2,%3,%4,%5,%6")
                          .arg(o.firstCorner().x())
                          .arg(o.firstCorner().y())
                          .arg(o.secondCorner().x())
                          .arg(o.secondCorner().y())
                          .arg(o.isMirrored())
                          .arg(o.hasOriginalAxes()));
    }
    QCOMPARE(states.size(), 8);
    // Longer mixtures stay among them.
    const PageOrientation mixed = orientationAfter({1, 3, 2, 4, 1, 1, 3});
    QVERIFY(qAbs(mixed.firstCorner().x()) == 1 && qAbs(mixed.firstCorner().y()) == 1);
}

void TestPageOrientation::unmapInvertsMap_data()
{
    QTest::addColumn<QVector<int>>("kinds");
    for (const QVector<int> &kinds : reachableSequences())
        QTest::newRow(qPrintable(describe(kinds))) << kinds;
}

void TestPageOrientation::unmapInvertsMap()
{
    QFETCH(QVector<int>, kinds);
    const PageOrientation o = orientationAfter(kinds);
    const int w = 300, h = 120;
    for (const QPointF &p :
         {QPointF(0, 0), QPointF(17.5, 3), QPointF(299, 119), QPointF(150, 60), QPointF(w, h)}) {
        QCOMPARE(o.unmapPoint(o.mapPoint(p, w, h), w, h), p);
        QCOMPARE(o.mapPoint(o.unmapPoint(p, w, h), w, h), p);
    }
}

void TestPageOrientation::shownImageMatchesMapPoint_data()
{
    unmapInvertsMap_data();
}

void TestPageOrientation::shownImageMatchesMapPoint()
{
    QFETCH(QVector<int>, kinds);
    const PageOrientation o = orientationAfter(kinds);
    const int w = 7, h = 4;
    const QImage page = numberedPage(w, h);
    const QImage shown = o.applyToImage(page);
    const QSize expected = o.hasOriginalAxes() ? QSize(w, h) : QSize(h, w);
    QCOMPARE(shown.size(), expected);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            // Pixel centres map to pixel centres.
            const QPointF at = o.mapPoint(QPointF(x + 0.5, y + 0.5), w, h);
            const QPoint pagePixel(int(std::floor(at.x())), int(std::floor(at.y())));
            QVERIFY2(page.rect().contains(pagePixel), qPrintable(describe(kinds)));
            QCOMPARE(shown.pixel(x, y), page.pixel(pagePixel));
        }
    }
}

void TestPageOrientation::imageTurnThenUndoIsExact_data()
{
    unmapInvertsMap_data();
}

void TestPageOrientation::imageTurnThenUndoIsExact()
{
    QFETCH(QVector<int>, kinds);
    const PageOrientation o = orientationAfter(kinds);
    const QImage page = numberedPage(9, 5);
    const QImage back = o.undoOnImage(o.applyToImage(page));
    QCOMPARE(back.size(), page.size());
    QCOMPARE(back.convertToFormat(QImage::Format_ARGB32), page);
}

void TestPageOrientation::mapHandle()
{
    PageOrientation o;
    for (int code = 1; code <= 8; ++code)
        QCOMPARE(o.mapHandle(code), code);
    for (int code : {-1, 0, 9})
        QCOMPARE(o.mapHandle(code), code);
    QCOMPARE(o.mapHandle(10), -1);
    QCOMPARE(o.mapHandle(-5), -1);

    // Shown top-left is the page's top-right after a counter-clockwise turn.
    o.rotateOrMirror(1);
    QCOMPARE(o.mapHandle(1), 3);
    QCOMPARE(o.mapHandle(2), 4);
    QCOMPARE(o.mapHandle(7), 1);
    QCOMPARE(o.mapHandle(9), 9);

    // Mirrored left-right, corner 1 becomes corner 3 and the top middle stays.
    PageOrientation m;
    m.rotateOrMirror(3);
    QCOMPARE(m.mapHandle(1), 3);
    QCOMPARE(m.mapHandle(2), 2);
    QCOMPARE(m.mapHandle(8), 4);
}

void TestPageOrientation::mapRectIsNormalised()
{
    PageOrientation o;
    o.rotateOrMirror(2);
    const QRectF r = o.mapRect(QRectF(10, 20, 30, 40), 200, 100);
    QVERIFY(r.width() > 0 && r.height() > 0);
    QCOMPARE(r.size(), QSizeF(40, 30));
}

QTEST_GUILESS_MAIN(TestPageOrientation)
#include "tst_pageorientation.moc"
