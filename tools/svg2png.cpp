// Build-time rasteriser: renders one SVG file to a PNG of the SVG's own size, or of the size
// given as third argument (a square).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: svg2png in.svg out.png [size]\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svg2png: cannot read %s\n", argv[1]);
        return 1;
    }
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        size = QSize(64, 64);
    if (argc == 4) {
        const int side = QString::fromLocal8Bit(argv[3]).toInt();
        if (side < 1) {
            std::fprintf(stderr, "svg2png: bad size %s\n", argv[3]);
            return 2;
        }
        size = QSize(side, side);
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    // Stored without compression: the window decodes its icons at start, and inflating them
    // was a good part of that.
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG", 100)) {
        std::fprintf(stderr, "svg2png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
