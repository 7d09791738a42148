#include <QtTest>

#include "userinput.h"

#include "base/globals.h"
#include "base/uimetrics.h"
#include "drawing/geometry.h"
#include "items/canvasline.h"
#include "items/itemgeometry.h"
#include "items/linedecorations.h"

namespace {

LineStyle styleOf(int width, int arrow, bool ticks = false, const QString &color = "#000000")
{
    LineStyle s;
    s.lineWidth = width;
    s.arrowStyle = arrow;
    s.hasLineDegree = ticks;
    s.color = color;
    return s;
}

// Counts the events of one type that reach the object it watches.
class EventCounter : public QObject
{
public:
    EventCounter(QEvent::Type type, int *count)
        : type(type)
        , count(count)
    {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == type)
            ++*count;
        return false;
    }

private:
    QEvent::Type type;
    int *count;
};

// A hover move, no button held.
void hoverMove(QWidget *widget, const QPoint &pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool sameImage(const QPixmap &a, const QPixmap &b)
{
    return a.toImage() == b.toImage();
}

int inkCount(const QImage &image, const QRect &area)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x)
            n += qAlpha(image.pixel(x, y)) > 100;
    }
    return n;
}

// Columns with ink above a horizontal line at y: where the ticks stand.
QVector<int> tickColumns(const QImage &image, int y, int above)
{
    QVector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(image.pixel(x, y - above)) > 100)
            columns.append(x);
    }
    return columns;
}

} // namespace

class TestCanvasLine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void shiftSnapsNewLineAndDrags();
    void validity();
    void arrowheadThresholds();
    void tickThresholdsAndLimits();
    void noColourDrawsNothing();
    void pressWithoutHoverDragsTheHandle();
    void penPressWithoutHoverDragsTheHandle();
    void pressAwayFromLineAsksForCommit();
    void overlappingHandlesPreferStart();
    void endpointDragFollowsPointer();
    void nudgeMovesOnePixel();
    void nudgeDuringDragEndsTheDrag();
    void zoomResetAndStyle();
    void notEditableIgnoresInput();

private:
    QWidget *canvas = nullptr;
    CanvasLine *line = nullptr;
    QScopedPointer<QWidget> holder;
};

void TestCanvasLine::init()
{
    penInProximity = false;
    holder.reset(new QWidget);
    canvas = holder.data();
    canvas->resize(800, 600);
    line = new CanvasLine(canvas);
    canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas));
}

void TestCanvasLine::shiftSnapsNewLineAndDrags()
{
    line->setLineStyle(styleOf(2, 0));
    line->setShiftPressed(true);
    line->setPoints(QPointF(100, 100), QPointF(300, 160));
    QCOMPARE(line->endPoint(), QPointF(300, 100));
    line->setPoints(QPointF(100, 100), QPointF(160, 300));
    QCOMPARE(line->endPoint(), QPointF(100, 300));
    line->setEditable(true);

    // Dragging the whole line with Shift moves it only along one axis of the press.
    const QPoint onLine = (QPointF(100, 200) - QPointF(line->pos())).toPoint();
    QTest::mousePress(line, Qt::LeftButton, {}, onLine);
    dragMove(line, onLine + QPoint(40, 12));
    QTest::mouseRelease(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(140, 212)));
    QCOMPARE(line->startPoint(), QPointF(140, 100));
    QCOMPARE(line->endPoint(), QPointF(140, 300));

    // Dragging the end handle with Shift snaps it about the other end.
    const QPoint endHandle = line->mapFromParent(QPoint(140, 300));
    QTest::mousePress(line, Qt::LeftButton, {}, endHandle);
    dragMove(line, line->mapFromParent(QPoint(350, 260)));
    QTest::mouseRelease(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(350, 260)));
    QCOMPARE(line->startPoint(), QPointF(140, 100));
    QCOMPARE(line->endPoint(), QPointF(350, 100));
}

void TestCanvasLine::validity()
{
    line->setLineStyle(styleOf(2, 0));
    line->setPoints(QPointF(50, 50), QPointF(50, 50));
    QVERIFY(!line->isValid());
    line->setPoints(QPointF(50, 50), QPointF(51, 50));
    QVERIFY(line->isValid());
    // The padded rect reaches 4 x width x zoom beyond the ends.
    QCOMPARE(line->topLeft(), QPointF(42, 42));
    QCOMPARE(line->bottomRight(), QPointF(59, 58));
    QCOMPARE(line->geometry(), QRect(42, 42, 17, 16));
}

