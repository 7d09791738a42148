#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// What the page render needs to know of a document's annotations, read from the file itself
// (Qt's PDF module tells nothing of them).
struct PdfAnnotationScan
{
    // False when the file could not be read this way: then every page is rendered with its
    // annotations and form widgets stay undrawn.
    bool read = false;
    // Per page: it holds an annotation that the renderer draws. A page whose annotations are
    // all links without an appearance (tables of contents, cross references) is rendered without
    // the annotation pass, which costs as much as a third of the page and draws nothing there.
    QVector<bool> drawsAnnotations;
    // The document with the appearances of its form widgets made part of the page content;
    // empty when it has no widgets. The renderer draws no widget, with or without an appearance.
    QByteArray withFormsDrawn;
};

PdfAnnotationScan scanPdfAnnotations(const QString &file, const QString &password);
