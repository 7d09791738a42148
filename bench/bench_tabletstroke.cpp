// Feeds a 2,000-event pressure stroke as tablet events into a shown full-HD board (pencil and
// pen) and prints the median and 99th-percentile cost of one move event, painting included.
// Beside it, the floor: the same segments drawn straight onto an image with QPainter, one
// antialiased line of the pressure width per event.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTabletEvent>
#include <QtMath>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "drawing/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"

namespace {
const int eventCount = 2000;
const QSize boardSize(1920, 1080);

struct Sample
{
    QPointF at;
    qreal pressure;
};

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

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * (values.size() - 1) + 0.5));
    return values[index];
}

void send(Canvas &canvas, QEvent::Type type, const Sample &s)
{
    QTabletEvent event(type, s.at, canvas.mapToGlobal(s.at.toPoint()), QTabletEvent::Stylus,
                       QTabletEvent::Pen, s.pressure, 0, 0, 0, 0, 0, Qt::NoModifier, 1,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
    QApplication::sendEvent(&canvas, &event);
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

    std::vector<double> costs;
    costs.reserve(path.size());
    send(canvas, QEvent::TabletPress, path.front());
    QElapsedTimer timer;
    for (size_t i = 1; i + 1 < path.size(); ++i) {
        timer.start();
        send(canvas, QEvent::TabletMove, path[i]);
        costs.push_back(timer.nsecsElapsed() / 1e6);
        // Let queued repaints happen between events, as between real pen reports.
        if (i % 8 == 0)
            QApplication::processEvents();
    }
    send(canvas, QEvent::TabletRelease, path.back());
    QApplication::processEvents();
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

void report(const char *name, const std::vector<double> &costs, double floorMedian)
{
    const double median = percentile(costs, 0.5);
    double sum = 0.0;
    for (double c : costs)
        sum += c;
    std::printf("%-28s median %7.4f ms  p99 %7.4f ms  mean %7.4f ms  max %7.3f ms", name, median,
                percentile(costs, 0.99), costs.empty() ? 0.0 : sum / costs.size(),
                percentile(costs, 1.0));
    if (floorMedian > 0)
        std::printf("  (%.2fx floor)", median / floorMedian);
    std::printf("\n");
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const std::vector<Sample> path = strokePath();
    std::printf("%d tablet events, board %dx%d, platform %s\n", eventCount, boardSize.width(),
                boardSize.height(), qPrintable(QApplication::platformName()));
    // Warm up caches and the backing store once.
    canvasMoves(PaintTool::Pencil, path);
    const std::vector<double> floor = floorSegments(path);
    const double floorMedian = percentile(floor, 0.5);
    report("QPainter floor (segment)", floor, 0.0);
    report("canvas pencil (move event)", canvasMoves(PaintTool::Pencil, path), floorMedian);
    report("canvas pen (move event)", canvasMoves(PaintTool::Pen, path), floorMedian);
    return 0;
}
