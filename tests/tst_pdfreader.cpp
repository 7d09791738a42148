#include <QTemporaryDir>
#include <QtTest>

#include "pdf/pdfreader.h"

#include "pdffixtures.h"
#include "requiredprograms.h"

namespace {

// A one-page document of 300 x 300 points whose catalog has extra entries (a form) and whose
// page holds the annotations; the objects that follow the page are numbered from 4.
bool writeFormPdf(const QString &path, const QString &catalog, const QString &annots,
                  const QStringList &more)
{
    return writeRawPdfObjects(
        path, QStringList{QStringLiteral("<< /Type /Catalog /Pages 2 0 R %1 >>").arg(catalog),
                          QStringLiteral("<< /Type /Pages /Kids [3 0 R] /Count 1 >>"),
                          QStringLiteral("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] "
                                         "/Annots [%1] >>")
                              .arg(annots)} +
                  more);
}

QImage popplerPage(const QString &pdf)
{
    const QString prefix = pdf + QStringLiteral(".poppler");
    QProcess poppler;
    poppler.start(QStringLiteral("pdftoppm"), {"-r", "72", "-singlefile", "-png", pdf, prefix});
    if (!poppler.waitForFinished(30000) || poppler.exitCode() != 0)
        return QImage();
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

int darkPixels(const QImage &page, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += qGray(page.pixel(x, y)) < 100;
    }
    return count;
}

} // namespace

class PdfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"qpdf", "pdftoppm"}); }
    void labelsFollowEachLoadAndLeaveZeroWidthPagesOut();
    void annotationsAreDrawn();
    void formWidgetsShowAsPopplerShowsThem_data();
    void formWidgetsShowAsPopplerShowsThem();
    void fieldsThatNeedAppearancesShowTheirValues();
};