void TestCanvasLine::arrowheadThresholds()
{
    const int w = 3;
    struct Case
    {
        int arrow;
        double limit; // no head up to this length, heads beyond it
    };
    for (const Case &k :
         {Case{1, 10.0 * w}, Case{2, 10.0 * w}, Case{3, 20.0 * w}, Case{4, 20.0 * w}}) {
        for (double length : {k.limit, k.limit + 2}) {
            const QPointF a(0, 0), b(length, 0);
            const QPixmap plain = CanvasLine::renderToPixmap(styleOf(w, 0), a, b);
            const QPixmap headed = CanvasLine::renderToPixmap(styleOf(w, k.arrow), a, b);
            QVERIFY(!plain.isNull());
            const bool hasHead = !sameImage(plain, headed);
            QVERIFY2(hasHead == (length > k.limit),
                     qPrintable(QStringLiteral("arrow %1 length %2").arg(k.arrow).arg(length)));
        }
    }
    // A filled head covers its middle; an open one leaves it clear.
    const QPointF a(0, 0), b(200, 0);
    const QImage open = CanvasLine::renderToPixmap(styleOf(w, 1), a, b).toImage();
    const QImage filled = CanvasLine::renderToPixmap(styleOf(w, 2), a, b).toImage();
    const int pad = 4 * w;
    // Between the shaft and the barbs of an open head, 24 px before the tip.
    const QPoint insideHead(pad + 200 - 24, pad + 4);
    QVERIFY(qAlpha(filled.pixel(insideHead)) > 200);
    QVERIFY(qAlpha(open.pixel(insideHead)) < 60);
    // Style 2 puts no head at p1; style 4 does.
    const QImage both = CanvasLine::renderToPixmap(styleOf(w, 4), a, b).toImage();
    const QRect nearStart(pad + 2, pad + 4, 15, 1);
    QCOMPARE(inkCount(filled, nearStart), 0);
    QVERIFY(inkCount(both, nearStart) > 0);
    // Unknown styles draw no head.
    QVERIFY(sameImage(CanvasLine::renderToPixmap(styleOf(w, 7), a, b),
                      CanvasLine::renderToPixmap(styleOf(w, 0), a, b)));
}

void TestCanvasLine::tickThresholdsAndLimits()
{
    const int w = 2;
    // Ticks appear only above 30 x width.
    for (double length : {30.0 * w, 30.0 * w + 1}) {
        const QPointF a(0, 0), b(length, 0);
        const bool differs = !sameImage(CanvasLine::renderToPixmap(styleOf(w, 0), a, b),
                                        CanvasLine::renderToPixmap(styleOf(w, 0, true), a, b));
        QCOMPARE(differs, length > 30.0 * w);
    }

    // On a bare pixmap: ticks stand every 15 x width from the middle, 3 x width long, above a
    // left-to-right line; with arrow style 1 they stop 10 x width short of p2 but reach p1.
    const int length = 300, y = 50, x0 = 10;
    auto ticks = [&](int arrow, bool middle) {
        QPixmap pixmap(length + 2 * x0, 100);
        pixmap.fill(Qt::transparent);
        drawLineTicks(&pixmap, QPointF(x0, y), QPointF(x0 + length, y), w, arrow, "#000000",
                      middle);
        return pixmap.toImage();
    };
    auto centres = [&](const QImage &image) {
        QVector<int> columns = tickColumns(image, y, 3 * w - 1);
        QVector<int> result;
        for (int i = 0; i < columns.size(); ++i) {
            int j = i;
            while (j + 1 < columns.size() && columns[j + 1] == columns[j] + 1)
                ++j;
            result.append((columns[i] + columns[j] + 1) / 2 - x0);
            i = j;
        }
        return result;
    };
    // Expected tick positions along the line for the given limits (step 30 px, middle 150).
    auto expected = [&](double lo, double hi, bool middle) {
        QVector<int> result;
        for (int t = 150 - 30 * int(150 / 30); t <= length; t += 30) {
            if (t < lo || t > hi || (t == 150 && !middle))
                continue;
            result.append(t);
        }
        return result;
    };
    QCOMPARE(centres(ticks(0, true)), expected(0, 300, true));
    QCOMPARE(centres(ticks(0, false)), expected(0, 300, false));
    QCOMPARE(centres(ticks(1, true)), expected(0, 300 - 10 * w, true));
    QCOMPARE(centres(ticks(3, true)), expected(10 * w, 300 - 10 * w, true));
    QCOMPARE(centres(ticks(4, true)), expected(10 * w, 300 - 10 * w, true));
    // Nothing below the line: ticks keep to one side.
    QCOMPARE(inkCount(ticks(0, true), QRect(0, y + w + 1, length + 2 * x0, 10)), 0);
}

