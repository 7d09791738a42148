#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "base/globals.h"
#include "canvas/canvas.h"
#include "drawing/layersnapshots.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/itemgeometry.h"
#include "recordingcanvashost.h"

namespace {
// The eight points of a selection or shape action: source corners, then the frame's bounding
// square (top-left, top-right, bottom-right), first corner, adjacent corner and centre.
QVector<QPointF> framePoints(const QPointF &source1, const QPointF &source2, const QPointF &p1,
                             const QPointF &p2, const QPointF &c)
{
    const QRectF box = frameBoundingSquare(p1, p2, c);
    return {source1, source2, box.topLeft(), box.topRight(), box.bottomRight(), p1, p2, c};
}

// A new open action appended as the press handler does.
PaintData *openAction(Canvas &canvas, int type)
{
    auto *action = new PaintData(&canvas);
    action->type = type;
    action->active = true;
    action->color = QStringLiteral("#1040c0");
    PageHistory::beginAction(canvas.currentPage()->history, action,
                             type == 2 || type == 3 || type == 5);
    return action;
}

// A finished action put straight into the history, as if drawn earlier.
PaintData *storedAction(Canvas &canvas, int type)
{
    PaintData *action = openAction(canvas, type);
    action->closed = true;
    return action;
}

double widthAt(int i)
{
    return 3.0 + (i % 4) * 0.75;
}

QVector<QPointF> wavyPoints(int n, const QPointF &start, double step = 13.0)
{
    QVector<QPointF> points;
    for (int i = 0; i < n; ++i)
        points << start + QPointF(i * step, (i % 2 ? 9.0 : -7.0) + i * 2.5);
    return points;
}

// Feeds the points one by one as the input handlers do, each step followed by the live painter;
// rects gives the widget rectangle of each step (the whole widget when empty), the release
// paints the whole widget.
void drawLive(Canvas &canvas, PaintData *action, const QVector<QPointF> &points,
              const QVector<QRect> &rects = {})
{
    canvas.setStrokeInProgress(true);
    for (int i = 0; i < points.size(); ++i) {
        action->points << points.at(i);
        if (action->type == 2 || action->type == 3)
            action->values << widthAt(i);
        canvas.paintCurrentAction(rects.isEmpty() ? canvas.rect() : rects.at(i));
    }
    canvas.setStrokeInProgress(false);
    canvas.paintCurrentAction(canvas.rect());
}

void fillStroke(PaintData *action, const QVector<QPointF> &points)
{
    action->points = points;
    if (action->type == 2 || action->type == 3) {
        for (int i = 0; i < points.size(); ++i)
            action->values << widthAt(i);
    }
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            count += p[col] != q[col];
    }
    return count;
}

int opaquePixels(const QImage &image)
{
    const QImage x = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col)
            count += qAlpha(x.pixel(col, row)) > 0;
    }
    return count;
}

// The live picture must be what a rebuild from the history gives, pixel for pixel.
void verifyReplayMatchesLive(Canvas &canvas)
{
    const QImage liveComposite = canvas.compositeLayer().toImage();
    const QImage liveInk = canvas.inkLayer().toImage();
    const QImage livePicture = canvas.pictureLayer().toImage();
    canvas.refreshPage();
    QCOMPARE(differingPixels(canvas.inkLayer().toImage(), liveInk), 0);
    QCOMPARE(differingPixels(canvas.pictureLayer().toImage(), livePicture), 0);
    QCOMPARE(differingPixels(canvas.compositeLayer().toImage(), liveComposite), 0);
}
} // namespace

class TestCanvasReplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void penStrokesLiveEqualReplay_data();
    void penStrokesLiveEqualReplay();
    void liveStepsThroughATurnedZoomedView();
    void longStrokesKeepTheirLastSteps();
    void highlighterLiveEqualsReplay();
    void highlighterToneIsUniformAndDarkensOthers();
    void shortHighlighterStrokeIsDropped();
    void eraserOnAPicturePageAndABoard();
    void eraserRectangleFollowsTheView();
    void itemActionsLiveEqualReplay_data();
    void itemActionsLiveEqualReplay();
    void incompleteItemActionsAreDropped();
    void missingStampAndBadPastedImageDrawNothing();
    void selectionContentMovesAndDeletes();
    void inactiveActionsAreSkipped();
    void snapshotsGiveTheSamePixels();
    void liveStrokesLeaveSnapshotsForUndo();
    void snapshotCacheLimits();
    void snapshotBudgetIsShared();

