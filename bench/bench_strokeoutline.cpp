// Measures the variable-width outline of a long pressure stroke on a full-HD layer: building the
// per-point widths and filling the outline pieces, as replay does. With --sheet DIR it also
// writes the stroke and a contact sheet of the tool cursors as PNG files for a visual check.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QtMath>

#include <cstdio>
#include <vector>

#include "base/globals.h"
#include "benchstats.h"
#include "drawing/paintdata.h"
#include "drawing/penwidth.h"
#include "drawing/strokepainter.h"
#include "drawing/toolcursors.h"

namespace {
const int pointCount = 1000;
const QSize layerSize(1920, 1080);

// A looping handwriting-like path across the layer with a varying pen pressure.
void buildStroke(PaintData &action, int tool)
{
    action.clear();
    action.type = tool;
    action.width = 9;
    action.color = QStringLiteral("#3F48CC");
    double width = 0;
    QPointF previous;
    for (int i = 0; i < pointCount; ++i) {
        const double t = double(i) / pointCount;
        const QPointF p(80 + 1760 * t + 60 * qSin(t * 90),
                        540 + 380 * qSin(t * 7) + 70 * qCos(t * 90));
        const double pressure = 0.35 + 0.3 * qSin(t * 40);
        if (tool == 3) {
            width = angleBrushWidth(pressure, width, i == 0 ? p : previous, p, action.width, 0.1);
        } else {
            width = pressureWidth(pressure, action.width);
        }
        action.points << p;
        action.values << width;
        previous = p;
    }
}

void measure(int tool, const char *name, QImage &layer)
{
    const int rounds = 15;
    std::vector<double> build, fill;
    PaintData action;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        buildStroke(action, tool);
        build.push_back(timer.nsecsElapsed() / 1e6);
        layer.fill(Qt::transparent);
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        timer.restart();
        paintPenStroke(&painter, action, QPointF());
        painter.end();
        fill.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "%-7s %d points at %dx%d: widths %.3f ms, outline fill %.2f ms "
        "(median of %d)\n",
        name, pointCount, layerSize.width(), layerSize.height(), median(build), median(fill),
        rounds);
}

void writeSheet(const QString &dir, const QImage &stroke)
{
    QDir().mkpath(dir);
    QImage page(layerSize, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 0, stroke);
    page.save(dir + QStringLiteral("/stroke.png"));

    QImage sheet(760, 200, QImage::Format_RGB32);
    sheet.fill(QColor(0xd8, 0xdc, 0xe0));
    QPainter painter(&sheet);
    int x = 10;
    auto put = [&](const QPixmap &pixmap) {
        painter.drawPixmap(x, 10, pixmap);
        x += pixmap.width() + 12;
    };
    int hotSpot = 0;
    const QPixmap pencil(QStringLiteral(":/icon/cursor/pencil-cursor.png"));
    const QPixmap pen(QStringLiteral(":/icon/cursor/pen-cursor.png"));
    put(penCursor(pencil, Qt::red, false, hotSpot));
    put(penCursor(pen, Qt::red, true, hotSpot));
    put(highlighterCursor(2, QStringLiteral("#FFFF00")));
    put(eraserCursor(6, 0));
    put(eraserCursor(6, 1));
    put(strawCursor());
    put(stampCursor(QStringLiteral("0"), QString(), 1.0));
    put(stampCursor(QStringLiteral("2"), QStringLiteral("1"), 0.6));
    painter.end();
    sheet.save(dir + QStringLiteral("/cursors.png"));
    std::printf("wrote %s/stroke.png and %s/cursors.png\n", qPrintable(dir), qPrintable(dir));
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QImage layer(layerSize, QImage::Format_ARGB32_Premultiplied);
    measure(2, "pencil", layer);
    measure(3, "pen", layer);
    const QStringList args = app.arguments();
    const int sheet = args.indexOf(QStringLiteral("--sheet"));
    if (sheet > 0 && sheet + 1 < args.size()) {
        appDataDir = QDir::tempPath();
        writeSheet(args.at(sheet + 1), layer);
    }
    return 0;
}
