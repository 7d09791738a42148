#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QSize>

#include "canvas/canvas.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "recordingcanvashost.h"

// A white board of one page with a recording host and a hand-driven clock, for tests that draw
// through the canvas's input steps.
struct CanvasBoard
{
    explicit CanvasBoard(const QSize &size = QSize(400, 300), int mode = Canvas::NewBoard)
        : canvas(mode, Qt::white, &property, nullptr, &host)
    {
        canvas.setClock([this]() { return clockNow; });
        canvas.loadPages({size}, {QPixmap()});
        canvas.setZoom(1.0);
        // The items hide themselves only while the canvas is on screen.
        canvas.show();
    }

    void press(const QPointF &at, double pressure = -1.0)
    {
        canvas.beginAction(at.toPoint(), at, &pressure);
    }
    // Each move comes ms after the one before.
    void move(const QPointF &at, qint64 ms = 20, double pressure = -1.0)
    {
        clockNow += ms;
        canvas.continueAction(at.toPoint(), at, &pressure);
    }
    void release(const QPointF &at, qint64 ms = 20)
    {
        clockNow += ms;
        canvas.endAction(at.toPoint(), at);
    }
    // A press, moves in steps of ms along the straight line and a release.
    void drag(const QPointF &from, const QPointF &to, int steps = 10, qint64 ms = 20)
    {
        press(from);
        for (int i = 1; i <= steps; ++i)
            move(from + (to - from) * (double(i) / steps), ms);
        release(to, ms);
    }
    void useTool(int tool)
    {
        property.paintTool = tool;
        canvas.applyPaintTool();
    }
    // A click with the text tool: the text box opens there.
    CanvasTextBox *openTextBox(const QPointF &at)
    {
        useTool(PaintTool::TextBox);
        press(at);
        release(at);
        return canvas.textBoxItem();
    }

    QList<PaintData *> &history() { return canvas.currentPage()->history; }
    PaintData *last() { return history().isEmpty() ? nullptr : history().last(); }
    QImage composite() const { return canvas.compositeLayer().toImage(); }
    QImage inkImage() const { return canvas.inkLayer().toImage(); }
    QString lastCall(const QString &prefix) const
    {
        const QStringList calls = host.callsStartingWith(prefix);
        return calls.isEmpty() ? QString() : calls.last();
    }

    PaintProperty property;
    RecordingCanvasHost host;
    qint64 clockNow = 1700000000000;
    Canvas canvas;
};

// Number of pixels of the image that are not fully transparent.
inline int paintedPixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            count += qAlpha(line[x]) != 0;
    }
    return count;
}
