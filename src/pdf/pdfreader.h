#pragma once

#include <QImage>
#include <QObject>

// Reads PDF documents. This build opens none yet.
class PDFReader : public QObject
{
    Q_OBJECT
public:
    explicit PDFReader(QObject *parent = nullptr);
    void setMinimumPageSize(int px) { m_minimumPageSize = px; }
    bool load(const QString &path);
    QImage pageImage(int index, double scale) const;

private:
    int m_minimumPageSize = 0;
};
