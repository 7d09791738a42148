#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>

// One slide of a hand-written presentation.
struct SlideSpec
{
    QString title;
    // Paragraphs of the speaker notes; none gives a slide without notes.
    QStringList notes;
    // "#rrggbb" background fill, empty for none.
    QString fill;
    bool hidden = false;
};

// A presentation in flat ODP, as LibreOffice writes and reads it: 4:3 pages, one text frame
// per slide, notes as paragraphs (the last one of each slide with a span).
inline QByteArray flatPresentationXml(const QList<SlideSpec> &slides)
{
    QByteArray styles, pages;
    for (int i = 0; i < slides.size(); ++i) {
        const SlideSpec &s = slides.at(i);
        const QByteArray n = QByteArray::number(i + 1);
        styles += R"(<style:style style:name="dp)" + n +
                  R"(" style:family="drawing-page"><style:drawing-page-properties)";
        if (s.hidden)
            styles += R"( presentation:visibility="hidden")";
        if (!s.fill.isEmpty())
            styles += R"( draw:fill="solid" draw:fill-color=")" + s.fill.toUtf8() + '"';
        styles += "/></style:style>\n";
        pages += R"(<draw:page draw:name="page)" + n + R"(" draw:style-name="dp)" + n +
                 R"(" draw:master-page-name="Default">
 <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="4cm"><draw:text-box><text:p>)" +
                 s.title.toUtf8() + "</text:p></draw:text-box></draw:frame>\n";
        if (!s.notes.isEmpty()) {
            pages += R"( <presentation:notes draw:style-name="dp)" + n + R"(">
  <draw:frame presentation:style-name="pr1" presentation:class="notes" svg:x="2cm" svg:y="14cm" svg:width="17cm" svg:height="10cm"><draw:text-box>
)";
            for (int p = 0; p < s.notes.size(); ++p) {
                const QByteArray text = s.notes.at(p).toUtf8();
                pages += "   <text:p>" +
                         (p + 1 == s.notes.size() ? "<text:span>" + text + "</text:span>" : text) +
                         "</text:p>\n";
            }
            pages += "  </draw:text-box></draw:frame>\n </presentation:notes>\n";
        }
        pages += "</draw:page>\n";
    }
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:margin-top="0cm"
 fo:margin-bottom="0cm" fo:margin-left="0cm" fo:margin-right="0cm" fo:page-width="25.4cm"
 fo:page-height="19.05cm" style:print-orientation="landscape"/></style:page-layout>
)" + styles +
           R"(</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation>
)" + pages +
           "</office:presentation></office:body></office:document>\n";
}

// Makes a real .pptx from the slides with LibreOffice (profile is a folder of its own);
// false when soffice is missing or the conversion fails.
inline bool writeRealPresentation(const QString &fodp, const QString &outDir,
                                  const QString &profile, const QList<SlideSpec> &slides)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return false;
    QFile file(fodp);
    const QByteArray xml = flatPresentationXml(slides);
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size())
        return false;
    file.close();
    QProcess make;
    make.start(soffice, {QStringLiteral("-env:UserInstallation=") +
                             QString::fromUtf8(QUrl::fromLocalFile(profile).toEncoded()),
                         QStringLiteral("--headless"), QStringLiteral("--norestore"),
                         QStringLiteral("--convert-to"), QStringLiteral("pptx"),
                         QStringLiteral("--outdir"), outDir, fodp});
    return make.waitForFinished(180000) && make.exitCode() == 0;
}

// Stands in for soffice: "pdf" copies $QB_FAKE_PDF, "fodp" copies $QB_FAKE_FODP, as
// $QB_FAKE_MODE says; the run's format and source are logged to $QB_FAKE_LOG.
inline const char *fakeSlideConverter()
{
    return R"(#!/bin/sh
prev=""
for a in "$@"; do
    [ "$prev" = "--outdir" ] && outdir="$a"
    [ "$prev" = "--convert-to" ] && format="$a"
    prev="$a"; src="$a"
done
echo "$format $src" >> "$QB_FAKE_LOG"
name=$(basename "$src")
out="$outdir/${name%.*}.$format"
case "$QB_FAKE_MODE" in
    fixture) [ "$format" = pdf ] && cp "$QB_FAKE_PDF" "$out" || cp "$QB_FAKE_FODP" "$out" ;;
    nonotes) [ "$format" = pdf ] && cp "$QB_FAKE_PDF" "$out" ;;
    badnotes) [ "$format" = pdf ] && cp "$QB_FAKE_PDF" "$out" || echo "<office:document" > "$out" ;;
    notloaded) echo "Error: source file could not be loaded" >&2 ;;
    nothing) ;;
    hang) sleep 30 ;;
esac
exit 0
)";
}
