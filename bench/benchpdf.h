#pragma once

#include <QScrollArea>

#include "pdf/pdfcanvas.h"

// The document at zoom 1 in the scroll area, laid out for the given screen; null when it does
// not open.
inline PdfCanvas *openPdfInArea(QScrollArea &area, const QString &path, const QString &stateDir,
                                PaintProperty *property, double pixelsPerMillimetre, int fitLimit)
{
    auto *pdf = new PdfCanvas(path, stateDir, property);
    pdf->documentReader().setScreenMetrics(pixelsPerMillimetre, fitLimit);
    if (!pdf->openDocument()) {
        delete pdf;
        return nullptr;
    }
    pdf->setZoom(1.0);
    area.setWidget(pdf);
    pdf->followScrollArea(&area);
    return pdf;
}
