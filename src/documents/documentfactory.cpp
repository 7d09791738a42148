#include "documents/documentfactory.h"

#include "documents/canvasdocument.h"
#include "documents/pdfdocument.h"
#include "documents/tabitem.h"

Document *makeDocumentFor(TabItem *tab, DocumentHost *host)
{
    switch (tab->kind) {
        case DocumentKind::Board:
            return new BoardDocument(tab, host);
        case DocumentKind::Picture:
            return new PictureDocument(tab, host);
        case DocumentKind::Pdf:
            return new PdfDocument(tab, host);
        default:
            return nullptr;
    }
}
