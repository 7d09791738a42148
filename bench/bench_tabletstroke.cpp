// Feeds a 2,000-event pressure stroke as tablet events into a shown full-HD board (pencil and
// pen) and prints the median and 99th-percentile cost of one move event, painting included.
// Beside it, the floor: the same segments drawn straight onto an image with QPainter, one
// antialiased line of the pressure width per event. With --sheet DIR it also writes
// DIR/canvas-tools.png: every tool used through the input steps, as the user sees the board.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QTabletEvent>
#include <QTextEdit>
#include <QtMath>

#include <cstdio>
#include <initializer_list>
#include <vector>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"
#include "items/canvasfcline.h"
#include "items/canvastextbox.h"

#include "benchstats.h"
#include "benchtablet.h"

namespace {
const int eventCount = 2000;
const QSize boardSize(1920, 1080);

// Handwriting-like loops drifting across the board, pressure rising and falling.
std::vector<Sample> strokePath()
{
    std::vector<Sample> samples;
    samples.reserve(eventCount);
    for (int i = 0; i < eventCount; ++i) {
        const double t = i / double(eventCount);
        const double loop = i * 0.21;
        const QPointF at(120 + t * 1650 + 40 * qCos(loop),
                         540 + 260 * qSin(t * 9.0) + 35 * qSin(loop));
        samples.push_back({at, 0.35 + 0.3 * qSin(i * 0.05)});
    }
    return samples;
}

std::vector<double> canvasMoves(int tool, const std::vector<Sample> &path)
{
    PaintProperty property;
    property.paintTool = tool;
    property.lineBoldSize = 4;
    property.foreColor = QStringLiteral("#2040a0");
    Canvas canvas(Canvas::NewBoard, Qt::white, &property);
    canvas.loadPages({boardSize}, {QPixmap()});
    canvas.setZoom(1.0);
    canvas.show();
    QApplication::processEvents();

    const std::vector<double> costs = strokeCosts(&canvas, path);
    const PaintData *stroke = canvas.currentPage()->history.value(0);
    if (!stroke || stroke->points.size() != eventCount - 1)
        std::printf("  warning: %d points recorded\n", stroke ? int(stroke->points.size()) : 0);
    return costs;
}

std::vector<double> floorSegments(const std::vector<Sample> &path)
{
    QImage image(boardSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::vector<double> costs;
    costs.reserve(path.size());
    QElapsedTimer timer;
    for (size_t i = 1; i < path.size(); ++i) {
        timer.start();
        QPen pen(QColor(0x20, 0x40, 0xa0), pressureWidth(path[i].pressure, 4), Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawLine(path[i - 1].at, path[i].at);
        costs.push_back(timer.nsecsElapsed() / 1e6);
    }
    return costs;
}

struct Driver
{
    Canvas *canvas;
    qint64 clock = 1700000000000;
    void press(const QPointF &at, double pressure = -1.0)
    {
        canvas->beginAction(at.toPoint(), at, &pressure);
    }
    void move(const QPointF &at, double pressure = -1.0)
    {
        clock += 60;
        canvas->continueAction(at.toPoint(), at, &pressure);
    }
    void release(const QPointF &at)
    {
        clock += 25;
        canvas->endAction(at.toPoint(), at);
    }
    void wave(const QPointF &origin, double pressureBase)
    {
        press(origin, pressureBase);
        for (int i = 1; i <= 60; ++i)
            move(origin + QPointF(i * 4, 25 * qSin(i * 0.2)), pressureBase + 0.3 * qSin(i * 0.1));
        release(origin + QPointF(240, 25 * qSin(12.0)));
    }
    // Pressed at the first point, moved through the others, released on the last.
    void drag(std::initializer_list<QPointF> path)
    {
        press(*path.begin());
        for (auto it = path.begin() + 1; it != path.end(); ++it)
            move(*it);
        release(*(path.end() - 1));
    }
};

void writeSheet(const QString &dir)
{
    PaintProperty property;
    Canvas canvas(Canvas::NewBoard, QColor(0xf4, 0xf1, 0xe8), &property);
    canvas.loadPages({QSize(1000, 560)}, {QPixmap()});
    canvas.setZoom(1.0);
    canvas.show();
    Driver d{&canvas};
    canvas.setClock([&d]() { return d.clock; });
    auto use = [&](int tool) {
        property.paintTool = tool;
        canvas.applyPaintTool();
    };
    property.lineBoldSize = 4;
    property.foreColor = QStringLiteral("#1f3f9f");
    use(PaintTool::Pencil);
    d.wave(QPointF(40, 60), -1.0);
    use(PaintTool::Pen);
    d.wave(QPointF(40, 140), -1.0);
    property.foreColor = QStringLiteral("#a02020");
    use(PaintTool::Pencil);
    d.wave(QPointF(40, 220), 0.4);
    property.foreColor = QStringLiteral("#f0d000");
    property.highlightSize = 2;
    use(PaintTool::Highlighter);
    d.wave(QPointF(40, 300), -1.0);
    property.eraserSize = 3;
    use(PaintTool::Eraser);
    d.press(QPointF(60, 40));
    for (int i = 1; i <= 40; ++i)
        d.move(QPointF(60 + i * 3, 40 + i * 6));
    d.release(QPointF(180, 280));
    property.foreColor = QStringLiteral("#207030");
    property.arrowStyle = 2;
    use(PaintTool::Line);
    d.drag({QPointF(340, 60), QPointF(400, 100), QPointF(420, 110), QPointF(560, 200)});
    property.shapeType = 6;
    property.polygonSideCount = 6;
    property.isFillBackColor = true;
    property.backColor = QStringLiteral("#c0e0ff");
    use(PaintTool::Shape);
    d.drag({QPointF(600, 60), QPointF(650, 100), QPointF(660, 110), QPointF(780, 220)});
    property.stampName = QStringLiteral("0");
    use(PaintTool::Stamp);
    d.press(QPointF(820, 60));
    d.release(QPointF(820, 60));
    property.fontSize = 20;
    use(PaintTool::TextBox);
    d.press(QPointF(340, 300));
    d.release(QPointF(340, 300));
    canvas.textBoxItem()->textEditor()->setPlainText(QStringLiteral("墨岚 Quillboard"));
    use(PaintTool::Polyline);
    d.press(QPointF(600, 320));
    canvas.connectedLineItem()->addPoint(QPointF(760, 330), false);
    canvas.connectedLineItem()->addPoint(QPointF(700, 480), false);
    canvas.connectedLineItem()->finish(false);
    canvas.commitShownItems();
    // A selection lifted and moved, left shown with its frame.
    use(PaintTool::Selection);
    d.press(QPointF(40, 40));
    d.move(QPointF(120, 120));
    d.move(QPointF(300, 330));
    d.release(QPointF(300, 330));
    canvas.setSavePathAsker(nullptr);
    for (int i = 0; i < 30; ++i)
        canvas.handleDirectionKey(2);
    QApplication::processEvents();
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(QStringLiteral("canvas-tools.png"));
    canvas.grab().save(path);
    std::printf("wrote %s\n", qPrintable(path));
}

void report(const char *name, const std::vector<double> &costs, double floorMedian)
{
    const double middle = median(costs);
    std::printf("%-28s median %7.4f ms  p99 %7.4f ms  mean %7.4f ms  max %7.3f ms", name, middle,
                percentile(costs, 0.99), mean(costs), maximum(costs));
    if (floorMedian > 0)
        std::printf("  (%.2fx floor)", middle / floorMedian);
    std::printf("\n");
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int sheet = args.indexOf(QStringLiteral("--sheet"));
    if (sheet > 0 && sheet + 1 < args.size())
        writeSheet(args.at(sheet + 1));
    const std::vector<Sample> path = strokePath();
    std::printf("%d tablet events, board %dx%d, platform %s\n", eventCount, boardSize.width(),
                boardSize.height(), qPrintable(QApplication::platformName()));
    // Warm up caches and the backing store once.
    canvasMoves(PaintTool::Pencil, path);
    const std::vector<double> floor = floorSegments(path);
    const double floorMedian = median(floor);
    report("QPainter floor (segment)", floor, 0.0);
    report("canvas pencil (move event)", canvasMoves(PaintTool::Pencil, path), floorMedian);
    report("canvas pen (move event)", canvasMoves(PaintTool::Pen, path), floorMedian);
    return 0;
}
