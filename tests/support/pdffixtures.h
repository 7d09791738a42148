#pragma once

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTransform>

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

// A stream for writeRawPdfObjects: its dictionary's entries and its bytes (as Latin-1).
inline QString pdfStream(const QString &entries, const QString &data)
{
    return QStringLiteral("<< %1 /Length %2 >>\nstream\n").arg(entries).arg(data.size()) + data +
           QStringLiteral("\nendstream");
}

// A form XObject for writeRawPdfObjects: an appearance of width x height points.
inline QString pdfForm(double width, double height, const QString &content)
{
    return pdfStream(
        QStringLiteral("/Type /XObject /Subtype /Form /BBox [0 0 %1 %2]").arg(width).arg(height),
        content);
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

inline bool isBlueInk(const QColor &c)
{
    return c.blue() > 150 && c.red() < 120 && c.green() < 150;
}

// How many pixels of a rendered page in area are of a colour (the tests' blue ink).
inline int inkPixels(const QImage &page, const QRect &area, bool (*is)(const QColor &) = isBlueInk)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += is(page.pixelColor(x, y));
    }
    return count;
}

// The text field and the print-only stamp of writeScannedPdf's form, in PDF points (y upwards).
constexpr QRectF scannedField(60, 100, 340, 60), scannedStamp(420, 700, 100, 100);

// Dark pixels (or, with red, red ones) of a rendered A4 page inside a rectangle in PDF points.
inline int pagePixels(const QImage &page, const QRectF &points, bool red = false)
{
    const double s = page.width() / 595.0;
    return inkPixels(
        page, QTransform(s, 0, 0, -s, 0, 842 * s).mapRect(points).toRect(),
        red ? +[](const QColor &c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; }
            : +[](const QColor &c) { return qGray(c.rgb()) < 100; });
}

// A4 pages, each one JPEG scan; with form, page 1 also has a text field "Quillboard" (drawn by
// the reader) and a red square stamped for print only (NoView), as above.
inline bool writeScannedPdf(const QString &path, int pages, bool form)
{
    QImage paper(1240, 1754, QImage::Format_Grayscale8);
    QRandomGenerator noise(7);
    for (int i = 0, x = 0, y = 0; y < paper.height(); x = ++i % 1240, y = i / 1240)
        paper.bits()[i] =
            uchar(noise.bounded(16) + (y > 300 && y < 1000 && y / 30 % 2 && x < 800 ? 40 : 232));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !paper.save(&buffer, "JPEG", 80))
        return false;
    // The form's field, stamp, stamp appearance and font come first, the pages from 7 on.
    QStringList kids,
        objects{
            QStringLiteral("<< /Type /Catalog /Pages 2 0 R %1 >>")
                .arg(form ? "/AcroForm << /Fields [3 0 R] /NeedAppearances true /DR << /Font << "
                            "/Helv 6 0 R >> >> >>"
                          : ""),
            QString(),
            "<< /Type /Annot /Subtype /Widget /P 7 0 R /F 4 /FT /Tx /T (a) /V (Quillboard) "
            "/DA (/Helv 24 Tf 0 g) /Rect [60 100 400 160] >>",
            "<< /Type /Annot /Subtype /Stamp /F 36 /Rect [420 700 520 800] /AP << /N 5 0 R >> >>",
            pdfForm(100, 100, "1 0 0 rg 0 0 100 100 re f"),
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"};
    for (int n = 7; n < 3 * pages + 7; n += 3) {
        kids << QStringLiteral("%1 0 R").arg(n);
        objects << QStringLiteral(
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents "
                       "%1 0 R /Resources << /XObject << /Scan %2 0 R >> >> %3 >>")
                       .arg(n + 1)
                       .arg(n + 2)
                       .arg(form && n == 7 ? "/Annots [3 0 R 4 0 R]" : "")
                << pdfStream(QString(), "q 595 0 0 842 0 0 cm /Scan Do Q")
                << pdfStream(
                       "/Type /XObject /Subtype /Image /Width 1240 /Height 1754 /ColorSpace "
                       "/DeviceGray /BitsPerComponent 8 /Filter /DCTDecode",
                       QString::fromLatin1(jpeg.constData(), jpeg.size()));
    }
    objects[1] =
        "<< /Type /Pages /Kids [" + kids.join(' ') + "] /Count " + QString::number(pages) + " >>";
    return writeRawPdfObjects(path, objects);
}
