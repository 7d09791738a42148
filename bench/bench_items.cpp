// Prints how long the shape renderer and the selection marquee take for full-size work.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdio>

#include "drawing/stylerecords.h"
#include "items/canvasmarquee.h"
#include "items/shaperenderer.h"

namespace {

template <typename F>
double millisecondsPerRun(int runs, F &&work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        work(i);
    return timer.nsecsElapsed() / 1e6 / runs;
}

QPixmap pagePicture()
{
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor("#3b6ea5"));
    gradient.setColorAt(1, QColor("#f2c14e"));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 200; ++i)
        painter.drawLine(i * 10, 0, 1920 - i * 9, 1080);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    std::printf("Shape rendering at 800x800 (line width 3, filled, ticks on), ms per shape:\n");
    const int ids[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                       12, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
    double total = 0;
    for (int id : ids) {
        ShapeStyle style;
        style.shapeType = id;
        style.lineWidth = 3;
        style.fillColor = QStringLiteral("#ffd966");
        style.hasLineDegree = true;
        style.polygonSideCount = 7;
        style.isShape = true;
        const double ms = millisecondsPerRun(
            20, [&](int) { ShapeRenderer::render(QSize(800, 800), style, true); });
        total += ms;
        std::printf("  id %2d  %7.3f ms\n", id, ms);
    }
    std::printf("  all 22 %7.3f ms\n", total);

    QWidget canvas;
    canvas.resize(1920, 1080);
    CanvasMarquee marquee(&canvas);
    canvas.show();
    marquee.setFrameFromDrag(QPointF(0, 0), QPointF(1920, 1080));
    marquee.setContentPixmap(pagePicture());
    QImage target(marquee.size(), QImage::Format_ARGB32_Premultiplied);
    auto paint = [&]() {
        target.fill(Qt::transparent);
        marquee.render(&target);
    };

    std::printf("Full-page marquee (1920x1080 content), one step:\n");
    const double frameOnly = millisecondsPerRun(1000, [&](int i) { marquee.nudge(i % 2 ? 3 : 4); });
    std::printf("  frame update only       %8.4f ms\n", frameOnly);
    const double first = millisecondsPerRun(1, [&](int) { paint(); });
    std::printf("  first paint (render)    %8.3f ms\n", first);
    const double step = millisecondsPerRun(50, [&](int i) {
        marquee.nudge(i % 2 ? 3 : 4);
        paint();
    });
    std::printf("  step and repaint        %8.3f ms\n", step);
    marquee.rotateOrMirror(3);
    const double mirrored = millisecondsPerRun(20, [&](int i) {
        marquee.nudge(i % 2 ? 1 : 2);
        paint();
    });
    std::printf("  step and repaint, mirrored frame %8.3f ms\n", mirrored);
    const double uncached = millisecondsPerRun(10, [&](int) {
        CanvasMarquee::renderContentInFrame(marquee.contentPixmap(), marquee.firstCorner(),
                                            marquee.secondCorner(), marquee.center());
    });
    std::printf("  content render alone    %8.3f ms\n", uncached);
    return 0;
}
