#pragma once

#include <QList>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "documents/scrollarea.h"
#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

#include "recordingpdfhost.h"

// A board in a scroll area as a PDF tab holds it, pinches zooming it. At 4 pixels per millimetre
// and no enlargement an A4 page is 840 x 1188 pixels.
struct PdfBoard
{
    qint64 clockNow = 1700000000000;
    ScrollArea area;
    RecordingPdfHost host;
    PaintProperty property;
    PdfCanvas *canvas;

    PdfBoard(const QString &path, const QString &stateDir)
        : canvas(new PdfCanvas(path, stateDir, &property, nullptr, &host))
    {
        area.resize(900, 700);
        area.setAlignment(Qt::AlignHCenter);
        canvas->documentReader().setScreenMetrics(4.0, 0);
        canvas->setClock([this] { return clockNow; });
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
    int top(int index) const { return canvas->pageTops().at(index); }
    void scrollTo(int index)
    {
        bar()->setValue(top(index));
        QCoreApplication::processEvents();
        rendered();
    }
    PdfPageData *page(int index) const { return canvas->pageList().at(index); }
    QList<PaintData *> &history(int index) const { return page(index)->history; }
    void useTool(int tool)
    {
        property.paintTool = tool;
        canvas->applyPaintTool();
    }

    // Input at widget positions, without pressure; moves and the release come 20 ms apart.
    void press(const QPointF &at) { canvas->beginAction(at.toPoint(), at, -1.0); }
    void move(const QPointF &at) { canvas->continueAction(at.toPoint(), at, later()); }
    void release(const QPointF &at) { canvas->endAction(at.toPoint(), at, later()); }
    double later()
    {
        clockNow += 20;
        return -1.0;
    }
    void drag(const QPointF &from, const QPointF &to, int steps = 10)
    {
        press(from);
        for (int i = 1; i <= steps; ++i)
            move(from + (to - from) * (double(i) / steps));
        release(to);
    }
    // A drag in the coordinates of page index.
    void stroke(int index, const QPointF &from, const QPointF &to, int steps = 10)
    {
        drag(from + QPointF(0, top(index)), to + QPointF(0, top(index)), steps);
    }
};