private:
    QTemporaryDir dataDir;
    PaintProperty property;
};

void TestCanvasReplay::initTestCase()
{
    QVERIFY(dataDir.isValid());
    appDataDir = dataDir.path();
}

void TestCanvasReplay::penStrokesLiveEqualReplay_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("count");
    for (int type : {2, 3}) {
        for (int count : {1, 2, 3, 4, 5, 6, 7, 8, 10, 13, 14}) {
            QTest::addRow("type %d, %d points", type, count) << type << count;
        }
    }
}

void TestCanvasReplay::penStrokesLiveEqualReplay()
{
    QFETCH(int, type);
    QFETCH(int, count);
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    QVERIFY(canvas.loadPages({QSize(260, 160)}, {QPixmap()}));
    canvas.setZoom(1.0);
    PaintData *earlier = storedAction(canvas, 3);
    earlier->width = 4;
    fillStroke(earlier, wavyPoints(6, QPointF(20, 120)));
    canvas.refreshPage();
    const int before = opaquePixels(canvas.inkLayer().toImage());

    PaintData *action = openAction(canvas, type);
    action->width = 4;
    drawLive(canvas, action, wavyPoints(count, QPointF(30, 50)));
    QVERIFY(action->closed);
    QVERIFY(opaquePixels(canvas.inkLayer().toImage()) > before);
    verifyReplayMatchesLive(canvas);
}

void TestCanvasReplay::liveStepsThroughATurnedZoomedView()
{
    // Each step recomposes only the rectangle the input handler reports (widget coordinates):
    // the mapping to the layers must hold with zoom, turns, mirroring and page extensions.
    for (const QVector<int> &kinds : QVector<QVector<int>>{{}, {1}, {2, 3}, {4}}) {
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        QPixmap photo(240, 150);
        photo.fill(QColor(250, 240, 200));
        QVERIFY(canvas.loadPages({photo.size()}, {photo}));
        canvas.currentPage()->showExtension = QMargins(15, 5, 20, 0);
        canvas.currentPage()->layerExtension = QMargins(15, 5, 20, 0);
        canvas.refreshPage();
        for (int kind : kinds) {
            canvas.viewOrientation().rotateOrMirror(kind);
            canvas.applyRotationTransform(kind);
        }
        canvas.setZoom(1.35);
        const QVector<QPointF> points = wavyPoints(11, QPointF(-10, 40), 21);
        QVector<QRect> rects;
        for (int i = 0; i < points.size(); ++i) {
            // The newest steps, in widget coordinates, grown by the pen width.
            QRectF r(canvas.mapFromPage(points.at(qMax(0, i - 6))),
                     canvas.mapFromPage(points.at(i)));
            for (int j = qMax(0, i - 6); j <= i; ++j)
                r |= QRectF(canvas.mapFromPage(points.at(j)), QSizeF(1, 1));
            rects << r.normalized().adjusted(-12, -12, 12, 12).toAlignedRect();
        }
        PaintData *action = openAction(canvas, 3);
        action->width = 5;
        drawLive(canvas, action, points, rects);
        verifyReplayMatchesLive(canvas);
    }
}

void TestCanvasReplay::longStrokesKeepTheirLastSteps()
{
    // With n - 1 a multiple of three, the last three steps used to be lost.
    for (int count : {7, 10, 13}) {
        Canvas canvas(Canvas::NewBoard, Qt::white, &property);
        QVERIFY(canvas.loadPages({QSize(400, 120)}, {QPixmap()}));
        canvas.setZoom(1.0);
        QVector<QPointF> points;
        for (int i = 0; i < count; ++i)
            points << QPointF(20 + i * 25, 60);
        PaintData *action = openAction(canvas, 3);
        action->width = 4;
        drawLive(canvas, action, points);
        const QPointF beforeLast = (points.at(count - 2) + points.last()) / 2;
        QVERIFY(canvas.inkLayer().toImage().pixelColor(beforeLast.toPoint()).alpha() > 0);
        canvas.refreshPage();
        QVERIFY(canvas.inkLayer().toImage().pixelColor(beforeLast.toPoint()).alpha() > 0);
    }
}

