// The shaped ink overlay (no compositing manager) under an X server: milliseconds for a pen
// stroke's repaints to reach the window's shape, per stroke segment and for the whole 1280x720
// area, and the number of shape rectangles the server holds for a page of handwriting.
#include <QApplication>
#include <QElapsedTimer>
#include <QX11Info>

#include <cstdio>

#include "canvas/canvas.h"
#include "drawing/paintproperty.h"
#include "platform/x11shape.h"
#include "recordingcanvashost.h"
#include "slideshow/inkoverlay.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!X11Shape::available() || QX11Info::isCompositingManagerRunning()) {
        std::printf("needs an X server with the Shape extension and no compositing manager\n");
        return 0;
    }
    QWidget main;
    main.setGeometry(0, 0, 1400, 800);
    auto *area = new QWidget(&main);
    area->setGeometry(40, 40, 1280, 720);
    main.show();
    PaintProperty property;
    property.paintTool = PaintTool::Pen;
    property.lineBoldSize = 4;
    RecordingCanvasHost host;
    auto *canvas = new Canvas(Canvas::SlideOverlay, Qt::transparent, &property, area, &host);
    canvas->loadPages({area->size()}, {QPixmap()});
    canvas->setZoom(1.0);
    canvas->applyPaintTool();
    InkOverlay overlay(&main);
    overlay.setContent(canvas);
    overlay.followArea(area);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();

    // Handwriting: 40 lines of 60 short strokes' worth of segments, each segment repainted and
    // cut into the shape before the next.
    QElapsedTimer timer;
    qint64 segments = 0;
    timer.start();
    for (int line = 0; line < 40; ++line) {
        double pressure = -1.0;
        QPointF at(20, 20 + line * 17);
        canvas->beginAction(at.toPoint(), at, &pressure);
        for (int step = 1; step <= 120; ++step) {
            at = QPointF(20 + step * 10, 20 + line * 17 + (step % 4) * 3);
            canvas->continueAction(at.toPoint(), at, &pressure);
            QCoreApplication::processEvents();
            ++segments;
        }
        canvas->endAction(at.toPoint(), at);
        QCoreApplication::processEvents();
    }
    const double perSegment = timer.nsecsElapsed() / 1e6 / segments;
    const int rects = X11Shape::read(overlay.winId(), X11Shape::Bounding).rectCount();

    timer.restart();
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) {
        canvas->repaint();
        QCoreApplication::processEvents();
    }
    const double whole = timer.nsecsElapsed() / 1e6 / rounds;
    std::printf(
        "shaped overlay: %.2f ms per stroke segment (paint and shape, %lld segments), "
        "%.1f ms per repaint of the whole %dx%d area, %d shape rectangles for 40 lines\n",
        perSegment, segments, whole, area->width(), area->height(), rects);
    return 0;
}
