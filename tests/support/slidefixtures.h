#pragma once

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "mainwindow/mainwindow.h"
#include "platform/childprocess.h"

#include "fakes.h"
#include "windowsetup.h"

// One slide of a hand-written presentation: notes as paragraphs (none: no notes), a
// "#rrggbb" background fill or none.
struct SlideSpec
{
    QString title;
    QStringList notes;
    QString fill;
    bool hidden = false;
    // A red box (shownBoxArea) that enters on the slide's first click.
    bool clickBox = false;
    // Filled rectangles without outline, in cm of the 28 x 15.75 cm slide, each with its
    // "#rrggbb" colour.
    QList<QPair<QRectF, QString>> rects = {};
};

// Where the click box lies on its slide, as fractions of the slide's width and height (the
// converter gives the slides its default 28 x 15.75 cm).
inline QRectF shownBoxArea()
{
    return QRectF(5.0 / 28, 8.0 / 15.75, 15.0 / 28, 6.0 / 15.75);
}

// A presentation in flat ODP, as LibreOffice writes and reads it: 4:3 pages, one text frame
// per slide.
inline QByteArray flatPresentationXml(const QList<SlideSpec> &slides)
{
    QByteArray styles, pages;
    for (int i = 0; i < slides.size(); ++i) {
        const SlideSpec &s = slides.at(i);
        const QByteArray n = QByteArray::number(i + 1);
        styles +=
            R"(<style:style style:name="dp)" + n +
            R"(" style:family="drawing-page"><style:drawing-page-properties)" +
            (s.hidden ? R"( presentation:visibility="hidden")" : "") +
            (s.fill.isEmpty() ? QByteArray()
                              : R"( draw:fill="solid" draw:fill-color=")" + s.fill.toUtf8() + '"') +
            "/></style:style>\n";
        pages += R"(<draw:page draw:style-name="dp)" + n + R"(" draw:master-page-name="M">
<draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="4cm"><draw:text-box><text:p>)" +
                 s.title.toUtf8() + "</text:p></draw:text-box></draw:frame>\n";
        for (int k = 0; k < s.rects.size(); ++k) {
            const QByteArray name = "r" + n + '_' + QByteArray::number(k);
            const QRectF &r = s.rects.at(k).first;
            styles += R"(<style:style style:name=")" + name +
                      R"(" style:family="graphic"><style:graphic-properties draw:fill="solid")"
                      R"( draw:fill-color=")" +
                      s.rects.at(k).second.toUtf8() + R"(" draw:stroke="none"/></style:style>)" +
                      '\n';
            pages += R"(<draw:rect draw:style-name=")" + name + R"(" svg:x=")" +
                     QByteArray::number(r.x()) + R"(cm" svg:y=")" + QByteArray::number(r.y()) +
                     R"(cm" svg:width=")" + QByteArray::number(r.width()) + R"(cm" svg:height=")" +
                     QByteArray::number(r.height()) + R"(cm"/>)" + '\n';
        }
        if (s.clickBox)
            pages += R"(<draw:rect draw:style-name="box" draw:layer="layout" xml:id="box)" + n +
                     R"(" draw:id="box)" + n +
                     R"(" svg:x="5cm" svg:y="8cm" svg:width="15cm" svg:height="6cm"/>
<anim:par presentation:node-type="timing-root"><anim:seq presentation:node-type="main-sequence">
<anim:par smil:begin="indefinite"><anim:par smil:begin="0s"><anim:par smil:begin="0s"
 smil:fill="hold" presentation:node-type="on-click" presentation:preset-class="entrance"
 presentation:preset-id="ooo-entrance-appear"><anim:set smil:begin="0s" smil:dur="0.001s"
 smil:fill="hold" smil:targetElement="box)" +
                     n +
                     R"(" smil:attributeName="visibility" smil:to="visible"/></anim:par>
</anim:par></anim:par></anim:seq></anim:par>
)";
        if (!s.notes.isEmpty()) {
            pages += R"(<presentation:notes><draw:frame presentation:style-name="pr1"
 presentation:class="notes" svg:x="2cm" svg:y="14cm" svg:width="17cm" svg:height="10cm">
<draw:text-box>)";
            for (const QString &paragraph : s.notes)
                pages += "<text:p>" + paragraph.toUtf8() + "</text:p>\n";
            pages += "</draw:text-box></draw:frame></presentation:notes>\n";
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
 xmlns:smil="urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0"
 xmlns:anim="urn:oasis:names:tc:opendocument:xmlns:animation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles><style:page-layout style:name="PM1"><style:page-layout-properties
 fo:page-width="25.4cm" fo:page-height="19.05cm" fo:margin-top="0cm" fo:margin-bottom="0cm"
 fo:margin-left="0cm" fo:margin-right="0cm"/></style:page-layout>
