#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include "base/uimetrics.h"
#include "canvas/canvas.h"
#include "drawing/gridlines.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/pagelimits.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "recordingcanvashost.h"

namespace {
// One page of the given size, shown at zoom 1.
void loadOnePage(Canvas &canvas, const QSize &size, const QPixmap &background = QPixmap())
{
    QVERIFY(canvas.loadPages({size}, {background}));
    canvas.setZoom(1.0);
}

// The orientations reachable by the rotate commands, as command sequences.
QVector<QVector<int>> orientationSequences()
{
    return {{}, {1}, {1, 1}, {2}, {3}, {4}, {1, 3}, {2, 3}};
}

void turnView(Canvas &canvas, const QVector<int> &kinds)
{
    for (int kind : kinds) {
        canvas.viewOrientation().rotateOrMirror(kind);
        canvas.applyRotationTransform(kind);
    }
    canvas.setZoom(canvas.zoom());
}

PaintData *addDot(Canvas &canvas, const QPointF &at, int width)
{
    auto *action = new PaintData(&canvas);
    action->type = 3;
    action->active = true;
    action->closed = true;
    action->width = width;
    action->color = QStringLiteral("#000000");
    action->points << at;
    action->values << width;
    canvas.currentPage()->history.append(action);
    return action;
}
} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private slots:
    void loadingChecksTheLists();
    void pagesHaveAMinimumAndAMaximumSize();
    void gotoPageSwitchesAndReplays();
    void zoomStepsAndLimits();
    void turnedViewSwapsTheWidgetSize();
    void mapToPageRoundTripsInEveryOrientation();
    void paintingFollowsTheMapping();
    void viewTransformAgreesWithTheOrientation();
    void pageEdgesUnderThePointer();
    void draggingTheCornerAndReleasing();
    void draggedEdgeFollowsThePointerInEveryOrientation();
    void draggedEdgeKeepsThirtyPixels();
    void draggedEdgeStopsAtThePageLimit();
    void gridSpacingCountsWholeSteps();
    void gridAtTheScreenThatUsedToHang();
    void gridTypeThreeSkipsTheEdges();
    void canvasGridCommands();
    void itemStatesAreReportedOnlyWhenChanged();
    void actionStatesByMode();
    void overlayWheelAndStepButtons();
    void overlayCloseGoesToTheWindow();
    void overlayShowsTheSlideWhereNothingIsDrawn();
    void pageImagesForExport();
};

void TestCanvas::loadingChecksTheLists()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas canvas(Canvas::NewBoard, Qt::white, &property, nullptr, &host);

    QVERIFY(!canvas.loadPages({QSize(100, 100), QSize(100, 100), QSize(100, 100)},
                              {QPixmap(), QPixmap()}));
    QCOMPARE(host.calls, QStringList{QStringLiteral("message 文件尺寸参数设置错误，打开失败！")});
    QVERIFY(!canvas.hasPage());
    QCOMPARE(canvas.pageList().size(), 0);

    host.calls.clear();
    QVERIFY(!canvas.loadPages({}, {}));
    QCOMPARE(host.calls.size(), 1);

    // A second load replaces the pages.
    QVERIFY(canvas.loadPages({QSize(100, 100), QSize(200, 80)}, {QPixmap(), QPixmap()}));
    QVERIFY(canvas.loadPages({QSize(50, 50)}, {QPixmap()}));
    QCOMPARE(canvas.pageCount(), 1);
    QCOMPARE(canvas.pageList().size(), 1);
    QCOMPARE(canvas.currentPage()->width, 50);
}

void TestCanvas::pagesHaveAMinimumAndAMaximumSize()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property, nullptr, &host);

    QVERIFY(!canvas.loadPages({QSize(100, 100), QSize(29, 300)}, {QPixmap(), QPixmap()}));
    QCOMPARE(host.calls,
             QStringList{QStringLiteral("message 不支持的文件尺寸，最小允许尺寸：30×30")});
    QVERIFY(!canvas.hasPage());
    QCOMPARE(canvas.pageList().size(), 0);
    QCOMPARE(canvas.pageCount(), 0);

    host.calls.clear();
    QVERIFY(canvas.loadPages({QSize(30, 30)}, {QPixmap()}));
    QVERIFY(host.calls.isEmpty());
    QVERIFY(canvas.layersReady());
    QCOMPARE(canvas.inkLayer().size(), QSize(30, 30));

    // A huge picture becomes a page of at most 4096 pixels a side, aspect kept, picture scaled
    // with it; the layers are then of that size, not of the picture's.
    QPixmap huge(8192, 2048);
    huge.fill(Qt::blue);
    QVERIFY(canvas.loadPages({huge.size()}, {huge}));
    QCOMPARE(canvas.currentPage()->width, 4096);
    QCOMPARE(canvas.currentPage()->height, 1024);
    QCOMPARE(canvas.currentPage()->background.size(), QSize(4096, 1024));
    QCOMPARE(canvas.inkLayer().size(), QSize(4096, 1024));
    QCOMPARE(canvas.compositeLayer().toImage().pixelColor(4000, 1000), QColor(Qt::blue));

    QCOMPARE(limitedPageSize(QSize(10000, 10000)), QSize(4096, 4096));
    QCOMPARE(limitedPageSize(QSize(3000, 9000)), QSize(1365, 4096));
    QCOMPARE(limitedPageSize(QSize(4096, 100)), QSize(4096, 100));
}

