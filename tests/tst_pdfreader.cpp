#include <QTemporaryDir>
#include <QtTest>

#include "drawing/pagelimits.h"
#include "pdf/pdfreader.h"

#include "pdffixtures.h"

class PdfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(writeTestPdf(threePages, a4Pages(3))); }
    void sizesFromPoints_data();
    void sizesFromPoints();
    void labelsFollowEachLoadAndLeaveZeroWidthPagesOut();

private:
    QString blank(const QString &name, const QVector<QSizeF> &points)
    {
        return writeBlankPdf(dir.filePath(name), points) ? dir.filePath(name) : QString();
    }

    QTemporaryDir dir;
    const QString threePages = dir.filePath(QStringLiteral("three.pdf"));
};

void PdfReaderTest::sizesFromPoints_data()
{
    QTest::addColumn<QVector<QSizeF>>("points");
    QTest::addColumn<int>("fitLimit");
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    // 595 x 842 points are 210 x 297 mm: 840 x 1188 pixels at 4 pixels per millimetre.
    const QSize a4(840, 1188);
    QTest::newRow("A4 wider than the limit") << a4Pages(1) << 800 << QList<QSize>{a4} << a4 << a4;
    QTest::newRow("A4 as wide as the limit") << a4Pages(1) << 840 << QList<QSize>{a4} << a4 << a4;
    // One common factor 2: the widest page becomes exactly as wide as the limit.
    QTest::newRow("mixed pages enlarged")
        << QVector<QSizeF>{{595, 842}, {842, 595}, {421, 595}} << 2376
        << QList<QSize>{{1680, 2376}, {2376, 1680}, {1188, 1680}} << QSize(1188, 1680)
        << QSize(2376, 2376);
    // A page 2 metres wide beside an A4 page: within the page size limit, in proportion.
    QTest::newRow("page 2 metres wide") << QVector<QSizeF>{{595, 842}, {5669.3, 850}} << 1000
                                        << QList<QSize>{a4, {maximumPageSide, 614}}
                                        << QSize(840, 614) << QSize(maximumPageSide, 1188);
}

void PdfReaderTest::sizesFromPoints()
{
    QFETCH(QVector<QSizeF>, points);
    QFETCH(int, fitLimit);
    QFETCH(QList<QSize>, sizes);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    PDFReader reader;
    reader.setScreenMetrics(4.0, fitLimit);
    QVERIFY(reader.load(blank(QStringLiteral("sizes.pdf"), points)));
    QCOMPARE(reader.pageSizes(), sizes);
    QCOMPARE(QSize(reader.minPageWidth(), reader.minPageHeight()), minimum);
    QCOMPARE(QSize(reader.maxPageWidth(), reader.maxPageHeight()), maximum);
    QCOMPARE(reader.usablePageCount(), points.size());
    QCOMPARE(reader.pageNumbers().size(), points.size());
    QCOMPARE(qRound(points.first().width() * reader.pixelsPerPoint()), sizes.first().width());
    // PDFium leaves blank paper transparent: it must come out opaque white.
    const QImage last = reader.pageImage(points.size() - 1, 1.0);
    QCOMPARE(last.size(), sizes.last());
    QCOMPARE(last.pixel(last.width() / 2, last.height() / 2), qRgba(255, 255, 255, 255));
}

void PdfReaderTest::labelsFollowEachLoadAndLeaveZeroWidthPagesOut()
{
    // Regressions: the labels of a second load were those of the first document; a page of
    // width 0 divided by zero. Such a page is left out and the labels still match the board's
    // pages one to one.
    PDFReader reader;
    reader.setScreenMetrics(4.0, 0);
    QVERIFY(reader.load(threePages));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 2 页", "第 3 页"}));
    // A failed load keeps nothing of the document before; the prompt comes once.
    const QString locked = dir.filePath(QStringLiteral("locked.pdf"));
    QVERIFY(writeBadPdf(locked, QStringLiteral("wrong"), threePages));
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
    QVERIFY(reader.load(blank(QStringLiteral("zero.pdf"), {{595, 842}, {0.2, 842}, {842, 595}})));
    QCOMPARE(reader.pdfPageCount(), 3);
    QCOMPARE(reader.pageNumbers(), QList<int>({0, 2}));
    QCOMPARE(reader.pageSizes(), QList<QSize>({{840, 1188}, {1188, 840}}));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 3 页"}));
    QCOMPARE(reader.pageLabelIndexes(), QList<int>({0, 1}));
    QVERIFY(reader.pageImage(1, 1.0).isNull());
    QCOMPARE(reader.pageImage(2, 1.0).size(), QSize(1188, 840));
    QCOMPARE(reader.pageImage(2, 0.5).size(), QSize(594, 420));
    QVERIFY(reader.pageImage(-1, 1.0).isNull());
    QVERIFY(reader.pageImage(3, 1.0).isNull());
    QVERIFY(reader.load(blank(QStringLiteral("allzero.pdf"), {{0.2, 0.2}})));
    QCOMPARE(reader.usablePageCount(), 0);
    QVERIFY(reader.pageLabels().isEmpty());
}

QTEST_MAIN(PdfReaderTest)
#include "tst_pdfreader.moc"
