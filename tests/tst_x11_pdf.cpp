#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QPdfDocument>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include "base/uimetrics.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"
#include "pdf/pdfwriter.h"
#include "platform/childprocess.h"

#include "boxanswerer.h"
#include "pdffixtures.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "userinput.h"
#include "x11window.h"

// A teacher opens a 12-page PDF through the open button, scrolls with the wheel, jumps with the
// page chooser, reopens it on that page, zooms with Ctrl and the wheel, draws on the last page
// with the pen and exports the document, all through xdotool. Screenshots "pdf-xvfb.png",
// "pdf-export-xvfb.png" and "pdf-writer-xvfb.png" go to screenshotDir(). On a touch screen she
// writes with her finger, pinches to zoom and widens the page by its edge: "pdf-touch-xvfb.png".
// Under a window manager, documents given together each open on their first page, and a page
// read and clicked on stays through a visit to another tab.
// A marked-up document with a portrait page among landscape ones shows its annotations as
// poppler's pdftoppm draws them and each page in its own shape: "pdf-mixed-xvfb.png".
class X11PdfTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"xdotool", "openbox", "pdftoppm"}); }
    void readDrawAndExport();
    void fingerInkPinchAndPageEdge();
    void documentsKeepTheirPlaceUnderWindowManager();
    void annotationsAndMixedPageSizes();
    void windowTakesClicksWhileLargeFormOpens();
};

void X11PdfTest::readDrawAndExport()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QDir shots(screenshotDir());
    const QString book = x.data.filePath(QStringLiteral("物理 第二册.pdf"));
    QVERIFY(writeTestPdf(book, a4Pages(12)));

    w.openFilesPicker = [book](const QString &) { return QStringList{book}; };
    click(buttonWithTip(&w, QStringLiteral("打开文件")));
    QTRY_VERIFY(w.currentTabItem());
    TabItem *tab = w.currentTabItem();
    QCOMPARE(tab->title, QStringLiteral("物理 第二册.pdf"));
    PdfCanvas *pdf = tab->pdfCanvas;
    QVERIFY(pdf);
    QCOMPARE(pdf->pageCount(), 12);
    const auto cached = [&pdf](int i) { return !pdf->pageList().at(i)->layer1.isNull(); };
    QTRY_VERIFY(cached(0));
    auto *area = qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget());
    QScrollBar *bar = area->verticalScrollBar();
    QVERIFY(bar->isVisible());

    // The wheel scrolls the document; it is not taken for zooming.
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, 300)));
    for (int i = 0; i < 15; ++i)
        xdo({"click", "5"});
    QTRY_VERIFY(bar->value() > 0);
    QCOMPARE(pdf->zoom(), 1.0);
    QTest::qWait(200);
    QVERIFY(cached(pdf->currentPageIndex()));

    // The page chooser follows the scroll; its last entry goes to the last page.
    auto *combo = visibleChild<QComboBox>(&w, [](QComboBox *c) { return c->count() == 12; });
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), pdf->currentPageIndex());
    click(combo);
    QTest::qWait(300);
    xdo({"key", "End"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 11);

    // Opened again, the book shows the page it was closed on, and nothing far from it.
    {
        BoxAnswerer yes(QStringLiteral("确定"));
        w.closeTab(tab);
        QCOMPARE(yes.texts, QStringList{QStringLiteral("确定关闭？")});
    }
    w.openFiles({book});
    tab = w.currentTabItem();
    pdf = tab->pdfCanvas;
    QVERIFY(pdf);
    QTRY_COMPARE(pdf->currentPageIndex(), 11);
    area = qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget());
    bar = area->verticalScrollBar();
    QTRY_COMPARE(bar->value(), pdf->pageTops().at(11));
    QTRY_VERIFY(cached(11));
    QVERIFY(!cached(0));

    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, bar->value() + 200)));
    xdo({"keydown", "ctrl"});
    xdo({"click", "4"});
    xdo({"keyup", "ctrl"});
    QTRY_VERIFY(pdf->zoom() > 1.0);
    QTest::qWait(300);

    const QImage image = w.grab().toImage();
    QVERIFY(image.save(shots.filePath(QStringLiteral("pdf-xvfb.png"))));
    // The shown page is painted: its black top bar or text appears in the document area.
    const QRect shown(area->viewport()->mapTo(&w, QPoint(0, 0)), area->viewport()->size());
    int dark = 0;
    for (int y = shown.top(); y < shown.top() + 600; y += 3) {
        for (int x = shown.left(); x <= shown.right(); x += 3)
            dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    }
    QVERIFY(dark > 100);

    // A pen stroke across the zoomed last page, in the middle of the view.
    click(buttonWithTip(&w, QStringLiteral("钢笔")));
    QTRY_COMPARE(w.tools()->paintTool, int(PaintTool::Pen));
    w.tools()->lineBoldSize = 9;
    w.tools()->foreColor = QStringLiteral("#1030E0");
    const QPoint from =
        area->viewport()->mapToGlobal(area->viewport()->rect().center()) - QPoint(200, 100);
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 20; ++i)
        moveTo(from + QPoint(20 * i, 3 * i));
    xdo({"mouseup", "1"});
    QTRY_COMPARE(pdf->pageList().last()->history.size(), 1);
    QTest::qWait(200);
    w.grab().save(shots.filePath(QStringLiteral("pdf-export-xvfb.png")));

    // The export dialog's button writes the file into the tab's folder.
    const QString out = x.data.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    tab->folder = out;
    bool exported = false;
    QTimer::singleShot(300, this, [&] {
        auto *writer = qobject_cast<PDFWriter *>(QApplication::activeModalWidget());
        QVERIFY(writer);
        click(visibleChild<QPushButton>(
            writer, [](QPushButton *b) { return b->text() == QStringLiteral("导出"); }));
        QTRY_VERIFY(QFile::exists(writer->outputPath()));
        writer->grab().save(shots.filePath(QStringLiteral("pdf-writer-xvfb.png")));
        exported = true;
        writer->reject();
    });
    QAction *action = nullptr;
    for (QAction *a : w.findChildren<QAction *>())
        action = a->text() == QStringLiteral("导出为PDF") ? a : action;
    QVERIFY(action);
    action->setEnabled(true);
    action->trigger();
    QVERIFY(exported);

    QPdfDocument document;
    QCOMPARE(document.load(out + QStringLiteral("/物理 第二册.pdf")), QPdfDocument::NoError);
    QCOMPARE(document.pageCount(), 12);
    const QImage last = document.render(11, document.pageSize(11).toSize() * 2);
    QVERIFY(inkPixels(last, last.rect()) > 100);
    QCOMPARE(inkPixels(document.render(0, document.pageSize(0).toSize()), QRect(0, 0, 595, 842)),
             0);
}

