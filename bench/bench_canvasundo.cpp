// Measures one undo on a full-HD board whose page holds 100, 300 and 1000 pen strokes of 300
// points each: the undo itself, the rebuild of the layers and the replay of the history, as the
// undo command does. Plain replay redraws the whole history; with layer snapshots the replay
// starts from the nearest copy. With --sheet DIR it writes the 300-stroke page and a contact
// sheet of a page holding every action type, shown in several view turns, as PNG files.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QtMath>

#include <cstdio>
#include <vector>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/itemgeometry.h"

#include "benchstats.h"
#include "benchstrokes.h"

namespace {
double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct Figures
{
    double firstUndo = 0;
    double undo = 0;
    double redo = 0;
    int snapshots = 0;
};

Figures measure(int strokes, bool snapshots, const QString &sheetDir)
{
    PaintProperty property;
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    canvas.loadPages({QSize(1920, 1080)}, {QPixmap()});
    canvas.setZoom(1.0);
    canvas.setSnapshotsEnabled(snapshots);
    addStrokes(canvas, strokes);
    // The page as it stands after drawing (or opening): one full replay.
    canvas.rebuildLayers();
    canvas.replayHistory();
    if (!sheetDir.isEmpty() && strokes == 300 && snapshots)
        canvas.compositeLayer().save(QDir(sheetDir).filePath(QStringLiteral("canvas_300.png")));

    QList<PaintData *> &history = canvas.currentPage()->history;
    Figures figures;
    std::vector<double> undos;
    std::vector<double> redos;
    const int rounds = 9;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        PageHistory::undo(history);
        canvas.rebuildLayers();
        canvas.replayHistory();
        (r == 0 ? figures.firstUndo : undos.emplace_back()) = milliseconds(timer);
    }
    for (int r = 0; r < 5; ++r) {
        QElapsedTimer timer;
        timer.start();
        PageHistory::redo(history);
        canvas.rebuildLayers();
        canvas.replayHistory();
        redos.push_back(milliseconds(timer));
    }
    figures.undo = median(undos);
    figures.redo = median(redos);
    figures.snapshots = canvas.snapshotCount();
    return figures;
}
PaintData *add(Canvas &canvas, int type, const QString &color)
{
    auto *action = new PaintData(&canvas);
    action->type = type;
    action->active = true;
    action->closed = true;
    action->color = color;
    canvas.currentPage()->history.append(action);
    return action;
}

QVector<QPointF> wave(const QPointF &start, int n, double step, double amplitude)
{
    QVector<QPointF> points;
    for (int i = 0; i < n; ++i)
        points << start + QPointF(i * step, amplitude * qSin(i * 0.6));
    return points;
}

void fillFrame(PaintData *action, const QPointF &p1, const QPointF &p2, const QPointF &c)
{
    const QRectF box = frameBoundingSquare(p1, p2, c);
    action->points = {p1, p1, box.topLeft(), box.topRight(), box.bottomRight(), p1, p2, c};
}

// A picture page with every kind of drawing on it.
void fillDemoPage(Canvas &canvas)
{
    PaintData *pen = add(canvas, 3, QStringLiteral("#3F48CC"));
    pen->width = 5;
    double width = 0;
    pen->points = wave(QPointF(30, 40), 40, 9, 14);
    for (int i = 0; i < pen->points.size(); ++i) {
        width =
            angleBrushWidth(0.5, width, pen->points.at(qMax(0, i - 1)), pen->points.at(i), 5, 0.1);
        pen->values << width;
    }
    PaintData *pencil = add(canvas, 2, QStringLiteral("#000000"));
    pencil->width = 3;
    pencil->points = wave(QPointF(30, 80), 25, 12, 8);
    for (int i = 0; i < pencil->points.size(); ++i)
        pencil->values << pressureWidth(0.3 + 0.02 * i, 3);
    PaintData *marker = add(canvas, 4, QStringLiteral("#FFD000"));
    marker->width = 2;
    marker->points = wave(QPointF(40, 70), 20, 14, 5);
    PaintData *eraser = add(canvas, 5, QString());
    eraser->width = 3;
    eraser->value1 = 3;
    eraser->points = {QPointF(200, 60), QPointF(206, 64), QPointF(212, 68)};
    PaintData *line = add(canvas, 6, QStringLiteral("#C00000"));
    line->width = 3;
    line->style = 1;
    line->value1 = 4;
    line->value2 = 1;
    line->points = {QPointF(20, 110), QPointF(260, 150), QPointF(30, 120), QPointF(250, 140)};
    PaintData *shape = add(canvas, 7, QStringLiteral("#008040"));
    shape->width = 2;
    shape->style = 1;
    shape->value1 = 6;
    shape->value2 = 2;
    shape->text = QStringLiteral("5");
    shape->color2 = QStringLiteral("#B0E0C0");
    fillFrame(shape, QPointF(290, 30), QPointF(380, 40), QPointF(330, 85));
    PaintData *polyline = add(canvas, 8, QStringLiteral("#8000A0"));
    polyline->width = 2;
    polyline->style = 1;
    polyline->value2 = 1;
    polyline->points = {QPointF(290, 160), QPointF(340, 200), QPointF(400, 150)};
    const QRectF lineRect =
        canvas.connectedLineItem()->boundingRect(polyline->points, 2, 1.0, QPointF(-9999, -9999));
    polyline->values = {lineRect.left(), lineRect.top(), lineRect.right(), lineRect.bottom()};
    PaintData *curve = add(canvas, 9, QStringLiteral("#E06000"));
    curve->width = 3;
    curve->style = 1;
    curve->points = {QPointF(30, 190), QPointF(80, 230), QPointF(130, 180), QPointF(180, 240)};
    const QRectF curveRect =
        canvas.freeCurveItem()->buildPath(curve->points, 3, 1.0, QPointF(-9999, -9999));
    curve->values = {curveRect.left(), curveRect.top(), curveRect.right(), curveRect.bottom()};
    PaintData *text = add(canvas, 10, QStringLiteral("#202020"));
    text->color2 = QStringLiteral("#FFF0A0");
    text->text = QStringLiteral("<p>板书 Quillboard</p>");
    text->points = {QPointF(200, 200), QPointF(330, 200), QPointF(330, 240)};
    PaintData *stamp = add(canvas, 11, QString());
    stamp->text = QStringLiteral("0");
    stamp->points = {QPointF(360, 200), QPointF(400, 200), QPointF(400, 240)};
    QPixmap pasted(60, 40);
    pasted.fill(QColor(40, 160, 220));
    canvas.currentPage()->pastedImages << pasted;
    PaintData *image = add(canvas, 1, QString());
    image->value2 = 2;
    image->text = QStringLiteral("0");
    fillFrame(image, QPointF(200, 95), QPointF(260, 105), QPointF(235, 120));
}

