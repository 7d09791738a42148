#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "drawing/paintdata.h"

#include "pdfboard.h"
#include "pdffixtures.h"

namespace {

QString rawPages(const QVector<QSizeF> &points, const QString &path)
{
    QStringList pages;
    for (const QSizeF &p : points)
        pages << QStringLiteral("/MediaBox [0 0 %1 %2]").arg(p.width()).arg(p.height());
    return writeRawPdf(path, pages) ? path : QString();
}

} // namespace

class PdfCanvasTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layoutOfMixedPages_data();
    void layoutOfMixedPages();
    void onlyVisiblePagesAreCachedAndOneAhead();
    void pageInViewFollowsScroll();
    void zoomLimits_data();
    void zoomLimits();
    void zoomKeepsScrollPosition();
    void wheelWithoutCtrlScrolls();
    void rotateAndMirrorKeepPageInView();
    void stateFileContents_data();
    void stateFileContents();
    void stateKeyTellsChinesePathsApart();
    void firstPageIsPaintedWithoutScroll();
    void badIndexOrClosedDocumentIsSafe();
    void exportedPageLeavesCacheAlone();

private:
    QTemporaryDir dir;
    QString twenty;
    QString mixed;
};

void PdfCanvasTest::initTestCase()
{
    QVERIFY(dir.isValid());
    twenty = dir.filePath(QStringLiteral("twenty.pdf"));
    QVERIFY(writeTestPdf(twenty, a4Pages(20)));
    mixed = rawPages({{595.28, 841.89}, {841.89, 595.28}, {566.93, 566.93}},
                     dir.filePath(QStringLiteral("mixed.pdf")));
    QVERIFY(!mixed.isEmpty());
}

void PdfCanvasTest::layoutOfMixedPages_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QVector<int>>("tops");
    QTest::addColumn<QSize>("size");

    // Pages 840 x 1188, 1188 x 840 and 800 x 800 at zoom 1; the first top never scales.
    QTest::newRow("zoom 1") << 1.0 << QVector<int>{15, 1218, 2073} << QSize(1188, 2888);
    // Gaps qRound(22.5) = 23; heights 1782, 1260, 1200.
    QTest::newRow("zoom 1.5") << 1.5 << QVector<int>{15, 1820, 3103} << QSize(1782, 4318);
    // Gaps 27; heights 2138, 1512, 1440.
    QTest::newRow("zoom 1.8") << 1.8 << QVector<int>{15, 2180, 3719} << QSize(2138, 5174);
}

void PdfCanvasTest::layoutOfMixedPages()
{
    QFETCH(double, zoom);
    QFETCH(QVector<int>, tops);
    QFETCH(QSize, size);
    PdfBoard board(mixed, dir.path());
    QVERIFY(board.open(false));
    QCOMPARE(board.canvas->documentReader().pageSizes(),
             QList<QSize>({{840, 1188}, {1188, 840}, {800, 800}}));
    board.canvas->setZoom(zoom);
    QCOMPARE(board.canvas->zoom(), zoom);
    QCOMPARE(board.canvas->pageTops(), tops);
    QCOMPARE(board.canvas->size(), size);
    QCOMPARE(board.canvas->pageBottoms().last() + 15, size.height());
}