void X11PdfTest::fingerInkPinchAndPageEdge()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString book = x.data.filePath(QStringLiteral("练习.pdf"));
    QVERIFY(writeTestPdf(book, a4Pages(3)));
    w.openFiles({book});
    QTRY_VERIFY(w.currentTabItem() && w.currentTabItem()->pdfCanvas);
    PdfCanvas *pdf = w.currentTabItem()->pdfCanvas;
    QTRY_VERIFY(!pdf->pageList().at(0)->layer1.isNull());
    auto *area = qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget());
    click(buttonWithTip(&w, QStringLiteral("钢笔")));
    QTRY_COMPARE(w.tools()->paintTool, int(PaintTool::Pen));
    w.tools()->lineBoldSize = 9;
    w.tools()->foreColor = QStringLiteral("#1030E0");

    // A finger stroke across the first page, through Qt's touch input.
    QTouchDevice *device = QTest::createTouchDevice();
    const int top = pdf->pageTops().at(0);
    stroke(pdf, device, wavyLine(QPoint(pdf->width() - 600, top + 300), 20, 20),
           [] { QTest::qWait(10); });
    QTRY_COMPARE(pdf->pageList().at(0)->history.size(), 1);

    // Two fingers apart zoom in; they leave no ink.
    const QPoint middle(pdf->width() / 2, top + 600);
    pinchOpen(pdf, device, middle - QPoint(60, 0), middle + QPoint(60, 0), QPoint(12, 0), 5);
    QTRY_VERIFY(pdf->zoom() > 1.2);
    QCOMPARE(pdf->pageList().at(0)->history.size(), 1);
    QTest::qWait(300);

    // The pointer hovers onto the right page edge and drags it outwards.
    QScrollBar *across = area->horizontalScrollBar();
    across->setValue(across->maximum());
    QTest::qWait(100);
    const int before = pdf->width();
    const QPoint edge = pdf->mapToGlobal(QPoint(before - 2, area->viewport()->height() / 2));
    moveTo(edge - QPoint(100, 0));
    moveTo(edge);
    QTRY_COMPARE(pdf->edgeCode(), 4);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 6; ++i)
        moveTo(edge + QPoint(15 * i, 0));
    xdo({"mouseup", "1"});
    // The page is wider than the view: its edge follows the pointer, 90 pixels.
    QTRY_VERIFY(qAbs(pdf->width() - (before + 90)) <= 3);
    across->setValue(across->maximum());
    QTest::qWait(300);

    const QImage image = w.grab().toImage();
    QVERIFY(image.save(QDir(screenshotDir()).filePath(QStringLiteral("pdf-touch-xvfb.png"))));
    const QRect view(area->viewport()->mapTo(&w, QPoint(0, 0)), area->viewport()->size());
    QVERIFY(inkPixels(image, view) > 300);
    // Right of the page's black top bar lies the new strip, in the board colour.
    const int grown = pdf->width() - before;
    const int y = pdf->pageTops().at(0) + 5;
    const QPoint strip = pdf->mapTo(&w, QPoint(pdf->width() - grown / 2, y));
    const QPoint bar = pdf->mapTo(&w, QPoint(before - 60, y));
    QVERIFY(view.contains(strip) && view.contains(bar));
    QCOMPARE(image.pixel(strip) & 0xffffff, 0xffffffu);
    QVERIFY(qGray(image.pixel(bar)) < 60);
}