void TestCanvasReplay::highlighterLiveEqualsReplay()
{
    for (int count : {2, 3, 4, 5, 7, 9, 10}) {
        for (int side : {0, 1, 2, 3}) {
            Canvas canvas(Canvas::NewBoard, Qt::white, &property);
            QVERIFY(canvas.loadPages({QSize(300, 200)}, {QPixmap()}));
            canvas.setZoom(1.0);
            PaintData *pen = storedAction(canvas, 3);
            pen->width = 5;
            fillStroke(pen, wavyPoints(8, QPointF(30, 90)));
            canvas.refreshPage();
            PaintData *action = openAction(canvas, 4);
            action->width = 2;
            action->value2 = side;
            action->color = QStringLiteral("#ffd000");
            drawLive(canvas, action, wavyPoints(count, QPointF(60, 100), 17));
            QVERIFY(action->closed);
            QVERIFY(canvas.highlightLayer().toImage().pixelColor(70, 100).alpha() == 0);
            verifyReplayMatchesLive(canvas);
        }
    }
}

void TestCanvasReplay::highlighterToneIsUniformAndDarkensOthers()
{
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    QVERIFY(canvas.loadPages({QSize(240, 140)}, {QPixmap()}));
    canvas.setZoom(1.0);
    // One stroke that doubles back over itself: right along y 50, then back up-left over it.
    PaintData *first = openAction(canvas, 4);
    first->width = 2;
    first->color = QStringLiteral("#ff0000");
    drawLive(canvas, first, {QPointF(20, 50), QPointF(180, 50), QPointF(100, 10)});
    QImage image = canvas.compositeLayer().toImage();
    const QColor single = image.pixelColor(40, 60);
    const QColor crossed = image.pixelColor(170, 60);
    QVERIFY(single != QColor(Qt::white));
    QCOMPARE(crossed, single);

    // A second stroke over the first is darker where they meet.
    PaintData *second = openAction(canvas, 4);
    second->width = 2;
    second->color = QStringLiteral("#ff0000");
    drawLive(canvas, second, {QPointF(20, 55), QPointF(60, 55)});
    image = canvas.compositeLayer().toImage();
    QVERIFY(image.pixelColor(40, 60).green() < single.green() - 20);
    QCOMPARE(image.pixelColor(120, 60), single);
    verifyReplayMatchesLive(canvas);
    image = canvas.compositeLayer().toImage();
    QCOMPARE(image.pixelColor(170, 60), single);
}

void TestCanvasReplay::shortHighlighterStrokeIsDropped()
{
    RecordingCanvasHost host;
    Canvas canvas(Canvas::NewBoard, Qt::white, &property, nullptr, &host);
    QVERIFY(canvas.loadPages({QSize(100, 100)}, {QPixmap()}));
    canvas.setZoom(1.0);
    PaintData *action = openAction(canvas, 4);
    action->width = 2;
    drawLive(canvas, action, {QPointF(50, 50)});
    QVERIFY(canvas.currentPage()->history.isEmpty());
    QCOMPARE(opaquePixels(canvas.inkLayer().toImage()), 0);
    QCOMPARE(opaquePixels(canvas.highlightLayer().toImage()), 0);
    QCOMPARE(host.callsStartingWith("undo").last(), QStringLiteral("undo 0"));
}