void TestCanvas::gotoPageSwitchesAndReplays()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas canvas(Canvas::SlideOverlay, Qt::transparent, &property, nullptr, &host);
    QVERIFY(canvas.loadPages({QSize(100, 80), QSize(120, 90), QSize(60, 60)},
                             {QPixmap(), QPixmap(), QPixmap()}));
    canvas.setZoom(1.0);
    QCOMPARE(canvas.currentPage()->index, 0);
    addDot(canvas, QPointF(10, 10), 6);

    host.calls.clear();
    canvas.gotoPage(2);
    QCOMPARE(canvas.currentPage()->index, 1);
    QCOMPARE(canvas.inkLayer().size(), QSize(120, 90));
    QCOMPARE(host.callsStartingWith("undo"), QStringList{QStringLiteral("undo 0")});

    canvas.gotoPage(1);
    QCOMPARE(canvas.currentPage()->index, 0);
    QVERIFY(canvas.compositeLayer().toImage().pixelColor(10, 10).alpha() > 200);
    QCOMPARE(host.callsStartingWith("undo").last(), QStringLiteral("undo 1"));

    // No such page: the current one stays, and the states are still reported.
    host.calls.clear();
    canvas.gotoPage(9);
    QCOMPARE(canvas.currentPage()->index, 0);
    QCOMPARE(host.callsStartingWith("undo").size(), 1);
}

