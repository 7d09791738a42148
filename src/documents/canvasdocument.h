#pragma once

#include <QColor>
#include <QPointer>

#include "documents/tabdocument.h"

class Canvas;

// A document drawn on a whiteboard canvas: the page row has no pages and shows the grid
// button; closing lets go of the canvas's pages. It lives as a child of its tab.
class CanvasDocument : public TabDocument
{
public:
    // The document of a tab that holds its canvas and view already.
    CanvasDocument(TabItem *tab, DocumentHost *host);

    // A new board or a picture, as its tab says.
    DocumentKind kind() const override;
    // A picture shows its zoom and may be turned; a board keeps the screen's size.
    void updatePageRow() override { fillCanvasPageRow(kind() == DocumentKind::Picture); }
    void close() override;

protected:
    // The page row of a canvas; a zoomable one shows its zoom and may be rotated.
    void fillCanvasPageRow(bool zoomable);

    const QPointer<Canvas> canvas;
};

// A new whiteboard of the screen's size in one colour. Its title stands for its path.
class BoardDocument : public CanvasDocument
{
public:
    using CanvasDocument::CanvasDocument;

    // Null when the board cannot be made.
    static BoardDocument *create(DocumentHost *host, const QString &title, const QColor &color);

    // An untouched board holds nothing to lose.
    bool asksBeforeClosing() const override;
};

// A picture file on a canvas page of its size, in a margin of the document area's colour.
class PictureDocument : public CanvasDocument
{
public:
    using CanvasDocument::CanvasDocument;

    // Null, with the teacher told, when the file does not read.
    static PictureDocument *open(DocumentHost *host, const QString &path, const QString &title);
};