void X11PdfTest::documentsKeepTheirPlaceUnderWindowManager()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    ChildProcess openbox;
    const QString failed = startRequired(openbox, "openbox", {"--sm-disable"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto stop = qScopeGuard([&openbox] {
        openbox.terminate();
        openbox.waitForFinished(5000);
    });
    QTest::qWait(500);
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    QStringList books;
    for (int pages : {12, 5, 1, 8}) {
        books << x.data.filePath(QString::number(pages) + QStringLiteral(".pdf"));
        QVERIFY(writeTestPdf(books.last(), a4Pages(pages)));
    }
    w.openFilesFromArguments(books);
    QTRY_COMPARE(w.tabList().size(), 4);
    const auto barOf = [](TabItem *tab) { return tab->pdfCanvas->verticalScrollValue(); };
    QTest::qWait(500);
    for (TabItem *tab : w.tabList()) {
        QVERIFY2(barOf(tab) == 0, qPrintable(tab->title + ": " + QString::number(barOf(tab))));
        click(tab);
        QTRY_COMPARE(w.currentTabItem(), tab);
        QTest::qWait(200);
        QCOMPARE(barOf(tab), 0);
        QCOMPARE(tab->pdfCanvas->currentPageIndex(), 0);
    }

    // The twelve pages: the wheel goes down to page 2, a click on it, another tab and back.
    TabItem *book = w.tabList().first();
    click(book);
    PdfCanvas *pdf = book->pdfCanvas;
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, 300)));
    for (int i = 0; i < 40 && pdf->currentPageIndex() != 1; ++i) {
        xdo({"click", "5"});
        QTest::qWait(30);
    }
    QTRY_COMPARE(pdf->currentPageIndex(), 1);
    const int read = barOf(book);
    xdo({"click", "1"});
    QTest::qWait(200);
    click(w.tabList().at(2));
    QTRY_COMPARE(w.currentTabItem(), w.tabList().at(2));
    click(book);
    QTRY_COMPARE(w.currentTabItem(), book);
    QTest::qWait(300);
    QCOMPARE(barOf(book), read);
    QCOMPARE(pdf->currentPageIndex(), 1);

    // A page typed in the page box, a little wheel, a tool: the view stays where it is.
    auto *box = visibleChild<QSpinBox>(&w, [](QSpinBox *b) { return b->maximum() == 12; });
    QVERIFY(box);
    click(box);
    xdo({"key", "ctrl+a"});
    xdo({"type", "6"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 5);
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, barOf(book) + 300)));
    xdo({"click", "5"});
    QTRY_VERIFY(barOf(book) > pdf->pageTops().at(5));
    QTest::qWait(200);
    const int scrolled = barOf(book);
    click(buttonWithTip(&w, QStringLiteral("钢笔")));
    QTRY_COMPARE(w.tools()->paintTool, int(PaintTool::Pen));
    QTest::qWait(300);
    QCOMPARE(barOf(book), scrolled);
}

