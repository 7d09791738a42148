#include <QTemporaryDir>
#include <QtTest>

#include "app/filesystem.h"
#include "drawing/pagelimits.h"
#include "pdf/pdfreader.h"

#include "pdffixtures.h"

class PdfReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void sizesFromPoints_data();
    void sizesFromPoints();
    void failuresNameTheirCause_data();
    void failuresNameTheirCause();
    void labelsFollowEachLoad();
    void zeroWidthPageIsLeftOut();
    void pageImageIsOpaqueAndSized();

private:
    QString file(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString threePages;
};

void PdfReaderTest::initTestCase()
{
    QVERIFY(dir.isValid());
    threePages = file(QStringLiteral("three.pdf"));
    QVERIFY(writeTestPdf(threePages, a4Pages(3)));
}

void PdfReaderTest::cleanup()
{
    PDFReader::setPasswordAsker(nullptr);
}

void PdfReaderTest::sizesFromPoints_data()
{
    QTest::addColumn<QVector<QSizeF>>("points");
    QTest::addColumn<int>("fitLimit");
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    // 595 x 842 points are 210 x 297 mm: 840 x 1188 pixels at 4 pixels per millimetre.
    QTest::newRow("A4 wider than the limit")
        << QVector<QSizeF>{{595, 842}} << 800 << QList<QSize>{{840, 1188}} << QSize(840, 1188)
        << QSize(840, 1188);
    QTest::newRow("A4 as wide as the limit")
        << QVector<QSizeF>{{595, 842}} << 840 << QList<QSize>{{840, 1188}} << QSize(840, 1188)
        << QSize(840, 1188);
    // One common factor 2: the widest page becomes exactly as wide as the limit.
    QTest::newRow("mixed pages enlarged")
        << QVector<QSizeF>{{595, 842}, {842, 595}, {421, 595}} << 2376
        << QList<QSize>{{1680, 2376}, {2376, 1680}, {1188, 1680}} << QSize(1188, 1680)
        << QSize(2376, 2376);
    // A page 2 metres wide beside an A4 page: shown within the page size limit, in proportion.
    QTest::newRow("page 2 metres wide") << QVector<QSizeF>{{595, 842}, {5669.3, 850}} << 1000
                                        << QList<QSize>{{840, 1188}, {maximumPageSide, 614}}
                                        << QSize(840, 614) << QSize(maximumPageSide, 1188);
}

void PdfReaderTest::sizesFromPoints()
{
    QFETCH(QVector<QSizeF>, points);
    QFETCH(int, fitLimit);
    QFETCH(QList<QSize>, sizes);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    const QString path = file(QStringLiteral("sizes.pdf"));
    QStringList pages;
    for (const QSizeF &p : points)
        pages << QStringLiteral("/MediaBox [0 0 %1 %2]").arg(p.width()).arg(p.height());
    QVERIFY(writeRawPdf(path, pages));
    PDFReader reader;
    reader.setScreenMetrics(4.0, fitLimit);
    QVERIFY(reader.load(path));
    QCOMPARE(reader.pageSizes(), sizes);
    QCOMPARE(QSize(reader.minPageWidth(), reader.minPageHeight()), minimum);
    QCOMPARE(QSize(reader.maxPageWidth(), reader.maxPageHeight()), maximum);
    QCOMPARE(reader.usablePageCount(), points.size());
    QList<int> numbers;
    for (int i = 0; i < points.size(); ++i)
        numbers << i;
    QCOMPARE(reader.pageNumbers(), numbers);
    // Pixels per point turns the first page's points into its pixels.
    QCOMPARE(qRound(points.first().width() * reader.pixelsPerPoint()), sizes.first().width());
    QCOMPARE(reader.pageImage(points.size() - 1, 1.0).size(), sizes.last());
}

void PdfReaderTest::failuresNameTheirCause_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");

    const QByteArray whole = FileSystem::readAll(threePages);
    QVERIFY(!whole.isEmpty());
    QTest::newRow("missing") << "missing.pdf" << QByteArray() << 5 << "未找到文件";
    QTest::newRow("random bytes") << "random.pdf" << QByteArray(4000, '\x9c') << 2
                                  << "文件格式错误";
    QTest::newRow("truncated download")
        << "truncated.pdf" << whole.left(whole.size() / 3) << 2 << "文件格式错误";
    QTest::newRow("no pages") << "empty.pdf" << QByteArray("raw") << 0 << "空白文件";
    // A cancelled prompt and a wrong password give one status; the prompt comes once.
    QTest::newRow("password cancelled") << "cancel.pdf" << QByteArray("cancel") << 3 << "密码错误";
    QTest::newRow("wrong password") << "wrong.pdf" << QByteArray("wrong") << 3 << "密码错误";
}

