#pragma once

#include <QList>
#include <QRect>
#include <QStringList>

#include "drawing/canvashost.h"

// What the PDF board asks of its window beyond any board: the document area's size and the
// page chooser (a combo box of page labels and a page number box).
class PdfBoardHost : public CanvasHost
{
public:
    virtual QRect documentAreaGeometry() const = 0;
    // labels[i] stands for board page pages[i].
    virtual void fillPageComboBox(const QStringList &labels, const QList<int> &pages) = 0;
    virtual void selectPageInComboBox(int page) = 0;
    // current counted from 1.
    virtual void setPdfPageRange(int current, int count) = 0;
};