void TestCanvasReplay::eraserOnAPicturePageAndABoard()
{
    // On a picture page the eraser takes the picture away and shows the board colour.
    Canvas photo(Canvas::PictureDocument, Qt::white, &property);
    QPixmap picture(200, 120);
    picture.fill(Qt::blue);
    QVERIFY(photo.loadPages({picture.size()}, {picture}));
    photo.setZoom(1.0);
    PaintData *ink = storedAction(photo, 3);
    ink->width = 6;
    fillStroke(ink, {QPointF(20, 60), QPointF(180, 60)});
    photo.refreshPage();
    PaintData *eraser = openAction(photo, 5);
    eraser->width = 3;
    eraser->value1 = 3;
    eraser->value2 = 0;
    drawLive(photo, eraser, {QPointF(50, 50), QPointF(60, 50), QPointF(120, 90)});
    QImage image = photo.compositeLayer().toImage();
    QCOMPARE(image.pixelColor(58, 60), QColor(Qt::white));
    QCOMPARE(image.pixelColor(128, 98), QColor(Qt::white));
    QCOMPARE(image.pixelColor(150, 20), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(150, 60), QColor(0x10, 0x40, 0xc0));
    QCOMPARE(photo.pictureLayer().toImage().pixelColor(58, 60).alpha(), 0);
    verifyReplayMatchesLive(photo);

    // On a plain board only ink goes; the board colour stays.
    Canvas board(Canvas::NewBoard, QColor(20, 90, 40), &property);
    QVERIFY(board.loadPages({QSize(200, 120)}, {QPixmap()}));
    board.setZoom(1.0);
    PaintData *chalk = storedAction(board, 3);
    chalk->width = 6;
    chalk->color = QStringLiteral("#ffffff");
    fillStroke(chalk, {QPointF(20, 60), QPointF(180, 60)});
    board.refreshPage();
    PaintData *wipe = openAction(board, 5);
    wipe->width = 4;
    wipe->value1 = 3;
    wipe->style = 1;
    drawLive(board, wipe, {QPointF(40, 48)});
    image = board.compositeLayer().toImage();
    QCOMPARE(image.pixelColor(52, 60), QColor(20, 90, 40));
    QCOMPARE(image.pixelColor(120, 60), QColor(Qt::white));
    QCOMPARE(board.pictureLayer().toImage().pixelColor(52, 60).alpha(), 0);
    verifyReplayMatchesLive(board);
}

void TestCanvasReplay::eraserRectangleFollowsTheView()
{
    // Listed (left, top) pairs turn the square with the view; anything else is (s, s).
    const struct
    {
        int left;
        int top;
        QPoint inside;
        QPoint outside;
    } cases[] = {
        {3, 0, QPoint(106, 106), QPoint(94, 94)},  {0, 1, QPoint(94, 106), QPoint(106, 94)},
        {1, 2, QPoint(94, 94), QPoint(106, 106)},  {2, 3, QPoint(106, 94), QPoint(94, 106)},
        {0, 0, QPoint(106, 106), QPoint(94, 94)},  {2, 2, QPoint(106, 106), QPoint(94, 94)},
        {7, -1, QPoint(106, 106), QPoint(94, 94)},
    };
    for (const auto &c : cases) {
        Canvas canvas(Canvas::NewBoard, Qt::white, &property);
        QVERIFY(canvas.loadPages({QSize(200, 200)}, {QPixmap()}));
        canvas.setZoom(1.0);
        PaintData *ink = storedAction(canvas, 3);
        ink->width = 60;
        ink->color = QStringLiteral("#000000");
        fillStroke(ink, {QPointF(100, 100)});
        PaintData *eraser = storedAction(canvas, 5);
        eraser->width = 2;
        eraser->value1 = c.left;
        eraser->value2 = c.top;
        eraser->points << QPointF(100, 100);
        canvas.refreshPage();
        const QImage image = canvas.compositeLayer().toImage();
        QCOMPARE(image.pixelColor(c.inside), QColor(Qt::white));
        QCOMPARE(image.pixelColor(c.outside), QColor(Qt::black));
    }
}

void TestCanvasReplay::itemActionsLiveEqualReplay_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("variant");
    QTest::newRow("pasted image") << 1 << 2;
    QTest::newRow("moved region") << 1 << 0;
    QTest::newRow("deleted region") << 1 << 1;
    QTest::newRow("line") << 6 << 0;
    QTest::newRow("line with arrows and ticks") << 6 << 1;
    QTest::newRow("rectangle") << 7 << 2;
    QTest::newRow("polygon") << 7 << 6;
    QTest::newRow("sector") << 7 << 7;
    QTest::newRow("cuboid") << 7 << 9;
    QTest::newRow("axes") << 7 << 21;
    QTest::newRow("connected line") << 8 << 0;
    QTest::newRow("free curve") << 9 << 0;
    QTest::newRow("text box") << 10 << 0;
    QTest::newRow("stamp") << 11 << 0;
    QTest::newRow("mirrored stamp") << 11 << 1;
}