void PdfReaderTest::failuresNameTheirCause()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, text);
    const QString path = file(name);
    const bool locked = content == "cancel" || content == "wrong";
    int asked = 0;
    PDFReader::setPasswordAsker([&](QString *password) {
        ++asked;
        *password = QStringLiteral("guess");
        return content == "wrong";
    });
    if (content == "raw")
        QVERIFY(writeRawPdf(path, {}));
    else if (locked)
        QVERIFY(encryptPdf(threePages, path, QStringLiteral("秘密 pw")));
    else if (!content.isEmpty())
        QVERIFY(FileSystem::writeBytes(path, content));
    PDFReader reader;
    // A reader that held a document before fails cleanly too.
    QVERIFY(reader.load(threePages));
    QVERIFY(!reader.load(path));
    QCOMPARE(asked, locked ? 1 : 0);
    QCOMPARE(reader.status(), status);
    QCOMPARE(reader.errorText(), text);
    QVERIFY(reader.pageLabels().isEmpty());
    QCOMPARE(reader.usablePageCount(), 0);
    QVERIFY(reader.pageImage(0, 1.0).isNull());
}

void PdfReaderTest::labelsFollowEachLoad()
{
    // Regression: the labels of a second load were those of the first document.
    const QString two = file(QStringLiteral("two.pdf"));
    QVERIFY(writeTestPdf(two, a4Pages(2)));
    PDFReader reader;
    QVERIFY(reader.load(threePages));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 2 页", "第 3 页"}));
    QVERIFY(reader.load(two));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 2 页"}));
    QCOMPARE(reader.pageLabelIndexes(), QList<int>({0, 1}));
}

void PdfReaderTest::zeroWidthPageIsLeftOut()
{
    // Regression: a page of width 0 divided by zero; it is left out and the labels still match
    // the board's pages one to one.
    const QString path = file(QStringLiteral("zero.pdf"));
    QVERIFY(writeRawPdf(
        path, {QStringLiteral("/MediaBox [0 0 595 842]"), QStringLiteral("/MediaBox [0 0 0.2 842]"),
               QStringLiteral("/MediaBox [0 0 842 595]")}));
    PDFReader reader;
    reader.setScreenMetrics(4.0, 0);
    QVERIFY(reader.load(path));
    QCOMPARE(reader.pdfPageCount(), 3);
    QCOMPARE(reader.pageNumbers(), QList<int>({0, 2}));
    QCOMPARE(reader.pageSizes(), QList<QSize>({{840, 1188}, {1188, 840}}));
    QCOMPARE(reader.pageLabels(), QStringList({"第 1 页", "第 3 页"}));
    QCOMPARE(reader.pageLabelIndexes(), QList<int>({0, 1}));
    QVERIFY(reader.pageImage(1, 1.0).isNull());
    QCOMPARE(reader.pageImage(2, 1.0).size(), QSize(1188, 840));

    const QString none = file(QStringLiteral("allzero.pdf"));
    QVERIFY(writeRawPdf(none, {QStringLiteral("/MediaBox [0 0 0.2 0.2]")}));
    QVERIFY(reader.load(none));
    QCOMPARE(reader.usablePageCount(), 0);
    QVERIFY(reader.pageLabels().isEmpty());
}

void PdfReaderTest::pageImageIsOpaqueAndSized()
{
    PDFReader reader;
    reader.setScreenMetrics(4.0, 0);
    QVERIFY(reader.pageImage(0, 1.0).isNull());
    QVERIFY(reader.load(threePages));
    const QImage page = reader.pageImage(1, 1.0);
    QCOMPARE(page.size(), QSize(840, 1188));
    // The paper is opaque white; the bar along the top edge is black.
    QCOMPARE(page.pixel(600, 1100), qRgb(255, 255, 255));
    QCOMPARE(qAlpha(page.pixel(600, 1100)), 255);
    QVERIFY(qGray(page.pixel(400, 10)) < 40);
    QCOMPARE(reader.pageImage(1, 0.5).size(), QSize(420, 594));
    QVERIFY(reader.pageImage(-1, 1.0).isNull());
    QVERIFY(reader.pageImage(3, 1.0).isNull());
}

QTEST_MAIN(PdfReaderTest)
#include "tst_pdfreader.moc"
