// Opening a large photo as a picture document: the time and memory of reading it straight at the
// page size (what the program does) against decoding it whole and scaling afterwards. Median of
// 5 runs each, for a JPEG and a PNG of 8000 x 6000 pixels.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

#include "benchstats.h"
#include "documents/documentpicture.h"
#include "drawing/pagelimits.h"

namespace {

QImage wholeThenScaled(const QString &path, qint64 *peakBytes)
{
    QImageReader reader(path);
    const QImage whole = reader.read();
    *peakBytes = whole.sizeInBytes();
    return whole.scaled(limitedPageSize(whole.size()), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QImage photo(8000, 6000, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QLinearGradient gradient(0, 0, 8000, 6000);
        gradient.setColorAt(0, QColor(30, 90, 160));
        gradient.setColorAt(1, QColor(230, 180, 60));
        painter.fillRect(photo.rect(), gradient);
        painter.setPen(QPen(Qt::white, 12));
        for (int i = 0; i < 200; ++i)
            painter.drawLine(i * 40, 0, 8000 - i * 40, 6000);
    }
    for (const char *format : {"JPG", "PNG"}) {
        const QString path = dir.filePath(QStringLiteral("photo.") + QLatin1String(format));
        photo.save(path, format, 90);
        QVector<double> scaledRead;
        QVector<double> wholeRead;
        QSize size;
        qint64 peak = 0;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            const QImage a = readDocumentPicture(path);
            scaledRead << timer.nsecsElapsed() / 1e6;
            size = a.size();
            timer.restart();
            const QImage b = wholeThenScaled(path, &peak);
            wholeRead << timer.nsecsElapsed() / 1e6;
        }
        const qint64 pageBytes = qint64(size.width()) * size.height() * 4;
        std::printf(
            "%s 8000x6000 -> %dx%d: read at page size %.1f ms (%.0f MB), "
            "decode whole then scale %.1f ms (%.0f MB decoded)\n",
            format, size.width(), size.height(), median(scaledRead), pageBytes / 1048576.0,
            median(wholeRead), peak / 1048576.0);
    }
    return 0;
}
