#include <QtTest>

#include <QAction>
#include <QPdfDocument>
#include <QPushButton>

#include "drawing/paintproperty.h"
#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"
#include "pdf/pdfwriter.h"

#include "pdffixtures.h"
#include "screenshotdir.h"
#include "x11window.h"

// A teacher opens a PDF, draws on page 1 with the pen through xdotool, exports it with the
// dialog and finds the stroke in the written file. Screenshots go to screenshotDir().
class X11PdfExportTest : public QObject
{
    Q_OBJECT

private slots:
    void drawAndExport();
};

void X11PdfExportTest::drawAndExport()
{
    QB_SKIP_WITHOUT_XDOTOOL();
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString book = x.data.filePath(QStringLiteral("lesson.pdf"));
    QVERIFY(writeTestPdf(book, a4Pages(4)));
    const QString out = x.data.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QDir shots(screenshotDir());

    w.openFilesFromArguments({book});
    QTRY_VERIFY(w.currentTabItem() && w.currentTabItem()->kind == 2);
    w.currentTabItem()->folder = out;
    PdfCanvas *pdf = w.currentTabItem()->pdfCanvas;
    QTRY_VERIFY(!pdf->pageList().first()->layer1.isNull());

    click(buttonWithTip(&w, QStringLiteral("钢笔")));
    QTRY_COMPARE(w.tools()->paintTool, int(PaintTool::Pen));
    w.tools()->lineBoldSize = 9;
    w.tools()->foreColor = QStringLiteral("#1030E0");
    const QPoint from = pdf->mapToGlobal(QPoint(150, pdf->pageTops().at(0) + 200));
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 20; ++i)
        moveTo(from + QPoint(20 * i, 3 * i));
    xdo({"mouseup", "1"});
    QTRY_COMPARE(pdf->pageList().first()->history.size(), 1);
    QTest::qWait(200);
    w.grab().save(shots.filePath(QStringLiteral("pdf-export-xvfb.png")));

    bool exported = false;
    QTimer::singleShot(300, this, [&] {
        auto *writer = qobject_cast<PDFWriter *>(QApplication::activeModalWidget());
        QVERIFY(writer);
        QPushButton *button = nullptr;
        for (QPushButton *b : writer->findChildren<QPushButton *>())
            button = b->text() == QStringLiteral("导出") ? b : button;
        click(button);
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
    QCOMPARE(document.load(out + QStringLiteral("/lesson.pdf")), QPdfDocument::NoError);
    QCOMPARE(document.pageCount(), 4);
    const QImage first = document.render(0, document.pageSize(0).toSize() * 2);
    int blue = 0;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QColor c = first.pixelColor(x, y);
            blue += c.blue() > 150 && c.red() < 100 && c.green() < 120;
        }
    }
    QVERIFY2(blue > 100, qPrintable(QString::number(blue)));
}

QTEST_MAIN(X11PdfExportTest)
#include "tst_x11_pdfexport.moc"
