#include "documents/pdfdocument.h"

#include "base/filesystem.h"
#include "base/paths.h"
#include "documents/documenthost.h"
#include "documents/documentview.h"
#include "documents/tabitem.h"
#include "documents/toolbarport.h"
#include "pdf/pdfcanvas.h"

PdfDocument::PdfDocument(TabItem *tab, DocumentHost *host)
    : QObject(tab)
    , tabItem(tab)
    , host(host)
    , pdf(tab->pdfCanvas)
{
    tab->document = this;
}

PdfDocument *PdfDocument::open(DocumentHost *host, const QString &pdfPath, const QString &title,
                               const QString &documentPath)
{
    auto *board =
        new PdfCanvas(pdfPath, configDirPath(), host->tools(), host->documentArea(), host);
    // A converted file is new every time: remembering its page would only leave files behind.
    const bool remember = documentPath.isEmpty();
    board->setRememberPage(remember);
    if (!board->openDocument()) {
        board->deleteLater();
        return nullptr;
    }
    board->setZoom(1.0);
    ScrollArea *area = makeDocumentView(host->documentArea(), board);
    area->setAlignment(Qt::AlignHCenter);
    board->followScrollArea(area);
    wireBoardToArea(board, area);

    const QString path = remember ? pdfPath : documentPath;
    auto *tab = new TabItem;
    tab->kind = DocumentKind::Pdf;
    tab->scrollArea = area;
    tab->path = path;
    tab->title = title;
    tab->folder = FileSystem::absolutePath(path);
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
    ToolBarPort *bar = host->toolBar();
    bar->setZoomEnabled(true);
    bar->setRotateEnabled(pdf && pdf->canRotate());
    bar->setImpureImageEnabled(false);
    bar->setBoardGridEnabled(false);
    bar->setPdfResetEnabled(true);
    host->setSlideControlsVisible(false);
    host->setPdfPageControlsVisible(true);
    host->showRemark(QString());
    if (pdf) {
        host->setPageLabel(pdf->currentPageIndex() + 1, pdf->pageCount());
        host->setProgressPercent(pdf->zoom());
    } else {
        host->setPageLabel(0, 0);
        host->setProgressPercent(0.0);
    }
}

void PdfDocument::close()
{
    if (pdf)
        pdf->closeDocument();
}