void X11PdfTest::annotationsAndMixedPageSizes()
{
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString doc = x.data.filePath(QStringLiteral("批注.pdf"));
    const QString landscape = annotatedPage(QStringLiteral("[0 0 1008 612]"));
    QVERIFY(writeRawPdf(doc, {landscape, QStringLiteral("/MediaBox [0 0 612 1008]"), landscape}));
    w.openFiles({doc});
    QTRY_VERIFY(w.currentTabItem() && w.currentTabItem()->pdfCanvas);
    PdfCanvas *pdf = w.currentTabItem()->pdfCanvas;
    const auto shown = [pdf](int i) {
        return !pdf->pageList().at(i)->layer1.isNull() && !pdf->isWaitingForRender(i);
    };
    QTRY_VERIFY(shown(0));

    // Our first page against pdftoppm's at the same size: the same marks, nearly every pixel
    // alike.
    const QImage ours =
        pdf->pageList().at(0)->layer1.toImage().convertToFormat(QImage::Format_RGB32);
    const QString prefix = x.data.filePath(QStringLiteral("poppler"));
    QProcess poppler;
    poppler.start(
        QStringLiteral("pdftoppm"),
        {"-f", "1", "-l", "1", "-singlefile", "-png", "-scale-to-x", QString::number(ours.width()),
         "-scale-to-y", QString::number(ours.height()), doc, prefix});
    QVERIFY(poppler.waitForFinished(30000) && poppler.exitCode() == 0);
    const QImage theirs =
        QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(theirs.size(), ours.size());
    int unlike = 0;
    QVector<int> marks(2, 0);
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
            unlike +=
                qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) >
                150;
            int k = 0;
            for (QRgb c : {a, b})
                marks[k++] += qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
        }
    }
    QVERIFY2(marks.at(1) > 500 && marks.at(0) > marks.at(1) / 2,
             qPrintable(QStringLiteral("red pixels %1, pdftoppm %2").arg(marks[0]).arg(marks[1])));
    QVERIFY2(unlike < ours.width() * ours.height() / 100, qPrintable(QString::number(unlike)));

    // The portrait page keeps its shape, centred: the background on both sides of it, not a
    // wider sheet.
    pdf->scrollToPage(1);
    QTRY_VERIFY(shown(1));
    QTest::qWait(200);
    auto *area = qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget());
    const QImage image = w.grab().toImage();
    QVERIFY(image.save(QDir(screenshotDir()).filePath(QStringLiteral("pdf-mixed-xvfb.png"))));
    const int shownWidth = qRound(pdf->pageList().at(1)->width * pdf->zoom());
    const int left = (pdf->width() - shownWidth) / 2, right = left + shownWidth;
    const int y = pdf->pageTops().at(1) + 300;
    const QRect view(area->viewport()->mapTo(&w, QPoint(0, 0)), area->viewport()->size());
    for (int edge : {left, right}) {
        const int outwards = edge == left ? -1 : 1;
        const QPoint paper = pdf->mapTo(&w, QPoint(edge - 40 * outwards, y));
        const QPoint beside = pdf->mapTo(&w, QPoint(edge + 40 * outwards, y));
        QVERIFY(view.contains(paper) && view.contains(beside));
        QCOMPARE(image.pixel(paper) & 0xffffff, 0xffffffu);
        QCOMPARE(image.pixel(beside) & 0xffffff, documentBackgroundColor().rgb() & 0xffffff);
    }
}

void X11PdfTest::windowTakesClicksWhileLargeFormOpens()
{
    // Regression: a form's copy was made before its first page, the window answering nothing.
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString form = x.data.filePath(QStringLiteral("表格.pdf"));
    QVERIFY(writeScannedPdf(form, 200, true));
    QAbstractButton *eraser = buttonWithTip(&w, QStringLiteral("橡皮"));
    const PDFReader *reader = nullptr;
    int clickedWhileReading = -1;
    connect(eraser, &QAbstractButton::clicked, &w,
            [&] { clickedWhileReading = reader && reader->readingAnnotations(); });
    // A click made while the book opens is taken before the fields come.
    const QPoint at = eraser->rect().center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            eraser,
            new QMouseEvent(type, at, eraser->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
    w.openFiles({form});
    QVERIFY(w.currentTabItem() && w.currentTabItem()->pdfCanvas);
    PdfCanvas *pdf = w.currentTabItem()->pdfCanvas;
    reader = &pdf->documentReader();
    QTRY_VERIFY(clickedWhileReading >= 0);
    QCOMPARE(clickedWhileReading, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!reader->readingAnnotations() && !pdf->isWaitingForRender(0), 60000);
    QVERIFY(pagePixels(pdf->pageList().at(0)->layer1.toImage(), scannedField) > 300);
}

QTEST_MAIN(X11PdfTest)
#include "tst_x11_pdf.moc"