void PdfCanvasTest::onlyVisiblePagesAreCachedAndOneAhead()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    QCOMPARE(board.cachedPages(), board.shownPages());
    board.bar()->setValue(300);
    QVERIFY(board.canvas->isRenderedAhead(1));
    // The page made ahead is not held by its page before it is shown.
    QVERIFY(board.canvas->pageList().at(1)->pageImage.isNull());
    board.bar()->setValue(board.canvas->pageTops().at(1) - 200);
    QVERIFY(!board.canvas->isRenderedAhead(1));
    QCOMPARE(board.canvas->pageList().at(1)->pageImage,
             board.canvas->documentReader().pageImage(1, 1.0));
    QVERIFY(board.canvas->isRenderedAhead(2));
    board.bar()->setValue(board.canvas->pageTops().at(9) + 900);
    QCOMPARE(board.cachedPages(), board.shownPages());
    QCOMPARE(board.shownPages(), QList<int>({9, 10}));
    for (int i : board.shownPages())
        QVERIFY(board.canvas->hasPageLayers(i));
    // A jump far away leaves nothing of the pages seen before.
    board.canvas->scrollToPage(19);
    QCOMPARE(board.bar()->value(), board.canvas->pageTops().at(19));
    QCOMPARE(board.cachedPages(), board.shownPages());
    QVERIFY(!board.cachedPages().contains(9));
    QVERIFY(board.cachedPages().contains(19));
    // Scrolling up makes the page above ready instead; only a few are kept.
    board.canvas->scrollToPage(15);
    board.bar()->setValue(board.bar()->value() - 100);
    QCOMPARE(board.shownPages(), QList<int>({14, 15}));
    QVERIFY(board.canvas->isRenderedAhead(13));
    QVERIFY(!board.canvas->isRenderedAhead(1));
    int ready = 0;
    for (int i = 0; i < board.canvas->pageCount(); ++i)
        ready += board.canvas->isRenderedAhead(i) ? 1 : 0;
    QVERIFY(ready <= PageRenderAhead::capacity);
    QCOMPARE(board.cachedPages(), board.shownPages());
}

void PdfCanvasTest::pageInViewFollowsScroll()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    QCOMPARE(board.host.rangeCurrent, 1);
    QCOMPARE(board.host.rangeCount, 20);
    const int half = board.host.area.height() / 2;
    // The middle of the view inside page 5.
    board.bar()->setValue(board.canvas->pageTops().at(5) + 100 - half);
    QCOMPARE(board.canvas->currentPageIndex(), 5);
    QCOMPARE(board.host.comboPage, 5);
    QCOMPARE(board.host.rangeCurrent, 6);
    // The middle of the view in the gap below page 7: the upper page is in view.
    board.bar()->setValue(board.canvas->pageBottoms().at(7) + 7 - half);
    QCOMPARE(board.canvas->currentPageIndex(), 7);
    QCOMPARE(board.host.comboPage, 7);
    // The page chooser asks for page 12: its top comes into view.
    board.canvas->scrollToPage(12);
    QCOMPARE(board.bar()->value(), board.canvas->pageTops().at(12));
    QCOMPARE(board.canvas->currentPageIndex(), 12);
    // A tab switch fills the chooser again and keeps the page.
    board.canvas->runCommand(BoardCommand::ResetKeyState);
    QCOMPARE(board.host.comboLabels.size(), 20);
    QCOMPARE(board.host.comboLabels.at(12), QStringLiteral("第 13 页"));
    QCOMPARE(board.host.comboPages.at(12), 12);
    QCOMPARE(board.host.comboPage, 12);
    QCOMPARE(board.bar()->value(), board.canvas->pageTops().at(12));
}

void PdfCanvasTest::zoomLimits_data()
{
    QTest::addColumn<double>("narrowPoints");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("limit");

    QTest::newRow("steps in stop at 1.8") << 0.0 << 1 << 0.0 << 1.8;
    QTest::newRow("steps out stop at 0.55") << 0.0 << 2 << 0.0 << 0.55;
    // A page 40 pixels wide: 0.7 would show it 28 pixels wide.
    QTest::newRow("narrow page, steps out") << 28.3465 << 2 << 0.0 << 0.75;
    // A pinch reaches 0.74 (qRound(29.6) = 30) but not 0.73.
    QTest::newRow("narrow page, pinch") << 28.3465 << 2 << 0.01 << 0.74;
}

void PdfCanvasTest::zoomLimits()
{
    QFETCH(double, narrowPoints);
    QFETCH(int, kind);
    QFETCH(double, step);
    QFETCH(double, limit);
    QVector<QSizeF> points = {{595.28, 841.89}};
    if (narrowPoints > 0)
        points << QSizeF(narrowPoints, 841.89);
    const QString path = rawPages(points, dir.filePath(QStringLiteral("zoom.pdf")));
    PdfBoard board(path, dir.path());
    QVERIFY(board.open(false));
    for (int i = 0; i < 60; ++i) {
        if (step > 0)
            board.canvas->zoomBy(kind, step);
        else
            board.canvas->zoomStep(kind);
    }
    QVERIFY2(qAbs(board.canvas->zoom() - limit) < 1e-9,
             qPrintable(QString::number(board.canvas->zoom())));
}