void TestCanvasReplay::itemActionsLiveEqualReplay()
{
    QFETCH(int, type);
    QFETCH(int, variant);
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    QPixmap photo(300, 200);
    photo.fill(QColor(230, 240, 255));
    {
        QPainter painter(&photo);
        painter.fillRect(QRect(20, 20, 60, 40), QColor(200, 60, 60));
    }
    QVERIFY(canvas.loadPages({photo.size()}, {photo}));
    canvas.setZoom(1.0);
    PaintData *pen = storedAction(canvas, 3);
    pen->width = 5;
    fillStroke(pen, wavyPoints(9, QPointF(20, 40)));
    QPixmap pasted(40, 30);
    pasted.fill(QColor(10, 160, 60));
    canvas.currentPage()->pastedImages << pasted;
    canvas.refreshPage();
    const QImage before = canvas.compositeLayer().toImage();

    PaintData *action = openAction(canvas, type);
    action->color = QStringLiteral("#c02020");
    action->width = 3;
    action->style = 1;
    // Frames: first corner, adjacent corner, centre; the bounding rect's corners in 2 to 4.
    const QVector<QPointF> frame = {QPointF(120, 60), QPointF(220, 80), QPointF(165, 120)};
    auto setFrame = [&](const QPointF &from) {
        action->points = framePoints(from, from, frame.at(0), frame.at(1), frame.at(2));
    };
    switch (type) {
        case 1:
            action->value2 = variant;
            action->text = QStringLiteral("0");
            setFrame(QPointF(10, 10));
            if (variant != 2) {
                action->points[0] = QPointF(15, 15);
                action->points[1] = QPointF(90, 70);
                action->sourceFixed = true;
            }
            break;
        case 6:
            action->value1 = variant ? 4 : 0;
            action->value2 = variant;
            action->points = {QPointF(30, 100), QPointF(260, 180), QPointF(40, 110),
                              QPointF(250, 170)};
            break;
        case 7:
            action->value1 = variant;
            action->value2 = 2;
            action->color2 = QStringLiteral("#80c0ff");
            action->text = variant == 6    ? QStringLiteral("5")
                           : variant == 7  ? QStringLiteral("30|100")
                           : variant == 21 ? QStringLiteral("1")
                                           : QString();
            if (variant == 9)
                action->values << 18.0;
            action->sourceFixed = true;
            setFrame(QPointF(120, 60));
            break;
        case 8:
        case 9: {
            action->points = {QPointF(40, 120), QPointF(140, 150), QPointF(210, 100),
                              QPointF(260, 170)};
            action->value2 = 1;
            action->width = 3;
            const QRectF rect = type == 8 ? canvas.connectedLineItem()->boundingRect(
                                                action->points, 3, 1.0, QPointF(-9999, -9999))
                                          : canvas.freeCurveItem()->buildPath(
                                                action->points, 3, 1.0, QPointF(-9999, -9999));
            action->values = {rect.left(), rect.top(), rect.right(), rect.bottom()};
            break;
        }
        case 10:
            action->color = QStringLiteral("#202020");
            action->color2 = QStringLiteral("#fff0a0");
            action->text = QStringLiteral("<p>Quillboard 7.22 墨岚</p>");
            action->points = {QPointF(100, 110), QPointF(260, 110), QPointF(260, 170)};
            break;
        case 11:
            action->text = QStringLiteral("0");
            action->value2 = variant;
            action->points = {QPointF(150, 100), QPointF(190, 100), QPointF(190, 140)};
            if (variant) {
                // Placed in a view turned a quarter and mirrored.
                action->points = {QPointF(150, 140), QPointF(150, 100), QPointF(190, 100)};
            }
            break;
        default:
            break;
    }
    canvas.paintCurrentAction(canvas.rect());
    QVERIFY(action->closed);
    QVERIFY(canvas.currentPage()->history.contains(action));
    QVERIFY(differingPixels(canvas.compositeLayer().toImage(), before) > 50);
    verifyReplayMatchesLive(canvas);
}

