#pragma once

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSizeF>
#include <QString>
#include <QVector>

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
    for (int i = 0; i < pagePoints.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(pagePoints.at(i), QPageSize::Point));
            writer.newPage();
        } else if (!painter.begin(&writer)) {
            return false;
        }
        const QSizeF s = pagePoints.at(i);
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

// A PDF written by hand from its page objects' dictionaries (MediaBox etc.); "" gives a
// document without pages.
inline bool writeRawPdf(const QString &path, const QStringList &pageDictionaries)
{
    QByteArray out = "%PDF-1.4\n";
    QVector<int> offsets;
    QStringList kids;
    for (int i = 0; i < pageDictionaries.size(); ++i)
        kids << QStringLiteral("%1 0 R").arg(i + 3);
    QStringList objects;
    objects << QStringLiteral("<< /Type /Catalog /Pages 2 0 R >>");
    objects << QStringLiteral("<< /Type /Pages /Kids [%1] /Count %2 >>")
                   .arg(kids.join(' '))
                   .arg(pageDictionaries.size());
    for (const QString &page : pageDictionaries)
        objects << QStringLiteral("<< /Type /Page /Parent 2 0 R %1 >>").arg(page);
    for (int i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i).toLatin1() + "\nendobj\n";
    }
    const int xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

// An AES-256 copy of source opened by the user password.
inline bool encryptPdf(const QString &source, const QString &target, const QString &password)
{
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--encrypt"), password, password + QStringLiteral("-owner"),
                QStringLiteral("256"), QStringLiteral("--"), source, target});
    return qpdf.waitForFinished(30000) && qpdf.exitCode() == 0;
}
