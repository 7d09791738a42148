// Resident memory of open boards, as tabs hold them (one shown, the others hidden): with 0, 10
// and 30 empty full-HD boards; with 20 boards of 100 pen strokes each after 20 undos on each;
// and, in the same run, the time of one undo at 1,000 strokes on the shown board.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStackedWidget>
#include <QtMath>

#include <malloc.h>

#include <cstdio>
#include <vector>

#include "canvas/canvas.h"
#include "drawing/layersnapshots.h"
#include "drawing/pagedata.h"
#include "drawing/pagehistory.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/penwidth.h"

#include "benchstats.h"
#include "benchstrokes.h"

namespace {
const QSize boardSize(1920, 1000);

double residentMb()
{
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// A new tab: the board is made, shown, and the tab shown before stays behind it.
Canvas *openBoard(QStackedWidget &tabs, PaintProperty *property)
{
    auto *canvas = new Canvas(Canvas::NewBoard, Qt::white, property);
    canvas->loadPages({boardSize}, {QPixmap()});
    canvas->setZoom(1.0);
    tabs.addWidget(canvas);
    tabs.setCurrentWidget(canvas);
    QApplication::processEvents();
    return canvas;
}

void undoOnce(Canvas &canvas)
{
    PageHistory::undo(canvas.currentPage()->history);
    canvas.refreshPage();
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PaintProperty property;
    QStackedWidget tabs;
    tabs.resize(boardSize);
    tabs.show();
    QApplication::processEvents();
    const double base = residentMb();
    std::printf("Resident memory, full-HD boards of %d x %d:\n", boardSize.width(),
                boardSize.height());
    std::printf("  no board               %7.1f MB\n", base);
    for (int n = 1; n <= 30; ++n) {
        openBoard(tabs, &property);
        if (n == 10 || n == 30)
            std::printf("  %2d empty boards        %7.1f MB  (%.1f MB a board)\n", n, residentMb(),
                        (residentMb() - base) / n);
    }
    while (tabs.count() > 0) {
        QWidget *board = tabs.widget(0);
        tabs.removeWidget(board);
        delete board;
    }
    const double emptied = residentMb();

    std::vector<Canvas *> drawn;
    for (int n = 0; n < 20; ++n) {
        Canvas *canvas = openBoard(tabs, &property);
        addStrokes(*canvas, 100);
        canvas->refreshPage();
        for (int u = 0; u < 20; ++u)
            undoOnce(*canvas);
        drawn.push_back(canvas);
    }
    std::printf(
        "  20 boards of 100 strokes, 20 undos each  %7.1f MB  (%.1f MB over none), "
        "undo copies %.1f MB\n",
        residentMb(), residentMb() - emptied, LayerSnapshots::totalBytes() / 1048576.0);

    Canvas *shown = openBoard(tabs, &property);
    addStrokes(*shown, 1000);
    shown->refreshPage();
    std::vector<double> undos;
    for (int u = 0; u < 9; ++u) {
        QElapsedTimer timer;
        timer.start();
        undoOnce(*shown);
        undos.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "  undo at 1,000 strokes on the shown board: median %.1f ms (fastest %.1f ms, "
        "worst %.1f ms), resident %.1f MB, undo copies %.1f MB\n",
        median(undos), minimum(undos), maximum(undos), residentMb(),
        LayerSnapshots::totalBytes() / 1048576.0);
    return 0;
}