void TestCanvasReplay::incompleteItemActionsAreDropped()
{
    RecordingCanvasHost host;
    Canvas canvas(Canvas::NewBoard, Qt::white, &property, nullptr, &host);
    QVERIFY(canvas.loadPages({QSize(200, 200)}, {QPixmap()}));
    canvas.setZoom(1.0);
    PaintData *line = openAction(canvas, 6);
    line->points = {QPointF(10, 10), QPointF(50, 50)};
    canvas.paintCurrentAction(canvas.rect());
    QVERIFY(canvas.currentPage()->history.isEmpty());

    PaintData *curve = openAction(canvas, 9);
    curve->points = {QPointF(10, 10), QPointF(50, 50)};
    curve->values = {10, 10};
    canvas.paintCurrentAction(canvas.rect());
    QVERIFY(canvas.currentPage()->history.isEmpty());

    PaintData *text = openAction(canvas, 10);
    text->points = {QPointF(10, 10), QPointF(50, 10), QPointF(50, 30)};
    canvas.paintCurrentAction(canvas.rect());
    QVERIFY(canvas.currentPage()->history.isEmpty());
    QCOMPARE(host.callsStartingWith("undo").last(), QStringLiteral("undo 0"));

    // Nothing open: nothing is painted or closed.
    PaintData *done = storedAction(canvas, 6);
    done->points = {QPointF(10, 10), QPointF(50, 50)};
    canvas.paintCurrentAction(canvas.rect());
    QCOMPARE(canvas.currentPage()->history.size(), 1);
}

void TestCanvasReplay::missingStampAndBadPastedImageDrawNothing()
{
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    QVERIFY(canvas.loadPages({QSize(200, 200)}, {QPixmap()}));
    canvas.setZoom(1.0);
    QPixmap pasted(40, 30);
    pasted.fill(Qt::red);
    canvas.currentPage()->pastedImages << pasted;

    PaintData *stamp = openAction(canvas, 11);
    stamp->text = QStringLiteral("gone.png");
    stamp->points = {QPointF(50, 50), QPointF(90, 50), QPointF(90, 90)};
    canvas.paintCurrentAction(canvas.rect());

    for (const QString &index : {QStringLiteral("1"), QStringLiteral("-1"), QStringLiteral("x")}) {
        PaintData *image = openAction(canvas, 1);
        image->value2 = 2;
        image->text = index;
        image->points = framePoints(QPointF(0, 0), QPointF(0, 0), QPointF(20, 20), QPointF(100, 20),
                                    QPointF(60, 60));
        canvas.paintCurrentAction(canvas.rect());
        QVERIFY(image->closed);
    }
    QCOMPARE(canvas.currentPage()->history.size(), 4);
    QCOMPARE(opaquePixels(canvas.inkLayer().toImage()), 0);
    canvas.refreshPage();
    QCOMPARE(opaquePixels(canvas.inkLayer().toImage()), 0);

    // The same with a stamp that exists, and a valid position, draws.
    stamp->text = QStringLiteral("1");
    canvas.currentPage()->history.last()->text = QStringLiteral("0");
    canvas.refreshPage();
    const QImage ink = canvas.inkLayer().toImage();
    QVERIFY(ink.pixelColor(60, 60).alpha() > 0);
    QCOMPARE(ink.pixelColor(30, 30), QColor(Qt::red));
}

void TestCanvasReplay::selectionContentMovesAndDeletes()
{
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    QPixmap photo(200, 100);
    photo.fill(Qt::blue);
    QVERIFY(canvas.loadPages({photo.size()}, {photo}));
    canvas.setZoom(1.0);
    PaintData *dot = storedAction(canvas, 3);
    dot->width = 10;
    dot->color = QStringLiteral("#ff0000");
    fillStroke(dot, {QPointF(20, 20)});
    // Lift (10, 10)-(30, 30) and put it upright at (100, 50)-(120, 70).
    PaintData *move = storedAction(canvas, 1);
    move->value2 = 0;
    move->sourceFixed = true;
    move->points = framePoints(QPointF(10, 10), QPointF(30, 30), QPointF(100, 50), QPointF(120, 50),
                               QPointF(110, 60));
    canvas.refreshPage();
    QImage image = canvas.compositeLayer().toImage();
    QCOMPARE(image.pixelColor(20, 20), QColor(Qt::white));
    QCOMPARE(image.pixelColor(12, 28), QColor(Qt::white));
    QCOMPARE(image.pixelColor(40, 40), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(110, 60), QColor(Qt::red));
    QCOMPARE(image.pixelColor(102, 68), QColor(Qt::blue));

    // Deleting a region clears picture and ink and shows the board.
    PaintData *cut = storedAction(canvas, 1);
    cut->value2 = 1;
    cut->points = {QPointF(100, 50), QPointF(125, 75), QPointF(), QPointF(),
                   QPointF(),        QPointF(),        QPointF(), QPointF()};
    canvas.refreshPage();
    image = canvas.compositeLayer().toImage();
    QCOMPARE(image.pixelColor(110, 60), QColor(Qt::white));
    QCOMPARE(image.pixelColor(130, 60), QColor(Qt::blue));
}

