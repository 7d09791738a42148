#include <QTemporaryDir>
#include <QtTest>

#include "pdf/pdfreader.h"

#include "pdffixtures.h"

class PdfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void labelsFollowEachLoadAndLeaveZeroWidthPagesOut();
    void annotationsAreDrawn();
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

QTEST_MAIN(PdfReaderTest)
#include "tst_pdfreader.moc"
