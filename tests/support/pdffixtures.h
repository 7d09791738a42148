#pragma once

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <QSizeF>
#include <QString>
#include <QVector>

#include "base/filesystem.h"
#include "platform/childprocess.h"
#include "requiredprograms.h"

// PDF files made for the tests: pages of given sizes in points, each with its number in large
// black text near the top left and a black bar along its top edge.
inline bool writeTestPdf(const QString &path, const QVector<QSizeF> &pagePoints)
{
    if (pagePoints.isEmpty())
        return false;
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(pagePoints.first(), QPageSize::Point));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int i = 0; i < pagePoints.size(); ++i) {
        const QSizeF s = pagePoints.at(i);
        if (i > 0) {
            writer.setPageSize(QPageSize(s, QPageSize::Point));
            writer.newPage();
        }
        painter.fillRect(QRectF(0, 0, s.width(), 20), Qt::black);
        QFont font = painter.font();
        font.setPointSizeF(qMin(s.height(), s.width()) / 8);
        painter.setFont(font);
        painter.drawText(QRectF(20, 30, s.width() - 40, s.height() - 40),
                         QStringLiteral("Page %1").arg(i + 1));
    }
    return painter.end();
}

inline QVector<QSizeF> a4Pages(int count)
{
    return QVector<QSizeF>(count, QSizeF(595, 842));
}

// A PDF written by hand from its objects, numbered from 1; the first is the catalog.
inline bool writeRawPdfObjects(const QString &path, const QStringList &objects)
{
    const QByteArray count = QByteArray::number(objects.size() + 1);
    QByteArray out = "%PDF-1.4\n", xref = "xref\n0 " + count + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i).toLatin1() + "\nendobj\n";
    }
    out += xref + "trailer\n<< /Size " + count + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(out.size()) + "\n%%EOF\n";
    return FileSystem::writeBytes(path, out);
}

// A form XObject for writeRawPdfObjects: an appearance of width x height points.
inline QString pdfForm(double width, double height, const QString &content)
{
    return QStringLiteral(
               "<< /Type /XObject /Subtype /Form /BBox [0 0 %1 %2] /Length %3 >>\n"
               "stream\n%4\nendstream")
        .arg(width)
        .arg(height)
        .arg(content.toLatin1().size())
        .arg(content);
}

// A PDF written by hand from its page objects' dictionaries (MediaBox etc.); no entries give a
// document without pages.
inline bool writeRawPdf(const QString &path, const QStringList &pageDictionaries)
{
    QStringList kids, objects{QStringLiteral("<< /Type /Catalog /Pages 2 0 R >>"), QString()};
    for (const QString &page : pageDictionaries) {
        kids << QStringLiteral("%1 0 R").arg(objects.size() + 1);
        objects << QStringLiteral("<< /Type /Page /Parent 2 0 R %1 >>").arg(page);
    }
    objects[1] = QStringLiteral("<< /Type /Pages /Kids [%1] /Count %2 >>")
                     .arg(kids.join(' '))
                     .arg(kids.size());
    return writeRawPdfObjects(path, objects);
}

// A page dictionary for writeRawPdf (300 x 300 pt unless given) with three annotations and no
// appearance streams of their own: a red square (border 6 pt) from (20, 100) to (100, 200), a
// yellow highlight over (150, 200)-(250, 250) and a blue ink line across y = 50, all in PDF
// points (y upwards).
inline QString annotatedPage(const QString &mediaBox = QStringLiteral("[0 0 300 300]"))
{
    return QStringLiteral("/MediaBox ") + mediaBox +
           QStringLiteral(
               " /Annots ["
               "<< /Type /Annot /Subtype /Square /Rect [17 97 103 203] /C [1 0 0] /BS << /W 6 >> "
               ">> "
               "<< /Type /Annot /Subtype /Highlight /Rect [150 200 250 250] /C [1 1 0] "
               "/QuadPoints [150 250 250 250 150 200 250 200] >> "
               "<< /Type /Annot /Subtype /Ink /Rect [20 40 280 60] /C [0 0 1] /BS << /W 8 >> "
               "/InkList [[30 50 270 50]] >>]");
}

// Legal landscape, portrait, landscape: a portrait page among landscape ones.
inline QVector<QSizeF> mixedLegalPages()
{
    return {QSizeF(1008, 612), QSizeF(612, 1008), QSizeF(1008, 612)};
}

// An AES-256 copy of source opened by the user password.
inline bool encryptPdf(const QString &source, const QString &target, const QString &password)
{
    ChildProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--encrypt"), password, password + QStringLiteral("-owner"),
                QStringLiteral("256"), QStringLiteral("--"), source, target});
    return qpdf.waitForFinished(30000) && qpdf.exitCode() == 0;
}

// A file that does not open as a document, by kind: "missing", "random" bytes, "truncated"
// half of good, "empty" (no pages), "tiny" (its one page too small to show), or else a copy of
// good locked with the password "right".
inline bool writeBadPdf(const QString &path, const QString &kind, const QString &good)
{
    const QByteArray whole = FileSystem::readAll(good);
    if (kind == QLatin1String("missing"))
        return true;
    if (kind == QLatin1String("empty") || kind == QLatin1String("tiny"))
        return writeRawPdf(path, kind == QLatin1String("tiny")
                                     ? QStringList{QStringLiteral("/MediaBox [0 0 0.2 0.2]")}
                                     : QStringList());
    if (kind == QLatin1String("random") || kind == QLatin1String("truncated"))
        return FileSystem::writeBytes(path, kind == QLatin1String("random")
                                                ? QByteArray(5000, '\x7f')
                                                : whole.left(whole.size() / 2));
    return encryptPdf(good, path, QStringLiteral("right"));
}

// How many pixels of a rendered page in area show the tests' blue ink.
inline int inkPixels(const QImage &page, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = page.pixelColor(x, y);
            count += c.blue() > 150 && c.red() < 120 && c.green() < 150;
        }
    }
    return count;
}