void PdfCanvasTest::zoomKeepsScrollPosition()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    board.bar()->setValue(1000);
    QSignalSpy asked(board.canvas, &PdfCanvas::vScrollBarNewValue);
    board.canvas->setZoom(1.5);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.first().first().toInt(), 1500);
    QCOMPARE(board.bar()->value(), 1500);
    // A step from 1.07 first goes to the nearest multiple of 0.05.
    board.canvas->setZoom(1.07);
    board.canvas->zoomStep(1);
    QVERIFY(qAbs(board.canvas->zoom() - 1.1) < 1e-9);
}

void PdfCanvasTest::wheelWithoutCtrlScrolls()
{
    // Regression: the board took every wheel event, so the document never scrolled.
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    const QPoint at(200, 200);
    QWheelEvent plain(at, board.canvas->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QVERIFY(QApplication::sendEvent(board.canvas, &plain) == false || !plain.isAccepted());
    QCOMPARE(board.canvas->zoom(), 1.0);
    QWheelEvent zoomIn(at, board.canvas->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(board.canvas, &zoomIn);
    QVERIFY(zoomIn.isAccepted());
    QVERIFY(qAbs(board.canvas->zoom() - 1.05) < 1e-9);
}

void PdfCanvasTest::rotateAndMirrorKeepPageInView()
{
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    board.canvas->scrollToPage(6);
    QCOMPARE(board.canvas->currentPageIndex(), 6);
    const QSize before = board.canvas->size();
    board.canvas->rotate(2);
    // Width follows the largest page height; each page's height its width.
    QCOMPARE(board.canvas->width(), 1188);
    QCOMPARE(board.canvas->pageBottoms().at(0) - board.canvas->pageTops().at(0), 840);
    QCOMPARE(board.bar()->value(), board.canvas->pageTops().at(6));
    QCOMPARE(board.canvas->currentPageIndex(), 6);
    QCOMPARE(board.cachedPages(), board.shownPages());
    QCOMPARE(board.canvas->pageList().at(6)->layer1.size(), QSize(1188, 840));
    // The turned page: the black bar along its top edge now runs down its right side.
    const QImage base = board.canvas->pageList().at(6)->layer1.toImage();
    QVERIFY(qGray(base.pixel(1180, 400)) < 40);
    QCOMPARE(base.pixel(10, 400), qRgb(255, 255, 255));
    const QSize turned = board.canvas->size();
    board.canvas->rotate(3);
    board.canvas->rotate(4);
    QCOMPARE(board.canvas->size(), turned);
    QCOMPARE(board.canvas->currentPageIndex(), 6);
    board.canvas->rotate(1);
    QCOMPARE(board.canvas->size(), before);
    QCOMPARE(board.canvas->currentPageIndex(), 6);
    QCOMPARE(board.bar()->value(), board.canvas->pageTops().at(6));
    // Drawing forbids rotation; the reset clears it and gives rotation back.
    QVERIFY(board.canvas->canRotate());
    board.canvas->pageList().at(2)->history.append(new PaintData);
    QVERIFY(!board.canvas->canRotate());
    board.canvas->runCommand(BoardCommand::SetRotateType, 2);
    QCOMPARE(board.canvas->size(), before);
    QCOMPARE(board.host.calls.last(), QStringLiteral("rotate 0"));
    board.canvas->resetDocument();
    QCOMPARE(board.host.calls.last(), QStringLiteral("rotate 1"));
    QVERIFY(board.canvas->canRotate());
}

void PdfCanvasTest::stateFileContents_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("page");

    QTest::newRow("page 3 with a line end") << QByteArray("3\n") << 3;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-4") << 0;
    QTest::newRow("text") << QByteArray("abc") << 0;
    QTest::newRow("at the page count") << QByteArray("20") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void PdfCanvasTest::stateFileContents()
{
    QFETCH(QByteArray, content);
    QFETCH(int, page);
    PdfBoard board(twenty, dir.path());
    QFile state(board.canvas->stateFilePath());
    QVERIFY(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
    state.write(content);
    state.close();
    QVERIFY(board.open());
    board.canvas->restoreLastPage();
    QCOMPARE(board.canvas->currentPageIndex(), page);
    QCOMPARE(board.bar()->value(), page == 0 ? 0 : board.canvas->pageTops().at(page));
}

void PdfCanvasTest::stateKeyTellsChinesePathsApart()
{
    // Regression: the key hashed Latin-1 bytes, so "第三章" and "第五章" became the same "???".
    const auto md5 = [](const QByteArray &bytes) {
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
    };
    const QString third = PdfCanvas::stateKeyOf(QStringLiteral("/home/老师/第三章.pdf"));
    QVERIFY(third != PdfCanvas::stateKeyOf(QStringLiteral("/home/老师/第五章.pdf")));
    QCOMPARE(third, md5(QStringLiteral("/home/老师/第三章.pdf").toUtf8()));
    // Letter case does not matter; plain paths keep the keys stored before.
    QCOMPARE(PdfCanvas::stateKeyOf(QStringLiteral("/Doc/A.PDF")), md5("/doc/a.pdf"));
    QCOMPARE(PdfCanvas::stateKeyOf(QStringLiteral("/doc/a.pdf")), md5("/doc/a.pdf"));
}

void PdfCanvasTest::firstPageIsPaintedWithoutScroll()
{
    // Regression: pages were rendered only on scroll-bar changes; a document opened on page 1
    // before its tab was shown stayed blank.
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open(false));
    board.canvas->restoreLastPage();
    board.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board.area));
    QCOMPARE(board.bar()->value(), 0);
    const QImage shot = board.canvas->grab(QRect(0, 0, 840, 600)).toImage();
    // The black bar along the first page's top edge, and its white paper below.
    QVERIFY(qGray(shot.pixel(400, 15 + 10)) < 40);
    QCOMPARE(shot.pixel(600, 500) & 0xffffff, 0xffffffu);
    // Above the first page: the document background.
    QVERIFY(qGray(shot.pixel(400, 5)) < 250);
}