void TestCanvas::zoomStepsAndLimits()
{
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    // Without a page nothing changes.
    canvas.setZoom(1.5);
    canvas.zoomStep(1);
    QCOMPARE(canvas.zoom(), 1.0);

    loadOnePage(canvas, QSize(800, 600));
    QSignalSpy sized(&canvas, &Canvas::sizeChanged);

    canvas.setZoom(1.03);
    canvas.zoomStep(1);
    QCOMPARE(canvas.zoom(), 1.10);
    QCOMPARE(canvas.size(), QSize(880, 660));

    canvas.setZoom(1.77);
    canvas.zoomStep(1);
    QCOMPARE(canvas.zoom(), 1.8);

    canvas.setZoom(1.78);
    canvas.zoomStep(1);
    QCOMPARE(canvas.zoom(), 1.78);

    canvas.setZoom(0.05);
    QCOMPARE(canvas.zoom(), 0.05);
    canvas.zoomStep(2);
    QCOMPARE(canvas.zoom(), 0.05);
    canvas.zoomStep(7);
    QCOMPARE(canvas.zoom(), 0.05);

    canvas.setZoom(1.81);
    canvas.setZoom(0.0);
    canvas.setZoom(-1.0);
    QCOMPARE(canvas.zoom(), 0.05);

    canvas.setZoom(1.0);
    canvas.zoomBy(1, 0.25);
    QCOMPARE(canvas.zoom(), 1.25);
    canvas.zoomBy(2, 0.5);
    QCOMPARE(canvas.zoom(), 0.75);
    canvas.zoomBy(3, 0.5);
    QCOMPARE(canvas.zoom(), 0.75);
    QVERIFY(!sized.isEmpty());
    QCOMPARE(sized.last().at(0).toDouble(), 0.75);

    Canvas small(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(small, QSize(100, 100));
    small.setZoom(0.3);
    QCOMPARE(small.zoom(), 0.3);
    QCOMPARE(small.size(), QSize(30, 30));
    small.setZoom(0.25);
    QCOMPARE(small.zoom(), 0.3);
}

void TestCanvas::turnedViewSwapsTheWidgetSize()
{
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(canvas, QSize(200, 100));
    canvas.setZoom(1.5);
    QCOMPARE(canvas.size(), QSize(300, 150));
    turnView(canvas, {1});
    QCOMPARE(canvas.size(), QSize(150, 300));
    turnView(canvas, {3});
    QCOMPARE(canvas.size(), QSize(150, 300));
    turnView(canvas, {2});
    QCOMPARE(canvas.size(), QSize(300, 150));
}

void TestCanvas::mapToPageRoundTripsInEveryOrientation()
{
    PaintProperty property;
    for (const QVector<int> &kinds : orientationSequences()) {
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        loadOnePage(canvas, QSize(200, 120));
        canvas.currentPage()->showExtension = QMargins(10, 20, 30, 5);
        canvas.currentPage()->layerExtension = QMargins(10, 20, 30, 5);
        canvas.refreshPage();
        canvas.setZoom(1.5);
        turnView(canvas, kinds);
        const QRectF widgetArea(QPointF(0, 0), QSizeF(canvas.size()));
        const QVector<QPointF> points = {QPointF(0, 0), QPointF(200, 120), QPointF(-10, -20),
                                         QPointF(230, 125), QPointF(37.5, 81.25)};
        for (const QPointF &p : points) {
            const QPointF w = canvas.mapFromPage(p);
            QVERIFY2(widgetArea.adjusted(-0.01, -0.01, 0.01, 0.01).contains(w),
                     qPrintable(QStringLiteral("%1,%2").arg(w.x()).arg(w.y())));
            const QPointF back = canvas.mapToPage(w);
            QVERIFY(qAbs(back.x() - p.x()) < 1e-9 && qAbs(back.y() - p.y()) < 1e-9);
        }
        // The shown area's corners are the widget's corners.
        const QRectF shown =
            QRectF(canvas.mapFromPage(QPointF(-10, -20)), canvas.mapFromPage(QPointF(230, 125)))
                .normalized();
        QVERIFY(qAbs(shown.width() - widgetArea.width()) <= 0.5);
        QVERIFY(qAbs(shown.height() - widgetArea.height()) <= 0.5);
    }
    // Without turns, widget (0, 0) is the shown area's corner and the zoom divides.
    Canvas plain(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(plain, QSize(200, 120));
    plain.currentPage()->showExtension = QMargins(10, 20, 0, 0);
    plain.setZoom(2.0 / 1.25);
    QCOMPARE(plain.mapToPage(QPointF(0, 0)), QPointF(-10, -20));
    QCOMPARE(plain.mapToPage(QPointF(32, 64)), QPointF(10, 20));
}

void TestCanvas::paintingFollowsTheMapping()
{
    PaintProperty property;
    for (const QVector<int> &kinds : orientationSequences()) {
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        loadOnePage(canvas, QSize(160, 100));
        canvas.currentPage()->showExtension = QMargins(0, 0, 20, 10);
        canvas.currentPage()->layerExtension = QMargins(0, 0, 20, 10);
        addDot(canvas, QPointF(30, 20), 8);
        canvas.refreshPage();
        canvas.setZoom(1.25);
        turnView(canvas, kinds);
        const QImage shot = canvas.grab().toImage();
        const QPoint at = canvas.mapFromPage(QPointF(30, 20)).toPoint();
        QVERIFY(shot.pixelColor(at).lightness() < 100);
        // Where the page's opposite corner is shown there is only board.
        const QPoint far = canvas.mapFromPage(QPointF(150, 90)).toPoint();
        QCOMPARE(shot.pixelColor(far), QColor(Qt::white));
    }
}

void TestCanvas::viewTransformAgreesWithTheOrientation()
{
    PaintProperty property;
    const QVector<QVector<int>> sequences = {{1},    {2},       {3},       {4},         {1, 3},
                                             {3, 1}, {2, 4, 1}, {1, 1, 4}, {4, 2, 2, 3}};
    for (const QVector<int> &kinds : sequences) {
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        loadOnePage(canvas, QSize(200, 100));
        turnView(canvas, kinds);
        const QTransform mapping = canvas.pageToWidgetTransform();
        const QTransform &view = canvas.viewTransform();
        QCOMPARE(qRound(view.m11()), qRound(mapping.m11()));
        QCOMPARE(qRound(view.m12()), qRound(mapping.m12()));
        QCOMPARE(qRound(view.m21()), qRound(mapping.m21()));
        QCOMPARE(qRound(view.m22()), qRound(mapping.m22()));
    }
}

void TestCanvas::pageEdgesUnderThePointer()
{
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(canvas, QSize(300, 200));
    const int m = qCeil(fiveMillimetresInPixels());
    QCOMPARE(canvas.pageEdgeAt(QPoint(299, 10)), 4);
    QCOMPARE(canvas.pageEdgeAt(QPoint(299, 199)), 5);
    QCOMPARE(canvas.pageEdgeAt(QPoint(299, 260)), 5);
    QCOMPARE(canvas.pageEdgeAt(QPoint(10, 199)), 6);
    QCOMPARE(canvas.pageEdgeAt(QPoint(150, 100)), -1);
    QCOMPARE(canvas.pageEdgeAt(QPoint(300 - m - 1, 100)), -1);
    QCOMPARE(canvas.pageEdgeAt(QPoint(-1, 199)), -1);
    QCOMPARE(canvas.pageEdgeAt(QPoint(301, 100)), -1);

    // The cursor follows only with tracking on (picture documents turn it on).
    canvas.setPointerTracking(true);
    QVERIFY(canvas.hasMouseTracking());
    canvas.updateEdgeCursor(QPoint(299, 10));
    QCOMPARE(canvas.edgeHit(), 4);
    QCOMPARE(canvas.cursor().shape(), Qt::SizeHorCursor);
    canvas.updateEdgeCursor(QPoint(299, 199));
    QCOMPARE(canvas.cursor().shape(), Qt::SizeFDiagCursor);
    canvas.updateEdgeCursor(QPoint(5, 199));
    QCOMPARE(canvas.cursor().shape(), Qt::SizeVerCursor);
    canvas.updateEdgeCursor(QPoint(100, 100));
    QCOMPARE(canvas.edgeHit(), -1);
}

void TestCanvas::draggingTheCornerAndReleasing()
{
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(canvas, QSize(200, 100));
    addDot(canvas, QPointF(20, 20), 8);
    canvas.refreshPage();
    canvas.setZoom(1.25);
    QCOMPARE(canvas.size(), QSize(250, 125));

    // Without tracking a press on the edge starts nothing.
    canvas.updateEdgeCursor(QPoint(249, 124));
    canvas.beginEdgeDrag(QPointF(1000, 1000));
    QVERIFY(!canvas.isEdgeDragging());

    canvas.setPointerTracking(true);
    canvas.updateEdgeCursor(QPoint(249, 124));
    QCOMPARE(canvas.edgeHit(), 5);
    canvas.beginEdgeDrag(QPointF(1000, 1000));
    QVERIFY(canvas.isEdgeDragging());
    QVERIFY(canvas.isStrokeInProgress());

    // Screen travel (40, 20) at zoom 1.25 is (32, 16) page pixels.
    canvas.dragEdgeTo(QPointF(1040, 1020), false);
    PageData *page = canvas.currentPage();
    QCOMPARE(page->showExtension, QMargins(0, 0, 32, 16));
    QCOMPARE(canvas.size(), QSize(290, 145));
    // The preview is the old picture on a larger board; the layers grow at the release.
    QCOMPARE(page->layerExtension, QMargins());
    QCOMPARE(canvas.compositeLayer().size(), QSize(200, 100));
    const QImage preview = canvas.grab().toImage();
    QCOMPARE(preview.pixelColor(280, 140), QColor(Qt::white));
    QVERIFY(preview.pixelColor(25, 25).lightness() < 100);

    // Back to the start: the shown size returns and the layers keep no temporary growth.
    canvas.dragEdgeTo(QPointF(1000, 1000), true);
    QVERIFY(!canvas.isEdgeDragging());
    QVERIFY(!canvas.isStrokeInProgress());
    QCOMPARE(page->showExtension, QMargins());
    QCOMPARE(page->layerExtension, QMargins());
    QCOMPARE(canvas.size(), QSize(250, 125));
    QCOMPARE(canvas.inkLayer().size(), QSize(200, 100));

    // A drag that is released out there keeps the growth; the drawing stays where it was.
    canvas.updateEdgeCursor(QPoint(249, 60));
    QCOMPARE(canvas.edgeHit(), 4);
    const QPointF dotBefore = canvas.mapFromPage(QPointF(20, 20));
    canvas.beginEdgeDrag(QPointF(500, 500));
    canvas.dragEdgeTo(QPointF(560, 540), true);
    QCOMPARE(page->showExtension, QMargins(0, 0, 48, 0));
    QCOMPARE(page->layerExtension, QMargins(0, 0, 48, 0));
    QCOMPARE(canvas.inkLayer().size(), QSize(248, 100));
    QCOMPARE(canvas.size(), QSize(310, 125));
    QCOMPARE(canvas.mapFromPage(QPointF(20, 20)), dotBefore);
    QVERIFY(canvas.compositeLayer().toImage().pixelColor(20, 20).lightness() < 100);
}

void TestCanvas::draggedEdgeFollowsThePointerInEveryOrientation()
{
    PaintProperty property;
    for (const QVector<int> &kinds : orientationSequences()) {
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        loadOnePage(canvas, QSize(200, 100));
        canvas.setPointerTracking(true);
        turnView(canvas, kinds);
        const QSize before = canvas.size();
        const QPointF anchor = canvas.mapFromPage(QPointF(50, 40));

        canvas.updateEdgeCursor(QPoint(before.width() - 1, before.height() / 2));
        QCOMPARE(canvas.edgeHit(), 4);
        canvas.beginEdgeDrag(QPointF(0, 0));
        canvas.dragEdgeTo(QPointF(30, 0), true);
        QCOMPARE(canvas.size(), before + QSize(30, 0));
        QCOMPARE(canvas.mapFromPage(QPointF(50, 40)), anchor);

        const QSize wider = canvas.size();
        canvas.updateEdgeCursor(QPoint(10, wider.height() - 1));
        QCOMPARE(canvas.edgeHit(), 6);
        canvas.beginEdgeDrag(QPointF(0, 0));
        canvas.dragEdgeTo(QPointF(0, -15), true);
        QCOMPARE(canvas.size(), wider - QSize(0, 15));
        QCOMPARE(canvas.mapFromPage(QPointF(50, 40)), anchor);
    }
}

void TestCanvas::draggedEdgeKeepsThirtyPixels()
{
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(canvas, QSize(50, 50));
    canvas.setPointerTracking(true);
    canvas.updateEdgeCursor(QPoint(49, 20));
    QCOMPARE(canvas.edgeHit(), 4);
    canvas.beginEdgeDrag(QPointF(0, 0));
    canvas.dragEdgeTo(QPointF(-20, 0), false);
    QCOMPARE(canvas.currentPage()->showExtension, QMargins(0, 0, -20, 0));
    QCOMPARE(canvas.size(), QSize(30, 50));
    canvas.dragEdgeTo(QPointF(-21, 0), false);
    QCOMPARE(canvas.currentPage()->showExtension, QMargins(0, 0, -20, 0));
    canvas.dragEdgeTo(QPointF(-21, 0), true);
    QCOMPARE(canvas.currentPage()->showExtension, QMargins(0, 0, -20, 0));
    QCOMPARE(canvas.size(), QSize(30, 50));
    // A zoom that would show fewer than 30 pixels is refused too.
    canvas.setZoom(0.9);
    QCOMPARE(canvas.zoom(), 1.0);
}

void TestCanvas::draggedEdgeStopsAtThePageLimit()
{
    // Far out of a small view, a corner drag once asked for gigabytes of layers.
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
    loadOnePage(canvas, QSize(1000, 700));
    canvas.setZoom(0.1);
    canvas.setPointerTracking(true);
    canvas.updateEdgeCursor(QPoint(canvas.width() - 1, canvas.height() - 1));
    QCOMPARE(canvas.edgeHit(), 5);
    const qint64 layer = canvas.compositeLayer().cacheKey();
    canvas.beginEdgeDrag(QPointF(0, 0));
    for (int i = 1; i <= 6; ++i) {
        canvas.dragEdgeTo(QPointF(100 * i, i), false);
        // No page-sized preview is made on a move.
        QCOMPARE(canvas.compositeLayer().cacheKey(), layer);
    }
    canvas.dragEdgeTo(QPointF(600, 6), true);
    PageData *page = canvas.currentPage();
    QCOMPARE(page->showExtension, QMargins(0, 0, maximumPageSide - 1000, 60));
    QCOMPARE(canvas.inkLayer().size(), QSize(maximumPageSide, 760));
    QCOMPARE(canvas.size(), QSize(qRound(0.1 * maximumPageSide), 76));

    // A second drag further out stays at the limit.
    canvas.updateEdgeCursor(QPoint(canvas.width() - 1, canvas.height() / 2));
    QCOMPARE(canvas.edgeHit(), 4);
    canvas.beginEdgeDrag(QPointF(0, 0));
    canvas.dragEdgeTo(QPointF(600, 0), true);
    QCOMPARE(page->showExtension, QMargins(0, 0, maximumPageSide - 1000, 60));
    QCOMPARE(canvas.inkLayer().size(), QSize(maximumPageSide, 760));
}

void TestCanvas::gridSpacingCountsWholeSteps()
{
    GridSpacing spacing(4.0);
    QCOMPARE(spacing.steps(), 3);
    QCOMPARE(spacing.pixels(), 30.0);
    QVERIFY(spacing.widen(1000));
    QCOMPARE(spacing.pixels(), 40.0);
    QVERIFY(!spacing.widen(50));
    QCOMPARE(spacing.steps(), 4);
    QVERIFY(spacing.narrow(1000));
    QVERIFY(spacing.narrow(1000));
    QVERIFY(spacing.narrow(1000));
    QCOMPARE(spacing.steps(), 1);
    QVERIFY(!spacing.narrow(1000));
    QCOMPARE(spacing.pixels(), 10.0);
    spacing.reset();
    QCOMPARE(spacing.steps(), 3);
}

void TestCanvas::gridAtTheScreenThatUsedToHang()
{
    // 1920 pixels over 508 mm: 7.5 mm - 3 * 2.5 mm in doubles is a tiny positive number.
    const double ppm = metrics::pixelsPerMillimetre(1920, 508);
    double oldSpacing = 7.5 * ppm;
    for (int i = 0; i < 3; ++i)
        oldSpacing -= 2.5 * ppm;
    QVERIFY(oldSpacing > 0 && oldSpacing < 1e-9);
    GridSpacing spacing(ppm);
    const double limit = 1080 / 3.0;
    QVERIFY(spacing.narrow(limit));
    QVERIFY(spacing.narrow(limit));
    QVERIFY(!spacing.narrow(limit));
    QVERIFY(spacing.pixels() > 9.0);

    QPixmap layer(1920, 1080);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    paintGridLines(&painter, layer.size(), 3, spacing.pixels(), 10, QStringLiteral("#000000"));
    // A spacing that is no real distance draws nothing rather than looping for ever.
    paintGridLines(&painter, layer.size(), 3, oldSpacing, 10, QStringLiteral("#000000"));
    painter.end();
    QVERIFY(layer.toImage().pixelColor(960, 540).alpha() > 0);
}

void TestCanvas::gridTypeThreeSkipsTheEdges()
{
    // A spacing that divides the layer's half exactly would put lines on both borders.
    QImage layer(200, 100, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    paintGridLines(&painter, layer.size(), 3, 25.0, 0, QStringLiteral("#0000ff"));
    painter.end();
    QVERIFY(layer.pixelColor(3, 50).alpha() > 0);
    QVERIFY(layer.pixelColor(100, 3).alpha() > 0);
    QVERIFY(layer.pixelColor(3, 75).alpha() > 0);
    // No line along the top or left border (a line at 0 would fill row or column 0 throughout).
    int topRow = 0;
    int leftColumn = 0;
    for (int x = 0; x < layer.width(); ++x)
        topRow += layer.pixelColor(x, 0).alpha() > 0;
    for (int y = 0; y < layer.height(); ++y)
        leftColumn += layer.pixelColor(0, y).alpha() > 0;
    QVERIFY(topRow < 20);
    QVERIFY(leftColumn < 20);

    // Horizontal only and vertical only.
    QImage horizontal(200, 100, QImage::Format_ARGB32_Premultiplied);
    horizontal.fill(Qt::transparent);
    QPainter h(&horizontal);
    paintGridLines(&h, horizontal.size(), 1, 30.0, 0, QStringLiteral("#0000ff"));
    h.end();
    QVERIFY(horizontal.pixelColor(15, 50).alpha() > 0);
    QCOMPARE(horizontal.pixelColor(100, 65).alpha(), 0);
    QVERIFY(!gridHasVerticalLines(1));
    QVERIFY(gridHasHorizontalLines(3) && gridHasVerticalLines(3));
    QVERIFY(!gridHasHorizontalLines(0) && !gridHasVerticalLines(4));
}

void TestCanvas::canvasGridCommands()
{
    PaintProperty property;
    property.foreColor = QStringLiteral("#ff0000");
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    // Types 4 and 5 need a shown grid.
    canvas.setBoardGridType(5);
    loadOnePage(canvas, QSize(600, 400));
    const double start = canvas.gridSpacing();
    canvas.setBoardGridType(4);
    QCOMPARE(canvas.gridSpacing(), start);

    canvas.setBoardGridType(3);
    QCOMPARE(canvas.gridType(), 3);
    QCOMPARE(canvas.gridColor(), QStringLiteral("#ff0000"));
    const QImage grid = canvas.compositeLayer().toImage();
    QCOMPARE(grid.pixelColor(300, 100).red(), 255);
    QVERIFY(grid.pixelColor(300, 100).green() < 255);

    // Choosing the same type again keeps the colour it was chosen with.
    property.foreColor = QStringLiteral("#00ff00");
    canvas.setBoardGridType(3);
    QCOMPARE(canvas.gridColor(), QStringLiteral("#ff0000"));

    // Narrowing never goes below one 2.5 mm step, however often it is asked.
    for (int i = 0; i < 10; ++i)
        canvas.setBoardGridType(5);
    QCOMPARE(canvas.gridSpacing(), start / 3.0);
    for (int i = 0; i < 1000; ++i)
        canvas.setBoardGridType(4);
    QVERIFY(canvas.gridSpacing() < 400 / 3.0);
    QVERIFY(canvas.gridSpacing() + start / 3.0 >= 400 / 3.0);

    canvas.setBoardGridType(0);
    QCOMPARE(canvas.compositeLayer().toImage().pixelColor(300, 200), QColor(Qt::white));
}

void TestCanvas::itemStatesAreReportedOnlyWhenChanged()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas canvas(Canvas::PictureDocument, Qt::white, &property, nullptr, &host);
    QPixmap photo(100, 100);
    photo.fill(Qt::gray);
    loadOnePage(canvas, QSize(100, 100), photo);
    host.calls.clear();

    canvas.grab();
    canvas.grab();
    canvas.grab();
    QCOMPARE(host.callsStartingWith("clear"),
             (QStringList{QStringLiteral("clearScreen 0"), QStringLiteral("clearColor 1")}));

    addDot(canvas, QPointF(5, 5), 4);
    host.calls.clear();
    canvas.grab();
    canvas.grab();
    QCOMPARE(host.callsStartingWith("clear"),
             (QStringList{QStringLiteral("clearScreen 1"), QStringLiteral("clearColor 0")}));

    // After the canvas was away (another tab), everything is reported once more.
    host.calls.clear();
    canvas.forgetReportedStates();
    canvas.grab();
    canvas.grab();
    QCOMPARE(host.callsStartingWith("clear").size(), 2);
}

void TestCanvas::actionStatesByMode()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas picture(Canvas::PictureDocument, Qt::white, &property, nullptr, &host);
    picture.updateActionStates();
    QCOMPARE(host.calls, (QStringList{"cut 0", "copy 1", "cancel 0", "delete 0", "rotate 1"}));
    host.calls.clear();
    Canvas board(Canvas::NewBoard, Qt::white, &property, nullptr, &host);
    board.updateActionStates();
    QCOMPARE(host.calls.last(), QStringLiteral("rotate 0"));
}

void TestCanvas::overlayWheelAndStepButtons()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas overlay(Canvas::SlideOverlay, Qt::transparent, &property, nullptr, &host);
    QVERIFY(overlay.windowFlags().testFlag(Qt::FramelessWindowHint));
    // A child over the slide picture, never a translucent window needing a compositor.
    QVERIFY(!overlay.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(overlay.testAttribute(Qt::WA_AcceptTouchEvents));
    QVERIFY(overlay.previousStepButton() && overlay.nextStepButton());
    QCOMPARE(overlay.previousStepButton()->toolTip(), QStringLiteral("上一步"));

    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        event.setAccepted(false);
        QCoreApplication::sendEvent(&overlay, &event);
        return event.isAccepted();
    };
    QVERIFY(overlay.loadPages({QSize(320, 240)}, {QPixmap()}));
    overlay.setZoom(1.0);
    QVERIFY(!wheel(120));
    QVERIFY(host.callsStartingWith("navigate").isEmpty());

    QVERIFY(overlay.loadPages({QSize(320, 240), QSize(320, 240)}, {QPixmap(), QPixmap()}));
    overlay.setZoom(1.0);
    QVERIFY(wheel(120));
    QVERIFY(wheel(-120));
    QCOMPARE(host.callsStartingWith("navigate"),
             (QStringList{QStringLiteral("navigate 1"), QStringLiteral("navigate 2")}));

    host.calls.clear();
    overlay.nextStepButton()->click();
    overlay.previousStepButton()->click();
    QCOMPARE(host.calls, (QStringList{QStringLiteral("navigate 2"), QStringLiteral("navigate 1")}));

    // The buttons sit at the sides, vertically centred, sized with the zoom.
    overlay.setZoom(1.5);
    const int s = qCeil(2 * titleBarButtonSize() * 1.5);
    QCOMPARE(overlay.nextStepButton()->size(), QSize(s, s));
    QCOMPARE(overlay.nextStepButton()->geometry().right() + 1,
             overlay.width() - qCeil(spacingUnit() * 1.5));
    QCOMPARE(overlay.previousStepButton()->y(), (overlay.height() - s) / 2);
    QVERIFY(overlay.nextStepButton()->styleSheet().contains(
        QStringLiteral("border-radius:%1;").arg(s / 2)));

    // Boards pass the wheel on unless Ctrl zooms a picture.
    Canvas board(Canvas::NewBoard, Qt::white, &property, nullptr, &host);
    QVERIFY(!board.previousStepButton());
    loadOnePage(board, QSize(200, 200));
    QWheelEvent plain(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    plain.setAccepted(false);
    QCoreApplication::sendEvent(&board, &plain);
    QVERIFY(!plain.isAccepted());

    Canvas picture(Canvas::PictureDocument, Qt::white, &property, nullptr, &host);
    loadOnePage(picture, QSize(200, 200));
    QWheelEvent zoomIn(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&picture, &zoomIn);
    QVERIFY(zoomIn.isAccepted());
    QCOMPARE(picture.zoom(), 1.05);
}

void TestCanvas::overlayCloseGoesToTheWindow()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas overlay(Canvas::SlideOverlay, Qt::transparent, &property, nullptr, &host);
    overlay.show();
    QVERIFY(!overlay.close());
    QCOMPARE(host.calls.last(), QStringLiteral("close"));
    QVERIFY(overlay.isVisible());
    overlay.setQuitting(true);
    QVERIFY(overlay.close());
}

