#include "pdf/pdfpagedata.h"

#include "drawing/pagehistory.h"

PdfPageData::PdfPageData(QObject *parent)
    : PageData(parent)
{}

void PdfPageData::clear()
{
    clearDrawing();
    pageImage = QImage();
    preview = QImage();
}

void PdfPageData::clearDrawing()
{
    releaseLayers();
    PageHistory::clearHistory(history);
    pastedImages.clear();
}

void PdfPageData::releaseLayers()
{
    layer1 = QPixmap();
    layer2 = QPixmap();
    layer3 = QPixmap();
    layer4 = QPixmap();
    // Undo copies belong to the layers they were taken of.
    copies.clear();
}
