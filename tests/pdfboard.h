#pragma once

#include <QList>
#include <QPointF>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

#include "recordingpdfhost.h"

// A board in a scroll area as a PDF tab holds it, sized like a small document area.
struct PdfBoard
{
    // Milliseconds since the epoch as the board sees them; moves advance it.
    qint64 clockNow = 1700000000000;

    QScrollArea area;
    RecordingPdfHost host;
    PaintProperty property;
    PdfCanvas *canvas = nullptr;

    PdfBoard(const QString &path, const QString &stateDir)
    {
        area.resize(900, 700);
        area.setWidgetResizable(false);
        area.setAlignment(Qt::AlignHCenter);
        canvas = new PdfCanvas(path, stateDir, &property, nullptr, &host);
        // 4 pixels per millimetre and no enlargement: an A4 page is 840 x 1188 pixels.
        canvas->documentReader().setScreenMetrics(4.0, 0);
        canvas->setClock([this] { return clockNow; });
    }
    bool open(bool show = true)
    {
        if (!canvas->openDocument())
            return false;
        canvas->setZoom(1.0);
        area.setWidget(canvas);
        canvas->followScrollArea(&area);
        host.area = QRect(0, 0, 900, area.viewport()->height());
        if (show) {
            area.show();
            if (!QTest::qWaitForWindowExposed(&area))
                return false;
        }
        return true;
    }
    QScrollBar *bar() const { return area.verticalScrollBar(); }
    int top(int index) const { return canvas->pageTops().at(index); }
    void scrollTo(int index)
    {
        bar()->setValue(top(index));
        QCoreApplication::processEvents();
    }
    PdfPageData *page(int index) const { return canvas->pageList().at(index); }
    QList<PaintData *> &history(int index) const { return page(index)->history; }
    void useTool(int tool)
    {
        property.paintTool = tool;
        canvas->applyPaintTool();
    }

    // Input steps at widget positions; moves advance the clock.
    void press(const QPointF &at) { canvas->beginAction(at.toPoint(), at, -1.0); }
    void move(const QPointF &at)
    {
        clockNow += 20;
        canvas->continueAction(at.toPoint(), at, -1.0);
    }
    void release(const QPointF &at)
    {
        clockNow += 20;
        canvas->endAction(at.toPoint(), at, -1.0);
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
        const QPointF down(0, top(index));
        drag(from + down, to + down, steps);
    }
    QList<int> cachedPages() const
    {
        QList<int> cached;
        const QList<PdfPageData *> &pages = canvas->pageList();
        for (int i = 0; i < pages.size(); ++i) {
            if (!pages.at(i)->pageImage.isNull() || !pages.at(i)->layer1.isNull())
                cached << i;
        }
        return cached;
    }
    QList<int> shownPages() const
    {
        const QRect rows(0, bar()->value(), canvas->width(), area.viewport()->height());
        QList<int> shown;
        for (int i : canvas->visiblePagesIn(rows))
            shown << i;
        return shown;
    }
};
