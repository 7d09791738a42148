#include <QtTest>

#include <QComboBox>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include "app/globals.h"
#include "app/paths.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"

#include "pdffixtures.h"
#include "screenshotdir.h"
#include "windowsetup.h"

// A teacher opens a 30-page PDF through the open button, scrolls with the wheel, jumps with the
// page number box and the page chooser, all through the X server with xdotool. The window is
// kept as "pdf-xvfb.png" in the test's working folder (or QB_SCREENSHOT_DIR).
namespace {

void xdo(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

void moveTo(const QPoint &global)
{
    xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())});
    QTest::qWait(50);
}

void click(QWidget *widget)
{
    QVERIFY(widget && widget->isVisible());
    moveTo(widget->mapToGlobal(widget->rect().center()));
    xdo({"click", "1"});
    QTest::qWait(200);
}

template <class T, class Match>
T *visibleChild(QWidget *window, Match match)
{
    for (T *child : window->findChildren<T *>()) {
        if (child->isVisible() && match(child))
            return child;
    }
    return nullptr;
}

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

class X11PdfTest : public QObject
{
    Q_OBJECT

private slots:
    void readADocument();
};

void X11PdfTest::readADocument()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    if (QProcess::execute(QStringLiteral("xdotool"), {"version"}) != 0)
        QSKIP("needs xdotool");
    QTemporaryDir data;
    appDataDir = data.path();
    const QString shots = screenshotDir();
    const QString book = data.filePath(QStringLiteral("物理 第二册.pdf"));
    QVERIFY(writeTestPdf(book, a4Pages(30)));

    MainWindow w;
    mainWindow = &w;
    runStartUpSteps(w, [&](MainWindow &m) { m.settings.winw = 0; });
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300);

    // The open button; the file dialog answers with the book.
    w.openFilesPicker = [book](const QString &) { return QStringList{book}; };
    click(visibleChild<QAbstractButton>(&w, [](QAbstractButton *b) {
        return b->toolTip().startsWith(QStringLiteral("打开文件"));
    }));
    QTRY_VERIFY(w.currentTabItem());
    TabItem *tab = w.currentTabItem();
    QCOMPARE(tab->kind, 2);
    QCOMPARE(tab->title, QStringLiteral("物理 第二册.pdf"));
    PdfCanvas *pdf = tab->pdfCanvas;
    QCOMPARE(pdf->pageCount(), 30);
    QTRY_VERIFY(cachedPages(pdf).contains(0));
    QScrollBar *bar =
        qobject_cast<QScrollArea *>(pdf->parentWidget()->parentWidget())->verticalScrollBar();
    QVERIFY(bar && bar->isVisible());

    // The wheel scrolls the document (it is not taken for zooming).
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, 300)));
    for (int i = 0; i < 15; ++i)
        xdo({"click", "5"});
    QTRY_VERIFY(bar->value() > 0);
    QCOMPARE(pdf->zoom(), 1.0);
    const int scrolled = bar->value();
    QTest::qWait(200);
    QVERIFY(!cachedPages(pdf).isEmpty());

    // The page number box: page 12.
    auto *spin = visibleChild<QSpinBox>(&w, [](QSpinBox *s) { return s->maximum() == 30; });
    QVERIFY(spin);
    click(spin);
    xdo({"key", "ctrl+a"});
    xdo({"type", "12"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 11);
    QVERIFY(bar->value() > scrolled);
    QCOMPARE(bar->value(), pdf->pageTops().at(11));
    QVERIFY(cachedPages(pdf).contains(11));
    QVERIFY(!cachedPages(pdf).contains(0));

    // The page chooser follows, and picking its last entry goes to the last page.
    auto *combo = visibleChild<QComboBox>(&w, [](QComboBox *c) { return c->count() == 30; });
    QVERIFY(combo);
    QCOMPARE(combo->currentText(), QStringLiteral("第 12 页"));
    click(combo);
    QTest::qWait(300);
    xdo({"key", "End"});
    xdo({"key", "Return"});
    QTRY_COMPARE(pdf->currentPageIndex(), 29);
    QTRY_COMPARE(spin->value(), 30);
    QVERIFY(cachedPages(pdf).contains(29));
    QVERIFY(!cachedPages(pdf).contains(11));

    // Ctrl and the wheel zoom in.
    moveTo(pdf->mapToGlobal(QPoint(pdf->width() / 2, bar->value() + 200)));
    xdo({"keydown", "ctrl"});
    xdo({"click", "4"});
    xdo({"keyup", "ctrl"});
    QTRY_VERIFY(pdf->zoom() > 1.0);
    QTest::qWait(300);

    const QString shot = shots + QStringLiteral("/pdf-xvfb.png");
    QVERIFY(w.grab().save(shot));
    qInfo("screenshot: %s", qPrintable(shot));
    // The shown page is painted: its black top bar or text appears in the document area.
    const QImage image = w.grab().toImage();
    const QPoint inArea = pdf->parentWidget()->mapTo(&w, QPoint(0, 0));
    int dark = 0;
    for (int y = inArea.y(); y < inArea.y() + 600 && y < image.height(); y += 3) {
        for (int x = inArea.x(); x < inArea.x() + pdf->parentWidget()->width(); x += 3)
            dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    }
    QVERIFY(dark > 100);
    w.closeAllTabs();
    mainWindow = nullptr;
}

QTEST_MAIN(X11PdfTest)
#include "tst_x11_pdf.moc"
