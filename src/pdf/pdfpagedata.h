#pragma once

#include <QImage>
#include <QPixmap>

#include "drawing/pagedata.h"
#include "drawing/replaycopies.h"

// One page of a PDF board. Its history, pasted images and size at zoom 1 are those of every
// board page; on top it knows its page in the PDF file, holds the rendered page while it is
// cached and four layer pixmaps at zoom 1:
//   1 base (the page on the board colour), 2 shown drawing, 3 drawing, 4 highlighter work.
// A page-edge drag needs no copies: the layers grow once, at its release.
class PdfPageData : public PageData
{
    Q_OBJECT
public:
    explicit PdfPageData(QObject *parent = nullptr);

    // Drops the rendered page and its preview, the layers, the history and the pasted images.
    void clear();
    // The same, but the rendered page stays.
    void clearDrawing();
    // Drops the layers (and the undo copies taken of them) only.
    void releaseLayers();

    int pdfPageNumber = 0;
    QImage pageImage;
    // A smaller copy of the page's last rendering, shown scaled while it is rendered again.
    QImage preview;
    QPixmap layer1;
    QPixmap layer2;
    QPixmap layer3;
    QPixmap layer4;
    // Copies of layer 3 for fast undo, within the program's one budget.
    ReplayCopies copies;
};