void TestCanvasLine::noColourDrawsNothing()
{
    for (const QString &name :
         {QString(), QStringLiteral("NONE"), QStringLiteral("#12"), QStringLiteral("nonsense")}) {
        QVERIFY(
            CanvasLine::renderToPixmap(styleOf(2, 2, true, name), QPointF(0, 0), QPointF(300, 0))
                .isNull());
        QPixmap pixmap(100, 100);
        pixmap.fill(Qt::transparent);
        drawArrowheads(&pixmap, QPointF(0, 50), QPointF(100, 50), 2, 4, name);
        drawLineTicks(&pixmap, QPointF(0, 50), QPointF(100, 50), 1, 0, name, true);
        QCOMPARE(inkCount(pixmap.toImage(), pixmap.rect()), 0);
    }
    QVERIFY(CanvasLine::renderToPixmap(styleOf(0, 0), QPointF(0, 0), QPointF(300, 0)).isNull());
    // A null pixmap is no target.
    drawArrowheads(nullptr, QPointF(0, 0), QPointF(100, 0), 2, 2, "#000000");
    QPixmap null;
    drawLineTicks(&null, QPointF(0, 0), QPointF(100, 0), 2, 0, "#000000", true);
}

void TestCanvasLine::pressWithoutHoverDragsTheHandle()
{
    // A touch press arrives with no hover before it.
    line->setPoints(QPointF(100, 100), QPointF(400, 100));
    line->setEditable(true);
    QSignalSpy blank(line, &CanvasLine::lineBlankClicked);
    dragInParent(line, QPointF(400, 100), QPointF(420, 180));
    QCOMPARE(blank.count(), 0);
    QCOMPARE(line->endPoint(), QPointF(420, 180));
    QCOMPARE(line->startPoint(), QPointF(100, 100));
}

void TestCanvasLine::penPressWithoutHoverDragsTheHandle()
{
    line->setPoints(QPointF(100, 100), QPointF(400, 100));
    line->setEditable(true);
    QSignalSpy blank(line, &CanvasLine::lineBlankClicked);
    penDragInParent(line, QPoint(100, 100), QPoint(90, 150));
    QCOMPARE(blank.count(), 0);
    QCOMPARE(line->startPoint(), QPointF(90, 150));
    QCOMPARE(line->endPoint(), QPointF(400, 100));
}

void TestCanvasLine::pressAwayFromLineAsksForCommit()
{
    line->setPoints(QPointF(100, 100), QPointF(400, 300));
    line->setEditable(true);
    QSignalSpy blank(line, &CanvasLine::lineBlankClicked);
    // Inside the item's rect, far from the diagonal.
    const QPoint away = line->mapFromParent(QPoint(390, 110));
    QVERIFY(line->rect().contains(away));
    QCOMPARE(line->hitTest(away), int(CanvasLine::Outside));
    QTest::mousePress(line, Qt::LeftButton, {}, away);
    QCOMPARE(blank.count(), 1);
    QCOMPARE(line->startPoint(), QPointF(100, 100));
    // The middle of the line is on it.
    QCOMPARE(line->hitTest(line->mapFromParent(QPoint(250, 200))), int(CanvasLine::OnLine));
    // The band is half a handle wide on either side of a slanted line.
    const double s = fiveMillimetresInPixels();
    const QPointF normal = QPointF(-200, 300) / QLineF(0, 0, 300, 200).length();
    const QPointF middle = QPointF(line->mapFromParent(QPoint(250, 200)));
    QCOMPARE(line->hitTest(middle + normal * (s / 2 - 1)), int(CanvasLine::OnLine));
    QCOMPARE(line->hitTest(middle + normal * (s / 2 + 1)), int(CanvasLine::Outside));
}

void TestCanvasLine::overlappingHandlesPreferStart()
{
    line->setPoints(QPointF(200, 200), QPointF(203, 200));
    const QPoint between = line->mapFromParent(QPoint(201, 200));
    QCOMPARE(line->hitTest(between), int(CanvasLine::StartHandle));
}

void TestCanvasLine::endpointDragFollowsPointer()
{
    line->setPoints(QPointF(100, 100), QPointF(300, 100));
    line->setEditable(true);
    // Press a little off the start point: the start goes to the pointer, not by the offset.
    const QPoint nearStart = line->mapFromParent(QPoint(103, 102));
    hoverMove(line, nearStart);
    QTest::mousePress(line, Qt::LeftButton, {}, nearStart);
    dragMove(line, line->mapFromParent(QPoint(150, 60)));
    QTest::mouseRelease(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(150, 60)));
    QCOMPARE(line->startPoint(), QPointF(150, 60));
    QCOMPARE(line->endPoint(), QPointF(300, 100));
    QCOMPARE(line->geometry(), integralRect(line->lineRect()));
}

