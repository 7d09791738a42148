#include "pdf/pdfreader.h"

PDFReader::PDFReader(QObject *parent)
    : QObject(parent)
{}

bool PDFReader::load(const QString &path)
{
    Q_UNUSED(path);
    return false;
}

QImage PDFReader::pageImage(int index, double scale) const
{
    Q_UNUSED(index);
    Q_UNUSED(scale);
    return QImage();
}
