#include "pdf/pdfcanvas.h"

#include "app/unavailable.h"
#include "mainwindow/mainwindow.h"

PdfCanvas::PdfCanvas(const QString &path, const QString &, PaintProperty *, MainWindow *parent)
    : QWidget(parent)
    , m_path(path)
{}

bool PdfCanvas::openDocument()
{
    showUnavailable(parentWidget(), QStringLiteral("打开PDF文档"));
    return false;
}