void TestCanvasLine::nudgeMovesOnePixel()
{
    line->setPoints(QPointF(100.5, 100), QPointF(300, 180));
    QSignalSpy shown(line, &CanvasLine::showHideChanged);
    const QPointF s = line->startPoint(), e = line->endPoint();
    line->nudge(1);
    QCOMPARE(line->startPoint(), s + QPointF(0, -1));
    line->nudge(4);
    line->nudge(4);
    QCOMPARE(line->endPoint(), e + QPointF(2, -1));
    line->nudge(2);
    line->nudge(3);
    line->nudge(3);
    QCOMPARE(line->startPoint(), s);
    QCOMPARE(line->endPoint(), e);
    QCOMPARE(shown.count(), 0);
    line->reset();
    line->nudge(1);
    QCOMPARE(line->startPoint(), QPointF());
}

void TestCanvasLine::nudgeDuringDragEndsTheDrag()
{
    line->setPoints(QPointF(100, 100), QPointF(300, 100));
    line->setEditable(true);
    const QPointF s = line->startPoint(), e = line->endPoint();
    QTest::mousePress(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(200, 100)));
    dragMove(line, line->mapFromParent(QPoint(200, 110)));
    QCOMPARE(line->startPoint(), s + QPointF(0, 10));
    line->nudge(4);
    QCOMPARE(line->endPoint(), e + QPointF(1, 10));
    dragMove(line, line->mapFromParent(QPoint(200, 130)));
    QTest::mouseRelease(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(200, 130)));
    QCOMPARE(line->startPoint(), s + QPointF(1, 10));
    QCOMPARE(line->endPoint(), e + QPointF(1, 10));
}

void TestCanvasLine::zoomResetAndStyle()
{
    QSignalSpy shown(line, &CanvasLine::showHideChanged);
    line->setZoom(1.5);
    line->setZoom(0);
    line->setZoom(-2);
    QCOMPARE(line->zoomFactor(), 1.5);
    const LineStyle style = styleOf(5, 3, true, "#ff0000");
    line->setLineStyle(style);
    line->setPoints(QPointF(10, 10), QPointF(200, 50));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.last().at(0).toBool(), true);
    // The padding follows the zoom.
    QCOMPARE(line->topLeft(), QPointF(10 - 30, 10 - 30));
    line->setEditable(true);
    line->reset();
    QCOMPARE(shown.count(), 2);
    QCOMPARE(shown.last().at(0).toBool(), false);
    QVERIFY(line->isHidden());
    QVERIFY(!line->isEditable());
    QCOMPARE(line->zoomFactor(), 1.0);
    QCOMPARE(line->lineStyle().lineWidth, 5);
    QCOMPARE(line->lineStyle().arrowStyle, 3);
    QCOMPARE(line->lineStyle().color, QStringLiteral("#ff0000"));
}

void TestCanvasLine::notEditableIgnoresInput()
{
    line->setPoints(QPointF(100, 100), QPointF(300, 100));
    QSignalSpy blank(line, &CanvasLine::lineBlankClicked);
    const QPoint endHandle = line->mapFromParent(QPoint(300, 100));
    QTest::mousePress(line, Qt::LeftButton, {}, endHandle);
    dragMove(line, endHandle + QPoint(30, 30));
    QTest::mouseRelease(line, Qt::LeftButton, {}, endHandle + QPoint(30, 30));
    QCOMPARE(line->endPoint(), QPointF(300, 100));
    // A pen on a line that is not being edited writes on the board beneath it.
    int boardPresses = 0;
    EventCounter counter(QEvent::TabletPress, &boardPresses);
    canvas->installEventFilter(&counter);
    sendTablet(line, QEvent::TabletPress, line->mapFromParent(QPoint(200, 100)));
    sendTablet(line, QEvent::TabletRelease, line->mapFromParent(QPoint(200, 100)));
    QCOMPARE(boardPresses, 1);
    line->setEditable(true);
    sendTablet(line, QEvent::TabletPress, line->mapFromParent(QPoint(200, 100)));
    sendTablet(line, QEvent::TabletRelease, line->mapFromParent(QPoint(200, 100)));
    QCOMPARE(boardPresses, 1);
    canvas->removeEventFilter(&counter);
    // While a pen is near, mouse events are left to the pen.
    penInProximity = true;
    QTest::mousePress(line, Qt::LeftButton, {}, line->mapFromParent(QPoint(200, 40)));
    QCOMPARE(blank.count(), 0);
    penInProximity = false;
}

QTEST_MAIN(TestCanvasLine)
#include "tst_canvasline.moc"
