#include "pdf/pdfreader.h"

PDFReader::PDFReader(QObject *parent)
    : QObject(parent)
{}

bool PDFReader::load(const QString &)
{
    return false;
}

QImage PDFReader::pageImage(int, double) const
{
    return QImage();
}
