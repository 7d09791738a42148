#include <QtTest>

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

#include "pdffixtures.h"
#include "screenshotdir.h"
#include "x11window.h"

namespace {

QList<int> cachedPages(PdfCanvas *pdf)
{
    QList<int> cached;
    for (int i = 0; i < pdf->pageList().size(); ++i) {
        if (!pdf->pageList().at(i)->layer1.isNull())
            cached << i;
    }
    return cached;
}

} // namespace

// A teacher opens a 30-page PDF through the open button, scrolls with the wheel, jumps with the
// page number box and the page chooser and zooms with Ctrl and the wheel, through xdotool. The
// window is kept as "pdf-xvfb.png" in screenshotDir().
class X11PdfTest : public QObject
{
    Q_OBJECT

private slots:
    void readADocument();
};

void X11PdfTest::readADocument()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString book = x.data.filePath(QStringLiteral("物理 第二册.pdf"));
    QVERIFY(writeTestPdf(book, a4Pages(30)));

    w.openFilesPicker = [book](const QString &) { return QStringList{book}; };
    click(buttonWithTip(&w, QStringLiteral("打开文件")));
    QTRY_VERIFY(w.currentTabItem());
    QCOMPARE(w.currentTabItem()->title, QStringLiteral("物理 第二册.pdf"));
    PdfCanvas *pdf = w.currentTabItem()->pdfCanvas;
    QVERIFY(pdf);
    QCOMPARE(pdf->pageCount(), 30);
    QTRY_VERIFY(cachedPages(pdf).contains(0));
    QScrollBar *bar =
        qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget())->verticalScrollBar();
    QVERIFY(bar && bar->isVisible());

    // The wheel scrolls the document; it is not taken for zooming.
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, 300)));
    for (int i = 0; i < 15; ++i)
        xdo({"click", "5"});
    QTRY_VERIFY(bar->value() > 0);
    QCOMPARE(pdf->zoom(), 1.0);

    QSpinBox *spin = nullptr;
    for (QSpinBox *s : w.findChildren<QSpinBox *>())
        spin = s->isVisible() && s->maximum() == 30 ? s : spin;
    click(spin);
    xdo({"key", "ctrl+a"});
    xdo({"type", "12"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 11);
    QCOMPARE(bar->value(), pdf->pageTops().at(11));
    QVERIFY(cachedPages(pdf).contains(11));
    QVERIFY(!cachedPages(pdf).contains(0));

    // The page chooser follows; its last entry goes to the last page.
    QComboBox *combo = nullptr;
    for (QComboBox *c : w.findChildren<QComboBox *>())
        combo = c->isVisible() && c->count() == 30 ? c : combo;
    QVERIFY(combo);
    QCOMPARE(combo->currentText(), QStringLiteral("第 12 页"));
    click(combo);
    QTest::qWait(300);
    xdo({"key", "End"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 29);
    QTRY_COMPARE(spin->value(), 30);
    QVERIFY(cachedPages(pdf).contains(29));

    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, bar->value() + 200)));
    xdo({"keydown", "ctrl"});
    xdo({"click", "4"});
    xdo({"keyup", "ctrl"});
    QTRY_VERIFY(pdf->zoom() > 1.0);
    QTest::qWait(300);

    const QImage image = w.grab().toImage();
    QVERIFY(image.save(screenshotDir() + QStringLiteral("/pdf-xvfb.png")));
    // The shown page is painted: its black top bar or text appears in the document area.
    const QRect area(pdf->parentWidget()->mapTo(&w, QPoint(0, 0)),
                     QSize(pdf->parentWidget()->width(), 600));
    int dark = 0;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); y += 3) {
        for (int x = area.left(); x <= area.right(); x += 3)
            dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    }
    QVERIFY(dark > 100);
    w.closeAllTabs();
}

QTEST_MAIN(X11PdfTest)
#include "tst_x11_pdf.moc"