void TestCanvasReplay::inactiveActionsAreSkipped()
{
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    QVERIFY(canvas.loadPages({QSize(200, 200)}, {QPixmap()}));
    canvas.setZoom(1.0);
    PaintData *only = storedAction(canvas, 3);
    only->width = 8;
    fillStroke(only, wavyPoints(5, QPointF(30, 100)));
    canvas.refreshPage();
    QVERIFY(opaquePixels(canvas.inkLayer().toImage()) > 0);
    QVERIFY(PageHistory::undo(canvas.currentPage()->history));
    canvas.refreshPage();
    QCOMPARE(opaquePixels(canvas.inkLayer().toImage()), 0);
    QCOMPARE(canvas.compositeLayer().toImage().pixelColor(50, 100), QColor(Qt::white));
}

void TestCanvasReplay::snapshotsGiveTheSamePixels()
{
    // Two canvases with the same history, one keeping snapshots after every action, one never.
    Canvas fast(Canvas::PictureDocument, Qt::white, &property);
    Canvas plain(Canvas::PictureDocument, Qt::white, &property);
    QPixmap photo(320, 200);
    photo.fill(QColor(200, 220, 200));
    for (Canvas *canvas : {&fast, &plain}) {
        QVERIFY(canvas->loadPages({photo.size()}, {photo}));
        canvas->setZoom(1.0);
    }
    fast.setSnapshotCost(0);
    plain.setSnapshotsEnabled(false);
    auto addStrokes = [&](int first, int count) {
        for (Canvas *canvas : {&fast, &plain}) {
            for (int i = first; i < first + count; ++i) {
                const int type = i % 7 == 3 ? 5 : i % 5 == 1 ? 4 : 3;
                PaintData *action = storedAction(*canvas, type);
                action->width = type == 5 ? 2 : 3;
                action->color =
                    QStringLiteral("#%1").arg(0x102030 * (i % 5 + 1), 6, 16, QLatin1Char('0'));
                fillStroke(action,
                           wavyPoints(4 + i % 9, QPointF(10 + (i * 37) % 250, 20 + i % 160), 11));
            }
        }
    };
    auto expectSame = [&]() {
        fast.refreshPage();
        plain.refreshPage();
        QCOMPARE(differingPixels(fast.compositeLayer().toImage(), plain.compositeLayer().toImage()),
                 0);
        QCOMPARE(differingPixels(fast.pictureLayer().toImage(), plain.pictureLayer().toImage()), 0);
    };
    addStrokes(0, 30);
    expectSame();
    QVERIFY(fast.snapshotCount() > 0);
    QCOMPARE(plain.snapshotCount(), 0);

    // Undo, redo and undo deeper than the snapshots reach.
    for (int step = 0; step < 20; ++step) {
        for (Canvas *canvas : {&fast, &plain})
            QVERIFY(PageHistory::undo(canvas->currentPage()->history));
        expectSame();
    }
    for (int step = 0; step < 6; ++step) {
        for (Canvas *canvas : {&fast, &plain})
            QVERIFY(PageHistory::redo(canvas->currentPage()->history));
        expectSame();
    }
    // A new action after undos drops the redo branch.
    addStrokes(100, 1);
    for (Canvas *canvas : {&fast, &plain})
        PageHistory::dropRedoTail(canvas->currentPage()->history, true);
    expectSame();

    // Clearing the page and drawing anew: old snapshots must not come back.
    for (Canvas *canvas : {&fast, &plain})
        PageHistory::clearHistory(canvas->currentPage()->history);
    addStrokes(200, 5);
    expectSame();
    for (Canvas *canvas : {&fast, &plain})
        QVERIFY(PageHistory::undo(canvas->currentPage()->history));
    expectSame();
}

