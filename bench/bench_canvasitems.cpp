// Figures for the point-by-point items and the text box; also writes pictures of them to look at.
// Usage: bench_canvasitems [folder for pictures, default /tmp/quillboard-items]

#include "drawing/pointerposition.h"
#include "items/canvasfccurve.h"
#include "items/canvasfcline.h"
#include "items/canvastextbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>
#include <cstdio>

namespace {
QVector<QPointF> zigzag(int count)
{
    QVector<QPointF> points;
    for (int i = 0; i < count; ++i)
        points.append(QPointF(40 + i * 14, i % 2 ? 80 : 300 + 3 * i));
    return points;
}

void benchPreviewTick(QWidget *canvas)
{
    CanvasFCLine line(canvas);
    PolylineStyle style;
    style.hasIncludedAngle = true;
    style.fillColor = "#ffe0e0";
    line.setPolylineStyle(style);
    for (const QPointF &p : zigzag(50))
        line.addPoint(p, false);
    int tick = 0;
    setPointerPositionSource(
        [&] { return canvas->mapToGlobal(QPoint(700 + tick % 50, 200 + (tick * 7) % 90)); });
    const int ticks = 500;
    QElapsedTimer timer;
    timer.start();
    for (tick = 0; tick < ticks; ++tick) {
        line.trackCursor();
        QCoreApplication::processEvents();
    }
    const double perTick = timer.nsecsElapsed() / 1e6 / ticks;
    std::printf(
        "connected line, 50 points, angles and fill: %.3f ms per preview tick "
        "(snap, geometry, paint)\n",
        perTick);
    setPointerPositionSource([&] { return canvas->mapToGlobal(QPoint(720, 240)); });
    timer.restart();
    for (tick = 0; tick < ticks; ++tick) {
        line.trackCursor();
        QCoreApplication::processEvents();
    }
    std::printf("connected line, 50 points: %.3f ms per preview tick with the pointer at rest\n",
                timer.nsecsElapsed() / 1e6 / ticks);
    timer.restart();
    for (tick = 0; tick < ticks; ++tick)
        line.snapPoint(QPointF(700 + tick % 50, 200 + (tick * 7) % 90));
    std::printf("connected line, 50 points: %.4f ms per snap alone\n",
                timer.nsecsElapsed() / 1e6 / ticks);
    timer.restart();
    for (tick = 0; tick < 50; ++tick)
        line.grab();
    std::printf("connected line, 50 points: %.3f ms per full picture of the item (%dx%d)\n",
                timer.nsecsElapsed() / 1e6 / 50, line.width(), line.height());
    setPointerPositionSource(nullptr);
}

void benchKeystrokes(QWidget *canvas)
{
    CanvasTextBox box(canvas);
    TextStyle style;
    style.textLineHeight = 1;
    box.beginEditing(QPointF(100, 100), 200, style, 1.0);
    QString text;
    for (int i = 0; i < 2000; ++i)
        text.append(i % 37 == 36 ? QChar('\n') : QChar('a' + i % 26));
    box.textEditor()->setPlainText(text);
    box.textEditor()->moveCursor(QTextCursor::End);
    const int keys = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < keys; ++i) {
        QTest::keyClick(box.textEditor(), Qt::Key_X);
        box.textEditor()->document()->size(); // finish the layout the key started
    }
    std::printf(
        "text box, 2000 characters: %.3f ms per keystroke (insert, re-layout, "
        "growth)\n",
        timer.nsecsElapsed() / 1e6 / keys);
    timer.restart();
    for (int i = 0; i < 20; ++i)
        box.setLineHeight(i % 3, true);
    std::printf("text box, 2000 characters: %.3f ms per line-height change\n",
                timer.nsecsElapsed() / 1e6 / 20);
}

void writePictures(QWidget *canvas, const QString &folder)
{
    QDir().mkpath(folder);
    CanvasFCLine line(canvas);
    PolylineStyle lineStyle;
    lineStyle.hasIncludedAngle = true;
    lineStyle.fillColor = "#cce0ff";
    lineStyle.lineWidth = 3;
    line.setPolylineStyle(lineStyle);
    for (const QPointF &p :
         {QPointF(60, 60), QPointF(260, 60), QPointF(260, 220), QPointF(120, 300)})
        line.addPoint(p, false);
    setPointerPositionSource([&] { return canvas->mapToGlobal(QPoint(40, 200)); });
    line.trackCursor();
    line.grab().save(folder + "/connected-line-drawing.png");
    line.addPoint(QPointF(60, 60), false);
    line.grab().save(folder + "/connected-line-closed.png");
    line.renderToPixmap(line.points(), lineStyle, 1.5).save(folder + "/connected-line-zoom.png");
    lineStyle.lineStyle = 2;
    lineStyle.fillColor.clear();
    line.renderToPixmap(zigzag(12), lineStyle, 1.0).save(folder + "/connected-line-dashed.png");

    CanvasFCCurve curve(canvas);
    PenStyle penStyle;
    penStyle.color = "#c00000";
    penStyle.fillColor = "";
    penStyle.lineWidth = 3;
    curve.setPenStyle(penStyle);
    for (const QPointF &p :
         {QPointF(60, 200), QPointF(160, 60), QPointF(300, 240), QPointF(420, 80)})
        curve.addPoint(p, false);
    setPointerPositionSource([&] { return canvas->mapToGlobal(QPoint(520, 260)); });
    curve.trackCursor();
    curve.grab().save(folder + "/free-curve-drawing.png");
    curve.finish(true);
    curve.grab().save(folder + "/free-curve-finished.png");
    setPointerPositionSource(nullptr);

    CanvasTextBox box(canvas);
    TextStyle textStyle;
    textStyle.fontSize = 16;
    textStyle.fontColor = "#0050c0";
    textStyle.textFrameColor = "#808080";
    textStyle.textBackColor = "#fff8d0";
    textStyle.textAlign = 1;
    textStyle.textOrder = 3;
    box.beginEditing(QPointF(100, 100), 220, textStyle, 1.0);
    box.textEditor()->setPlainText(QStringLiteral("第一行 first\nsecond line\nthird"));
    box.setNumbering(3, true);
    box.grab().save(folder + "/text-box-live.png");
    const QPointF tl = box.topLeft();
    const QPointF br = box.bottomRight();
    const QString html = box.toHtml();
    box.renderToPixmap(box.borderColor(), box.backgroundColor(), tl, QPointF(br.x(), tl.y()), br,
                       html)
        .save(folder + "/text-box-rendered.png");
    std::printf("pictures written to %s\n", qPrintable(folder));
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget canvas;
    canvas.resize(1000, 700);
    canvas.show();
    if (!QTest::qWaitForWindowExposed(&canvas))
        std::printf("window not exposed: repaint figures are not meaningful\n");
    benchPreviewTick(&canvas);
    benchKeystrokes(&canvas);
    writePictures(&canvas, argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/tmp/quillboard-items"));
    return 0;
}
