#pragma once

#include <QString>
#include <QStringList>

class DocumentConverter;

// Brings a presentation into the slide cache: a copy named by the stamp, its PDF copy (the
// pages of the show) and, from a flat ODP conversion run at the same time, the notes and
// background colours of the shown slides. On failure nothing it made stays behind and
// message says why, in the words the user sees; a presentation whose notes could not be read
// loads without them, and message tells so.
class PresentationLoader
{
public:
    explicit PresentationLoader(DocumentConverter *converter);

    bool load(const QString &source, const QString &folder, const QString &stamp,
              const QString &pdfSuffix);
    // load() in two halves: the copy (quick; what a live show opens), then the conversions.
    bool copy(const QString &source, const QString &folder, const QString &stamp,
              const QString &pdfSuffix);
    bool convert();
    // Deletes the copy and the PDF copy.
    void discard();

    QString copyPath;
    QString pdfPath;
    QStringList notes;
    QStringList colours;
    QString message;

    static QString cacheFolderMessage(const QString &folder);
    static QString noSuiteMessage();
    static QString notLoadedMessage();
    static QString blockedMessage(int stage);

private:
    bool fail(const QString &text);

    DocumentConverter *converter = nullptr;
    QString notesPath;
};