void TestCanvasReplay::liveStrokesLeaveSnapshotsForUndo()
{
    // Live strokes leave snapshots behind; an undo then starts from one, and the page still looks
    // exactly as a full replay draws it.
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    QVERIFY(canvas.loadPages({QSize(300, 200)}, {QPixmap()}));
    canvas.setZoom(1.0);
    canvas.setSnapshotCost(0);
    for (int i = 0; i < 8; ++i) {
        PaintData *action = openAction(canvas, 3);
        action->width = 4;
        drawLive(canvas, action, wavyPoints(9, QPointF(10 + i * 20, 30 + i * 15)));
    }
    QVERIFY(canvas.snapshotCount() > 0);
    // An open action is never part of a snapshot.
    PaintData *open = openAction(canvas, 3);
    open->width = 4;
    fillStroke(open, wavyPoints(5, QPointF(40, 150)));
    canvas.refreshPage();
    QVERIFY(PageHistory::undo(canvas.currentPage()->history));
    QVERIFY(PageHistory::undo(canvas.currentPage()->history));
    canvas.refreshPage();
    const QImage withSnapshots = canvas.compositeLayer().toImage();
    canvas.setSnapshotsEnabled(false);
    canvas.refreshPage();
    QCOMPARE(differingPixels(canvas.compositeLayer().toImage(), withSnapshots), 0);
}

void TestCanvasReplay::snapshotBudgetIsShared()
{
    // Boards of 3000 x 3000 (about 34 MB a layer): eight hidden and one shown, each with copies.
    QObject owner;
    QList<PaintData *> history;
    for (int i = 0; i < 6; ++i) {
        auto *action = new PaintData(&owner);
        action->active = true;
        action->closed = true;
        history << action;
    }
    const QPixmap big(3000, 3000);
    LayerSnapshots shown;
    std::vector<std::unique_ptr<LayerSnapshots>> hidden;
    for (int board = 0; board < 8; ++board) {
        hidden.emplace_back(new LayerSnapshots);
        hidden.back()->setShown(false);
        for (int count = 1; count <= 2; ++count) {
            hidden.back()->take(history, count, big, QPixmap());
            QVERIFY(LayerSnapshots::totalBytes() <= LayerSnapshots::budgetBytes);
        }
    }
    for (int count = 1; count <= 4; ++count) {
        shown.take(history, count, big, QPixmap());
        QVERIFY(LayerSnapshots::totalBytes() <= LayerSnapshots::budgetBytes);
    }
    // The shown board's copies stayed; hidden ones went, the oldest first.
    QCOMPARE(shown.size(), 4);
    QCOMPARE(hidden.front()->size(), 0);
    QVERIFY(hidden.back()->size() > 0);
    // When only shown copies are left, the oldest of them go.
    hidden.clear();
    LayerSnapshots other;
    for (int count = 1; count <= 6; ++count)
        other.take(history, count, big, big);
    QVERIFY(LayerSnapshots::totalBytes() <= LayerSnapshots::budgetBytes);
    QVERIFY(shown.size() < 4);
    QCOMPARE(shown.nearest(history)->count, 4);
}

void TestCanvasReplay::snapshotCacheLimits()
{
    QObject owner;
    QList<PaintData *> history;
    for (int i = 0; i < 30; ++i) {
        auto *action = new PaintData(&owner);
        action->active = true;
        action->closed = true;
        history << action;
    }
    LayerSnapshots cache;
    QPixmap small(100, 100);
    for (int count = 1; count <= 20; ++count)
        cache.take(history, count, small, QPixmap());
    QCOMPARE(cache.size(), LayerSnapshots::maximumCount);
    QCOMPARE(cache.nearest(history)->count, 20);

    // Large pages keep fewer copies (one layer of 3000 x 3000 is about 34 MB).
    LayerSnapshots large;
    QPixmap big(3000, 3000);
    for (int count = 1; count <= 8; ++count)
        large.take(history, count, big, count % 2 ? big : QPixmap());
    QVERIFY(large.size() >= 1);
    QVERIFY(large.size() <= 4);
    QCOMPARE(large.nearest(history)->count, 8);

    // An open or undone action ends what a copy may cover.
    history.at(12)->active = false;
    QCOMPARE(cache.nearest(history)->count, 12);
    history.at(12)->active = true;
    QCOMPARE(cache.nearest(history)->count, 12);
    history.at(3)->closed = false;
    QVERIFY(!cache.nearest(history));
    cache.take(history, 5, small, QPixmap());
    QCOMPARE(cache.size(), 0);
    // A deleted action makes every copy after it unusable.
    history.at(3)->closed = true;
    cache.take(history, 10, small, QPixmap());
    delete history.takeAt(4);
    QVERIFY(!cache.nearest(history));
}

QTEST_MAIN(TestCanvasReplay)
#include "tst_canvasreplay.moc"
