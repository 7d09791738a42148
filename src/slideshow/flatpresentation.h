#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a presentation saved as flat ODP tells beyond its PDF copy: per shown slide the notes
// (one line) and the background colour. Hidden slides are left out, as the PDF copy leaves
// them out, so index n stands for PDF page n.
class FlatPresentation
{
public:
    bool read(const QString &path);
    bool parse(const QByteArray &xml);

    // One entry per shown slide; empty when the slide has no notes.
    QStringList notes;
    // "#rrggbb" of the slide's own solid fill, empty when it has none.
    QStringList colours;
    QString error;
};
