#pragma once

#include <QPointer>

#include "documents/tabdocument.h"

class PdfCanvas;

// A PDF file on the PDF board: the page row shows its pages, the page chooser and the reset
// button, never the grid. A converted document stands in for its own file. It lives as a child
// of its tab.
class PdfDocument : public TabDocument
{
public:
    // The document of a tab that holds its board and view already.
    PdfDocument(TabItem *tab, DocumentHost *host);

    // Opens pdfPath in a tab titled title; with documentPath (the file converted to pdfPath) the
    // tab stands for that file and no page is remembered. Null when the file does not open (the
    // board told the teacher why).
    static PdfDocument *open(DocumentHost *host, const QString &pdfPath, const QString &title,
                             const QString &documentPath);

    // Goes to the page the teacher left the file at; once the tab is in the window.
    void restoreLastPage();

    DocumentKind kind() const override { return DocumentKind::Pdf; }
    void updatePageRow() override;
    void close() override;

private:
    const QPointer<PdfCanvas> pdf;
    bool remembersPage = false;
};