<style:style style:name="box" style:family="graphic"><style:graphic-properties draw:fill="solid"
 draw:fill-color="#ff0000" draw:stroke="none"/></style:style>
)" + styles +
           R"(</office:automatic-styles><office:master-styles><style:master-page style:name="M"
 style:page-layout-name="PM1"/></office:master-styles><office:body><office:presentation>
)" + pages +
           "</office:presentation></office:body></office:document>\n";
}

// Writes content to source and has LibreOffice convert it to format into outDir (default:
// beside source), in a profile folder of its own; the output's path, or "" when soffice is
// missing or the conversion fails.
inline QString makeWithSoffice(const QString &source, const QByteArray &content,
                               const QString &format, const QString &profile,
                               QString outDir = QString())
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (outDir.isEmpty())
        outDir = QFileInfo(source).absolutePath();
    if (soffice.isEmpty() || !FileSystem::writeBytes(source, content))
        return QString();
    ChildProcess make;
    make.start(soffice,
               {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toEncoded(), "--headless",
                "--norestore", "--convert-to", format, "--outdir", outDir, source});
    const QString out =
        outDir + '/' + QFileInfo(source).completeBaseName() + '.' + format.section(':', 0, 0);
    return make.waitForFinished(120000) && QFileInfo(out).size() > 0 ? out : QString();
}

inline bool writeRealPresentation(const QString &fodp, const QString &outDir,
                                  const QString &profile, const QList<SlideSpec> &slides)
{
    return !makeWithSoffice(fodp, flatPresentationXml(slides), "pptx", profile, outDir).isEmpty();
}

inline QStringList filesBelow(const QString &folder)
{
    QStringList result;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        result << QDir(folder).relativeFilePath(it.next());
    result.sort();
    return result;
}

// The data folder (with a space and Chinese, as under a teacher's home) and a fake soffice
// of an office test, and the windows it builds. The fake logs its arguments, then behaves as
// $QB_FAKE_MODE says; its "fixture" output is $QB_FAKE_PDF or, for flat ODP, $QB_FAKE_FODP.
struct OfficeFakes
{
    QTemporaryDir dir;
    QString fake = dir.filePath("fake soffice");
    QString log = dir.filePath("runs.log");
    QList<MainWindow *> windows;

    bool setUp()
    {
        appDataDir = dir.filePath("数据 data");
        qputenv("QB_FAKE_LOG", log.toUtf8());
        return QDir().mkpath(appDataDir) && FileSystem::writeBytes(fake, R"(#!/bin/sh
printf '%s\n' "$@" --end-- >> "$QB_FAKE_LOG"
format="$5"; src="$8"; name=$(basename "$src")
out="$7/${name%.*}.$format"
[ "$format" = fodp ] && fixture="$QB_FAKE_FODP" || fixture="$QB_FAKE_PDF"
case "$QB_FAKE_MODE" in
    fixture) cp "$fixture" "$out" ;;
    slow) sleep 1; cp "$fixture" "$out" ;;
    nonotes) [ "$format" = pdf ] && cp "$fixture" "$out" ;;
    textfile) [ "$format" = pdf ] && cp "$fixture" "$out" ||
        echo "Error: no export filter for $out found, aborting." ;;
    badnotes) [ "$format" = pdf ] && cp "$fixture" "$out" || head -n -2 "$fixture" > "$out" ;;
    garbage) printf 'no PDF in here' > "$out" ;;
    halfway) head -c 600 "$fixture" > "$out" ;;
    notloaded) echo "Error: source file could not be loaded" >&2 ;;
    crash) kill -SEGV $$ ;;
    hang) while :; do sleep 1; done & wait ;; # a child that shares the command line
esac
exit 0
)") && QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // A fresh log; "missing" names a converter that is not there, "real" is LibreOffice.
    void use(const QString &mode)
    {
        QFile::remove(log);
        const QString real = QStandardPaths::findExecutable("soffice");
        qputenv("QB_SOFFICE", (mode == "missing" ? fake + " missing"
                               : mode == "real"  ? real
                                                 : fake)
                                  .toUtf8());
        qputenv("QB_FAKE_MODE", mode.toUtf8());
    }
    // The argument lists of the fake's runs.
    QStringList runs() const
    {
        QStringList all = QString::fromUtf8(FileSystem::readAll(log)).split("--end--\n");
        all.removeAll(QString());
        return all;
    }
    MainWindow *window()
    {
        auto *w = new MainWindow;
        windows << w;
        startWithFakes(*w);
        w->resize(1200, 800);
        w->show();
        return w;
    }
    // Deleted with their tabs still open: nothing of a tab may outlive its window.
    void deleteWindows()
    {
        qDeleteAll(windows);
        windows.clear();
    }
};