void TestCanvas::overlayShowsTheSlideWhereNothingIsDrawn()
{
    PaintProperty property;
    Canvas overlay(Canvas::SlideOverlay, Qt::transparent, &property);
    QVERIFY(overlay.loadPages({QSize(400, 300)}, {QPixmap()}));
    overlay.setZoom(1.0);
    addDot(overlay, QPointF(200, 100), 12);
    overlay.refreshPage();

    // The overlay is a child of the slide picture: with any tool the slide shows wherever
    // nothing is drawn, and the strokes lie on it.
    QWidget slide;
    slide.resize(400, 300);
    slide.setAutoFillBackground(true);
    slide.setPalette(QPalette(Qt::red));
    overlay.setParent(&slide);
    overlay.move(0, 0);
    overlay.show();
    for (int tool : {0, 3}) {
        property.paintTool = tool;
        const QImage shot = slide.grab().toImage();
        QCOMPARE(shot.pixelColor(300, 150), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(10, 295), QColor(Qt::red));
        QVERIFY(shot.pixelColor(200, 100) != QColor(Qt::red));
    }
    overlay.setParent(nullptr);
}

void TestCanvas::pageImagesForExport()
{
    RecordingCanvasHost host;
    PaintProperty property;
    Canvas board(Canvas::NewBoard, Qt::white, &property, nullptr, &host);
    QVERIFY(board.renderPageImage(0).isNull());
    loadOnePage(board, QSize(120, 80));
    addDot(board, QPointF(10, 10), 8);
    board.currentPage()->showExtension = QMargins(0, 0, 40, 0);
    board.currentPage()->layerExtension = QMargins(0, 0, 40, 0);
    board.refreshPage();
    property.foreColor = QStringLiteral("#0000ff");
    board.setBoardGridType(1);

    QImage image = board.renderPageImage(0).toImage();
    QCOMPARE(image.size(), QSize(160, 80));
    QVERIFY(image.pixelColor(10, 10).lightness() < 100);
    QVERIFY(board.renderPageImage(1).isNull());
    QVERIFY(board.renderPageImage(-1).isNull());

    // Turned a quarter, the page image is turned too.
    turnView(board, {1});
    image = board.pageImage(false).toImage();
    QCOMPARE(image.size(), QSize(80, 160));
    const QPoint dot = board.mapFromPage(QPointF(10, 10)).toPoint();
    QVERIFY(image.pixelColor(dot).lightness() < 100);
    QCOMPARE(image.pixelColor(40, 40 + 1), QColor(Qt::white));
    const QImage withGrid = board.pageImage(true).toImage();
    QVERIFY(withGrid != image);

    // The overlay's export takes each slide from the host (the tab's reader); a slide that
    // cannot be rendered leaves the page's ink alone, never another slide under it.
    Canvas overlay(Canvas::SlideOverlay, Qt::transparent, &property, nullptr, &host);
    QVERIFY(overlay.loadPages({QSize(100, 100), QSize(100, 100)}, {QPixmap(), QPixmap()}));
    QImage second(100, 100, QImage::Format_RGB32);
    second.fill(Qt::blue);
    host.slidePages = {QImage(), second};
    QCOMPARE(overlay.renderPageImage(1).toImage().pixelColor(50, 50), QColor(Qt::blue));
    const QImage unrendered = overlay.renderPageImage(0).toImage();
    QVERIFY(!unrendered.isNull());
    QVERIFY(unrendered.pixelColor(50, 50) != QColor(Qt::blue));
    QCOMPARE(overlay.currentPage()->index, 0);

    // The overlay's page image starts from the running slide.
    QPixmap slide(200, 200);
    slide.fill(Qt::green);
    host.slidePicture = slide;
    overlay.setZoom(1.0);
    const QImage overlayImage = overlay.pageImage(false).toImage();
    QCOMPARE(overlayImage.size(), QSize(100, 100));
    QCOMPARE(overlayImage.pixelColor(50, 50), QColor(Qt::green));
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
