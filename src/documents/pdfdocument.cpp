#include "documents/pdfdocument.h"

#include "base/paths.h"
#include "documents/documenthost.h"
#include "documents/documentview.h"
#include "documents/tabitem.h"
#include "documents/toolbarport.h"
#include "pdf/pdfcanvas.h"

PdfDocument::PdfDocument(TabItem *tab, DocumentHost *host)
    : TabDocument(tab, host)
    , pdf(tab->pdfCanvas)
{}

PdfDocument *PdfDocument::open(DocumentHost *host, const QString &pdfPath, const QString &title,
                               const QString &documentPath)
{
    auto *board =
        new PdfCanvas(pdfPath, configDirPath(), host->tools(), host->documentArea(), host);
    // A converted file is new every time: remembering its page would only leave files behind.
    const bool remember = documentPath.isEmpty();
    board->setRememberPage(remember);
    if (!keepLoaded(board, board->openDocument()))
        return nullptr;
    ScrollArea *area = makeDocumentView(host->documentArea(), board);
    area->setAlignment(Qt::AlignHCenter);
    board->followScrollArea(area);
    wireBoardToArea(board, area);

    const QString path = remember ? pdfPath : documentPath;
    TabItem *tab = newFileTab(DocumentKind::Pdf, area, path, title);
    tab->setPdfCanvas(board);
    auto *document = new PdfDocument(tab, host);
    document->remembersPage = remember;
    QObject::connect(board, &PdfCanvas::sizeChanged, document,
                     [host](double scale) { host->setProgressPercent(scale); });
    return document;
}

void PdfDocument::restoreLastPage()
{
    if (remembersPage && pdf)
        pdf->restoreLastPage();
}

void PdfDocument::updatePageRow()
{
    host->toolBar()->setImpureImageEnabled(false);
    PageRow row;
    row.zoom = true;
    row.pdfPages = true;
    if (pdf) {
        row.rotate = pdf->canRotate();
        row.page = pdf->currentPageIndex() + 1;
        row.pageCount = pdf->pageCount();
        row.percent = pdf->zoom();
    }
    fillPageRow(row);
}

void PdfDocument::close()
{
    if (pdf)
        pdf->closeDocument();
}