void PdfReaderTest::labelsFollowEachLoadAndLeaveZeroWidthPagesOut()
{
    // Regressions: the labels of a second load were those of the first document; a page of
    // width 0 divided by zero. Such a page is left out and the labels still match the board's
    // pages one to one.
    QTemporaryDir dir;
    const QString threePages = dir.filePath(QStringLiteral("three.pdf"));
    const QString locked = dir.filePath(QStringLiteral("locked.pdf"));
    const QString zero = dir.filePath(QStringLiteral("zero.pdf"));
    const QString allZero = dir.filePath(QStringLiteral("allzero.pdf"));
    QVERIFY(writeTestPdf(threePages, a4Pages(3)));
    QVERIFY(encryptPdf(threePages, locked, QStringLiteral("right")));
    QVERIFY(writeRawPdf(
        zero, {"/MediaBox [0 0 595 842]", "/MediaBox [0 0 0.2 842]", "/MediaBox [0 0 842 595]"}));
    QVERIFY(writeRawPdf(allZero, {"/MediaBox [0 0 0.2 0.2]"}));

    PDFReader reader;
    reader.setScreenMetrics(4.0, 0);
    QVERIFY(reader.load(threePages));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 2 页", "第 3 页"}));
    // A failed load keeps nothing of the document before; the prompt comes once.
    int asked = 0;
    PDFReader::setPasswordAsker([&asked](QString *password) {
        *password = QStringLiteral("guess");
        return ++asked > 0;
    });
    QVERIFY(!reader.load(locked));
    PDFReader::setPasswordAsker(nullptr);
    QCOMPARE(asked, 1);
    QCOMPARE(reader.status(), 3);
    QCOMPARE(reader.errorText(), QStringLiteral("密码错误"));
    QVERIFY(reader.pageLabels().isEmpty());
    QCOMPARE(reader.usablePageCount(), 0);
    QVERIFY(reader.pageImage(0, 1.0).isNull());
    QVERIFY(reader.load(zero));
    QCOMPARE(reader.pdfPageCount(), 3);
    QCOMPARE(reader.pageNumbers(), QList<int>({0, 2}));
    QCOMPARE(reader.pageSizes(), QList<QSize>({{840, 1188}, {1188, 840}}));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 3 页"}));
    QCOMPARE(reader.pageLabelIndexes(), QList<int>({0, 1}));
    QVERIFY(reader.pageImage(1, 1.0).isNull());
    const QImage last = reader.pageImage(2, 1.0);
    QCOMPARE(last.size(), QSize(1188, 840));
    // PDFium leaves blank paper transparent: it must come out opaque white.
    QCOMPARE(last.pixel(last.width() / 2, last.height() / 2), qRgba(255, 255, 255, 255));
    // Laid on white in bands: no row of any band keeps the library's transparent paper.
    QImage paper(last.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QCOMPARE(last, paper);
    QCOMPARE(reader.pageImage(2, 0.5).size(), QSize(594, 420));
    QVERIFY(reader.pageImage(-1, 1.0).isNull());
    QVERIFY(reader.pageImage(3, 1.0).isNull());
    QVERIFY(reader.load(allZero));
    QCOMPARE(reader.usablePageCount(), 0);
    QVERIFY(reader.pageLabels().isEmpty());
}

void PdfReaderTest::annotationsAreDrawn()
{
    // Regression: the page was rendered bare, without its highlights, shapes and ink.
    QTemporaryDir dir;
    const QString marked = dir.filePath(QStringLiteral("marked.pdf"));
    QVERIFY(writeRawPdf(marked, {annotatedPage()}));
    PDFReader reader;
    reader.setScreenMetrics(72 / 25.4, 0);
    QVERIFY(reader.load(marked));
    const QImage page = reader.pageImage(0, 1.0);
    QCOMPARE(page.size(), QSize(300, 300));
    QCOMPARE(page.format(), QImage::Format_RGB32);
    // PDF y runs upwards: the square's border, the highlight and the ink line, each in its colour.
    const auto near = [&page](int x, int y, QColor want) {
        const QColor c = page.pixelColor(x, y);
        return qAbs(c.red() - want.red()) < 60 && qAbs(c.green() - want.green()) < 60 &&
               qAbs(c.blue() - want.blue()) < 60;
    };
    QVERIFY(near(20, 150, Qt::red));
    QVERIFY(near(200, 75, Qt::yellow));
    QVERIFY(near(150, 250, Qt::blue));
    QVERIFY(near(60, 150, Qt::white));
}

void PdfReaderTest::formWidgetsShowAsPopplerShowsThem_data()
{
    QTest::addColumn<QString>("catalog");
    QTest::addColumn<QString>("annots");
    QTest::addColumn<QStringList>("more");
    // Points of the page, y upwards, where the two renderings are compared.
    QTest::addColumn<QVector<QPoint>>("spots");
    // A blue text field, a red push button (a reset button), a ticked and an unticked check box
    // (green when ticked) and a hidden magenta field.
    const QString widget = QStringLiteral("<< /Type /Annot /Subtype /Widget /P 3 0 R /F 4 %1 >>");
    QTest::newRow("fields with appearance streams")
        << QStringLiteral("/AcroForm << /Fields [4 0 R 5 0 R 6 0 R 7 0 R 8 0 R] >>")
        << QStringLiteral("4 0 R 5 0 R 6 0 R 7 0 R 8 0 R")
        << QStringList{widget.arg("/FT /Tx /T (name) /Rect [20 220 180 260] /AP << /N 9 0 R >>"),
                       widget.arg("/FT /Btn /Ff 65536 /T (reset) /Rect [20 150 120 190] "
                                  "/A << /S /ResetForm >> /AP << /N 10 0 R >>"),
                       widget.arg("/FT /Btn /T (yes) /V /Yes /AS /Yes /Rect [200 150 230 180] "
                                  "/AP << /N << /Yes 11 0 R /Off 12 0 R >> >>"),
                       widget.arg("/FT /Btn /T (no) /V /Off /AS /Off /Rect [240 150 270 180] "
                                  "/AP << /N << /Yes 11 0 R /Off 12 0 R >> >>"),
                       QStringLiteral("<< /Type /Annot /Subtype /Widget /P 3 0 R /F 2 /FT /Tx "
                                      "/T (hidden) /Rect [200 220 280 260] "
                                      "/AP << /N 13 0 R >> >>"),
                       pdfForm(160, 40, "0 0 1 rg 0 0 160 40 re f"),
                       pdfForm(100, 40, "1 0 0 rg 0 0 100 40 re f"),
                       pdfForm(30, 30, "0 0.6 0 rg 0 0 30 30 re f"),
                       pdfForm(30, 30, ""),
                       pdfForm(80, 40, "1 0 1 rg 0 0 80 40 re f")}
        << QVector<QPoint>{{100, 240}, {70, 170}, {215, 165}, {255, 165}, {240, 240}, {150, 80}};
    // Links draw nothing unless they bring an appearance of their own.
    QTest::newRow("links")
        << QString() << QStringLiteral("4 0 R 5 0 R")
        << QStringList{QStringLiteral(
                           "<< /Type /Annot /Subtype /Link /Rect [20 20 120 60] "
                           "/Border [0 0 0] /AP << /N 6 0 R >> /A << /S /URI /URI (a) >> >>"),
                       QStringLiteral("<< /Type /Annot /Subtype /Link /Rect [150 20 250 60] "
                                      "/Border [0 0 0] /A << /S /URI /URI (b) >> >>"),
                       pdfForm(100, 40, "1 0 0 rg 0 0 100 40 re f")}
        << QVector<QPoint>{{70, 40}, {200, 40}, {150, 150}};
}

void PdfReaderTest::formWidgetsShowAsPopplerShowsThem()
{
    // Regression: form fields were not drawn at all, where other readers show them.
    QFETCH(QString, catalog);
    QFETCH(QString, annots);
    QFETCH(QStringList, more);
    QFETCH(QVector<QPoint>, spots);
    QB_REQUIRE_PROGRAM("pdftoppm");
    QTemporaryDir dir;
    const QString form = dir.filePath(QStringLiteral("form.pdf"));
    QVERIFY(writeFormPdf(form, catalog, annots, more));
    PDFReader reader;
    reader.setScreenMetrics(72 / 25.4, 0);
    QVERIFY(reader.load(form));
    QTRY_VERIFY(!reader.readingAnnotations());
    const QImage ours = reader.pageImage(0, 1.0);
    const QImage theirs = popplerPage(form);
    QCOMPARE(ours.size(), QSize(300, 300));
    QCOMPARE(theirs.size(), ours.size());
    for (const QPoint &spot : spots) {
        const QPoint at(spot.x(), 300 - spot.y());
        const QRgb a = ours.pixel(at), b = theirs.pixel(at);
        QVERIFY2(qAbs(qRed(a) - qRed(b)) < 40 && qAbs(qGreen(a) - qGreen(b)) < 40 &&
                     qAbs(qBlue(a) - qBlue(b)) < 40,
                 qPrintable(QStringLiteral("at (%1, %2): ours %3, poppler's %4")
                                .arg(spot.x())
                                .arg(spot.y())
                                .arg(a, 8, 16)
                                .arg(b, 8, 16)));
    }
}

void PdfReaderTest::fieldsThatNeedAppearancesShowTheirValues()
{
    // A form whose fields bring no appearance and ask the reader to make them: the text field's
    // value is shown in its font, as poppler shows it.
    QB_REQUIRE_PROGRAM("pdftoppm");
    QTemporaryDir dir;
    const QString form = dir.filePath(QStringLiteral("needs.pdf"));
    QVERIFY(writeFormPdf(
        form,
        QStringLiteral("/AcroForm << /Fields [4 0 R] /NeedAppearances true "
                       "/DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv 5 0 R >> >> >>"),
        QStringLiteral("4 0 R"),
        {QStringLiteral("<< /Type /Annot /Subtype /Widget /P 3 0 R /F 4 /FT /Tx /T (name) "
                        "/V (Hello field) /DA (/Helv 20 Tf 0 g) /Rect [20 220 280 260] >>"),
         QStringLiteral("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                        "/Encoding /WinAnsiEncoding >>")}));
    PDFReader reader;
    reader.setScreenMetrics(72 / 25.4, 0);
    QVERIFY(reader.load(form));
    QTRY_VERIFY(!reader.readingAnnotations());
    const QRect field(20, 40, 260, 40);
    const int ours = darkPixels(reader.pageImage(0, 1.0), field);
    const int theirs = darkPixels(popplerPage(form), field);
    QVERIFY2(theirs > 100, qPrintable(QString::number(theirs)));
    QVERIFY2(ours > theirs / 2 && ours < theirs * 2,
             qPrintable(QStringLiteral("ours %1, poppler's %2").arg(ours).arg(theirs)));
}

QTEST_MAIN(PdfReaderTest)
#include "tst_pdfreader.moc"