void writeContactSheet(const QString &dir)
{
    const QVector<QVector<int>> views = {{}, {1}, {3}, {2, 4}};
    QList<QImage> shots;
    for (const QVector<int> &kinds : views) {
        PaintProperty property;
        property.foreColor = QStringLiteral("#8080FF");
        Canvas canvas(Canvas::PictureDocument, Qt::white, &property);
        QPixmap photo(420, 260);
        QPainter painter(&photo);
        QLinearGradient gradient(0, 0, 420, 260);
        gradient.setColorAt(0, QColor(250, 240, 220));
        gradient.setColorAt(1, QColor(210, 225, 245));
        painter.fillRect(photo.rect(), gradient);
        painter.end();
        canvas.loadPages({photo.size()}, {photo});
        canvas.currentPage()->showExtension = QMargins(0, 0, 40, 20);
        canvas.currentPage()->layerExtension = QMargins(0, 0, 40, 20);
        fillDemoPage(canvas);
        canvas.setBoardGridType(3);
        for (int kind : kinds) {
            canvas.viewOrientation().rotateOrMirror(kind);
            canvas.applyRotationTransform(kind);
        }
        canvas.setZoom(0.8);
        canvas.refreshPage();
        shots << canvas.grab().toImage();
    }
    // The slide-show overlay with its step buttons, over a stand-in slide.
    {
        PaintProperty property;
        property.paintTool = 3;
        Canvas overlay(Canvas::SlideOverlay, Qt::transparent, &property);
        overlay.loadPages({QSize(420, 260), QSize(420, 260)}, {QPixmap(), QPixmap()});
        fillDemoPage(overlay);
        overlay.setZoom(1.0);
        overlay.refreshPage();
        overlay.setStepButtonsVisible(true);
        QImage shot(overlay.size(), QImage::Format_ARGB32_Premultiplied);
        shot.fill(QColor(40, 70, 120));
        QPainter painter(&shot);
        painter.drawImage(0, 0, overlay.grab().toImage());
        painter.end();
        shots << shot;
    }
    QImage sheet(3 * 490 + 10, 2 * 490 + 10, QImage::Format_ARGB32);
    sheet.fill(QColor(90, 90, 90));
    QPainter painter(&sheet);
    for (int i = 0; i < shots.size(); ++i)
        painter.drawImage(10 + (i % 3) * 490, 10 + (i / 3) * 490, shots.at(i));
    painter.end();
    sheet.save(QDir(dir).filePath(QStringLiteral("canvas_views.png")));
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString sheetDir;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--sheet"));
    if (at >= 0 && at + 1 < args.size()) {
        sheetDir = args.at(at + 1);
        QDir().mkpath(sheetDir);
        writeContactSheet(sheetDir);
    }
    std::printf("Undo on a 1920x1080 board, pen strokes of %d points (milliseconds)\n",
                pointsPerStroke);
    std::printf("%-8s %-10s %12s %12s %12s %10s\n", "strokes", "replay", "first undo", "undo (med)",
                "redo (med)", "snapshots");
    double plainPrevious = 0;
    for (int strokes : {100, 300, 1000}) {
        for (bool snapshots : {false, true}) {
            const Figures f = measure(strokes, snapshots, sheetDir);
            std::printf("%-8d %-10s %12.2f %12.2f %12.2f %10d", strokes,
                        snapshots ? "snapshots" : "plain", f.firstUndo, f.undo, f.redo,
                        f.snapshots);
            if (!snapshots && plainPrevious > 0)
                std::printf("   (x%.2f)", f.undo / plainPrevious);
            std::printf("\n");
            if (!snapshots)
                plainPrevious = f.undo;
        }
    }
    return 0;
}
