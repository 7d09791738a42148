#pragma once

#include <QFrame>

#include "base/uimetrics.h"
#include "documents/scrollarea.h"

// The scroll area of a picture or PDF document: no frame, its content at the content's own
// size, on the document area's colour.
inline ScrollArea *makeDocumentView(QWidget *parent, QWidget *content)
{
    auto *area = new ScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setWidget(content);
    area->setStyleSheet(QStringLiteral("QScrollArea{background-color:") +
                        documentBackgroundColor().name() + QStringLiteral(";}"));
    return area;
}

// Wheel and pinch zoom, clicks beside the page and arrow keys of the area reach the board; the
// board's arrow-key scrolling moves the area.
template <class Board>
void wireBoardToArea(Board *board, ScrollArea *area)
{
    QObject::connect(area, &ScrollArea::wheelZoomed, board,
                     [board](int kind) { board->zoomStep(kind); });
    QObject::connect(area, &ScrollArea::touchZoomed, board,
                     [board](int kind, double step) { board->zoomBy(kind, step); });
    QObject::connect(area, &ScrollArea::blankClicked, board,
                     [board] { board->commitShownItems(); });
    QObject::connect(area, &ScrollArea::directionKeyPressed, board,
                     [board](int direction) { board->handleDirectionKey(direction); });
    QObject::connect(board, &Board::directionState, area, &ScrollArea::scrollByDirection);
}
