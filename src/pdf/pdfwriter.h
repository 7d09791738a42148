#pragma once

#include <QObject>

class QWidget;

// Exports a document's pages to one PDF file. Not available in this build yet.
class PDFWriter : public QObject
{
    Q_OBJECT
public:
    explicit PDFWriter(QWidget *parent = nullptr);
    // Returns the output folder; this build keeps the one it was given.
    QString exportPdf(const QString &name, int kind, QWidget *canvas, const QString &folder);

private:
    QWidget *m_parentWidget = nullptr;
};
