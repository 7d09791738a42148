#pragma once

#include <QObject>

#include "documents/document.h"

class DocumentHost;
class ScrollArea;
class TabItem;

// A document that lives as a child of its own tab and holds the tab's board: a board, picture
// or PDF document. Its page row has no slides; what differs by kind is a handful of switches.
class TabDocument : public QObject, public Document
{
public:
    TabItem *tab() const { return tabItem; }
    void shown() override {}
    void hidden() override {}

protected:
    // Becomes the tab's document.
    TabDocument(TabItem *tab, DocumentHost *host);

    // What the page row and the kind's tool bar buttons show.
    struct PageRow
    {
        bool zoom = false;
        bool rotate = false;
        bool grid = false;
        // The PDF page chooser and reset button.
        bool pdfPages = false;
        int page = 0;
        int pageCount = 0;
        double percent = 0.0;
    };
    void fillPageRow(const PageRow &row);

    // A board that loaded, at its own size; one that did not goes, and null comes back.
    template <class Board>
    static Board *keepLoaded(Board *board, bool loaded)
    {
        if (!loaded) {
            board->deleteLater();
            return nullptr;
        }
        board->setZoom(1.0);
        return board;
    }

    // A tab of this kind around its view, titled title, standing for path.
    static TabItem *newTab(DocumentKind kind, ScrollArea *area, const QString &path,
                           const QString &title);
    // The same for a file, which also knows the file's folder.
    static TabItem *newFileTab(DocumentKind kind, ScrollArea *area, const QString &path,
                               const QString &title);

    TabItem *const tabItem;
    DocumentHost *const host;
};
