#pragma once

class Document;
class DocumentHost;
class TabItem;

// The document of a tab put together without one, around the tab's own board and view: a
// board, picture or PDF document. Null for another kind: a slide show's document lives with the
// window and a tab gets it from there.
Document *makeDocumentFor(TabItem *tab, DocumentHost *host);