void PdfCanvasTest::badIndexOrClosedDocumentIsSafe()
{
    // Regression: scrollToPage trusted its index; painting used a page after its release.
    PdfBoard board(twenty, dir.path());
    QVERIFY(board.open());
    QSignalSpy asked(board.canvas, &PdfCanvas::vScrollBarNewValue);
    board.canvas->scrollToPage(20);
    board.canvas->scrollToPage(-1);
    QCOMPARE(asked.count(), 0);
    board.canvas->scrollToPage(19);
    QCOMPARE(asked.count(), 1);
    board.canvas->closeDocument();
    QCOMPARE(board.canvas->drawnPage(), nullptr);
    board.canvas->repaint();
    board.canvas->runCommand(BoardCommand::ZoomStep, 1);
    board.canvas->rotate(1);
    board.canvas->scrollToPage(3);
    QCOMPARE(board.canvas->renderPageImage(0).isNull(), true);
}

void PdfCanvasTest::exportedPageLeavesCacheAlone()
{
    PdfBoard board(mixed, dir.path());
    QVERIFY(board.open());
    const QList<int> cached = board.cachedPages();
    QVERIFY(!cached.contains(2));
    const QPixmap page = board.canvas->renderPageImage(2);
    // Every exported page is as wide as the widest page; narrower ones carry board colour.
    QCOMPARE(page.size(), QSize(1188, 800));
    QCOMPARE(page.toImage().pixel(1000, 400), qRgb(255, 255, 255));
    QCOMPARE(board.cachedPages(), cached);
}

QTEST_MAIN(PdfCanvasTest)
#include "tst_pdfcanvas.moc"
