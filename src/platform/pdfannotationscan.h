#pragma once

#include <QFile>
#include <QString>
#include <QVector>
#include <atomic>
#include <memory>

// What the page render needs to know of a document's annotations, read from the file itself
// (Qt's PDF module tells nothing of them).
struct PdfAnnotationScan
{
    // False when the file could not be read this way: then every page is rendered with its
    // annotations and form widgets stay undrawn.
    bool read = false;
    // Per page of the document to show: it holds an annotation that the renderer draws. A page
    // whose annotations are all links without an appearance (tables of contents, cross
    // references) is rendered without the annotation pass, which costs as much as a third of the
    // page and draws nothing there.
    QVector<bool> drawsAnnotations;
    // The document as a reader shows it on the screen, in a temporary file without a name, open
    // for reading: the appearances of its form widgets made part of the page content (the
    // renderer draws no widget) and the annotations kept off the screen (NoView, hidden,
    // invisible) left out. Null when the file's own document shows the same.
    std::unique_ptr<QFile> onScreen;
};

// Reads the file; when cancelled turns true the scan stops early and reads nothing.
PdfAnnotationScan scanPdfAnnotations(const QString &file, const QString &password,
                                     const std::atomic<bool> *cancelled = nullptr);
