#include "pdf/pdfwriter.h"

#include <QWidget>

#include "app/unavailable.h"

PDFWriter::PDFWriter(QWidget *parent)
    : QObject(parent)
    , m_parentWidget(parent)
{}

QString PDFWriter::exportPdf(const QString &, int, QWidget *, const QString &folder)
{
    showUnavailable(m_parentWidget, QStringLiteral("导出PDF"));
    return folder;
}
