#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QScrollArea>
#include <QScrollBar>
#include <QSize>
#include <QVector>
#include <QtTest>

#include <functional>

#include "canvas/canvas.h"
#include "documents/scrollarea.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

#include "recordingcanvashost.h"
#include "recordingpdfhost.h"

// Drives either board (the whiteboard canvas or the PDF board) the same way: input through the
// board's steps at widget positions with a hand-driven clock, the tool, and what the page drawn
// on holds and shows. Positions of a page go through top(index): a whiteboard page starts at 0.
class BoardDriver
{
public:
    virtual ~BoardDriver() = default;

    QWidget *widget() const { return boardWidget; }

    // Each move and the release come ms after the step before; -1 is no pressure.
    void press(const QPointF &at, double pressure = -1.0) { step(Step::Press, at, pressure); }
    void move(const QPointF &at, qint64 ms = 20, double pressure = -1.0)
    {
        clockNow += ms;
        step(Step::Move, at, pressure);
    }
    void release(const QPointF &at, qint64 ms = 20)
    {
        clockNow += ms;
        step(Step::Release, at, -1.0);
    }
    // A press, moves in steps of ms along the straight line and a release.
    void drag(const QPointF &from, const QPointF &to, int steps = 10, qint64 ms = 20)
    {
        press(from);
        for (int i = 1; i <= steps; ++i)
            move(from + (to - from) * (double(i) / steps), ms);
        release(to, ms);
    }
    // A drag in the coordinates of page index.
    void stroke(int index, const QPointF &from, const QPointF &to, int steps = 10)
    {
        const QPointF shift(0, top(index));
        drag(from + shift, to + shift, steps);
    }
    // Points of page index as widget positions.
    QVector<QPoint> at(QVector<QPoint> points, int index = 0) const
    {
        for (QPoint &p : points)
            p.ry() += top(index);
        return points;
    }
    // Advances the clock by ms at each call (for input sent as events).
    std::function<void()> tick(qint64 ms = 20)
    {
        return [this, ms] { clockNow += ms; };
    }

    void useTool(int tool)
    {
        property.paintTool = tool;
        editing->applyPaintTool();
    }
    void run(BoardCommand command) { document->runCommand(command); }

    // The page drawn on by default (the whiteboard's shown page, the PDF board's first) and what
    // it holds, shows and would show rebuilt from its history.
    virtual int top(int index) const = 0;
    virtual PageData *drawingPage() const = 0;
    QList<PaintData *> &history() const { return drawingPage()->history; }
    PaintData *last() const { return history().isEmpty() ? nullptr : history().last(); }
    virtual QImage inkImage() const = 0;
    // What the screen shows of the page's ink, with a stroke's provisional tail.
    virtual QImage composite() const = 0;
    virtual QImage replayedInk() = 0;
    virtual void commitShownItems() = 0;

    PaintProperty property;
    qint64 clockNow = 1700000000000;

protected:
    enum class Step { Press, Move, Release };
    virtual void step(Step kind, const QPointF &at, double pressure) = 0;

    template <class Board>
    void drive(Board *board)
    {
        boardWidget = board;
        editing = board;
        document = board;
        board->setClock([this] { return clockNow; });
    }

private:
    QWidget *boardWidget = nullptr;
    BoardEditing *editing = nullptr;
    DocumentBoard *document = nullptr;
};

// A white board of one page, shown, with a recording host.
struct CanvasBoard : BoardDriver
{
    explicit CanvasBoard(const QSize &size = QSize(400, 300), int mode = Canvas::NewBoard)
        : canvas(mode, Qt::white, &property, nullptr, &host)
    {
        drive(&canvas);
        canvas.loadPages({size}, {QPixmap()});
        canvas.setZoom(1.0);
        // The items hide themselves only while the canvas is on screen.
        canvas.show();
    }

    // A click with the text tool: the text box opens there.
    CanvasTextBox *openTextBox(const QPointF &at)
    {
        useTool(PaintTool::TextBox);
        press(at);
        release(at);
        return canvas.textBoxItem();
    }
    QString lastCall(const QString &prefix) const
    {
        const QStringList calls = host.callsStartingWith(prefix);
        return calls.isEmpty() ? QString() : calls.last();
    }

    int top(int) const override { return 0; }
    PageData *drawingPage() const override { return canvas.currentPage(); }
    QImage inkImage() const override { return canvas.inkLayer().toImage(); }
    QImage composite() const override { return canvas.compositeLayer().toImage(); }
    QImage replayedInk() override
    {
        canvas.refreshPage();
        return inkImage();
    }
    void commitShownItems() override { canvas.commitShownItems(); }

    RecordingCanvasHost host;
    Canvas canvas;

protected:
    void step(Step kind, const QPointF &at, double pressure) override
    {
        if (kind == Step::Press)
            canvas.beginAction(at.toPoint(), at, &pressure);
        else if (kind == Step::Move)
            canvas.continueAction(at.toPoint(), at, &pressure);
        else
            canvas.endAction(at.toPoint(), at);
    }
};

// A PDF board in a scroll area as a PDF tab holds it, pinches zooming it. At 4 pixels per
// millimetre and no enlargement an A4 page is 840 x 1188 pixels.
struct PdfBoard : BoardDriver
{
    PdfBoard(const QString &path, const QString &stateDir)
        : canvas(new PdfCanvas(path, stateDir, &property, nullptr, &host))
    {
        drive(canvas);
        area.resize(900, 700);
        area.setAlignment(Qt::AlignHCenter);
        canvas->documentReader().setScreenMetrics(4.0, 0);
        QObject::connect(&area, &ScrollArea::touchZoomed, canvas,
                         [this](int kind, double step) { canvas->zoomBy(kind, step); });
    }
    bool open(bool show = true)
    {
        if (!canvas->openDocument())
            return false;
        canvas->setZoom(1.0);
        area.setWidget(canvas);
        canvas->followScrollArea(&area);
        host.area = QRect(0, 0, 900, area.viewport()->height());
        if (show)
            area.show();
        return !show || (QTest::qWaitForWindowExposed(&area) && rendered());
    }
    // Waits until every visible page shows its rendering instead of its paper.
    bool rendered()
    {
        return QTest::qWaitFor([this] {
            for (int i : canvas->visiblePageList()) {
                if (canvas->isWaitingForRender(i))
                    return false;
            }
            return true;
        });
    }
    QScrollBar *bar() const { return area.verticalScrollBar(); }
    void scrollTo(int index)
    {
        bar()->setValue(top(index));
        QCoreApplication::processEvents();
        rendered();
    }
    PdfPageData *page(int index) const { return canvas->pageList().at(index); }
    using BoardDriver::history;
    QList<PaintData *> &history(int index) const { return page(index)->history; }

    int top(int index) const override { return canvas->pageTops().at(index); }
    PageData *drawingPage() const override { return page(0); }
    QImage inkImage() const override { return page(0)->layer3.toImage(); }
    QImage composite() const override { return page(0)->layer2.toImage(); }
    QImage replayedInk() override
    {
        canvas->resetPageLayers();
        return inkImage();
    }
    void commitShownItems() override { canvas->commitShownItems(); }

    RecordingPdfHost host;
    ScrollArea area;
    PdfCanvas *canvas;

protected:
    void step(Step kind, const QPointF &at, double pressure) override
    {
        if (kind == Step::Press)
            canvas->beginAction(at.toPoint(), at, pressure);
        else if (kind == Step::Move)
            canvas->continueAction(at.toPoint(), at, pressure);
        else
            canvas->endAction(at.toPoint(), at, pressure);
    }
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
