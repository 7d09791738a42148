#include <QDir>
#include <QFile>
#include <QPdfDocument>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/uimetrics.h"
#include "canvas/canvas.h"
#include "pdf/pdfwriter.h"

#include "canvasboard.h"
#include "pdfboard.h"
#include "pdffixtures.h"

namespace {

const QColor ink(20, 60, 230);

// Ink of the drawing near the point (x, y) given in fractions of the page.
bool hasInkNear(const QImage &page, double x, double y)
{
    const QPoint c(qRound(x * page.width()), qRound(y * page.height()));
    for (int dy = -6; dy <= 6; ++dy) {
        for (int dx = -6; dx <= 6; ++dx) {
            const QColor p = page.pixelColor(c + QPoint(dx, dy));
            if (p.blue() > 150 && p.red() < 120 && p.green() < 150)
                return true;
        }
    }
    return false;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class PdfWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportReadsBack_data();
    void exportReadsBack();
    void interruptedExportKeepsOldFile_data();
    void interruptedExportKeepsOldFile();
    void declinedReplaceKeepsOldFile();
    void unwritableTargetLeavesNothing_data();
    void unwritableTargetLeavesNothing();
    void namesAndFolders();

private:
    QTemporaryDir dir;
    QString threePages;
};

void PdfWriterTest::initTestCase()
{
    QVERIFY(dir.isValid());
    threePages = dir.filePath(QStringLiteral("three.pdf"));
    QVERIFY(writeTestPdf(threePages, a4Pages(3)));
}

void PdfWriterTest::exportReadsBack_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pages");
    QTest::newRow("pdf tab") << 2 << 3;
    QTest::newRow("board of 3 pages") << int(Canvas::NewBoard) << 3;
    QTest::newRow("picture tab") << int(Canvas::PictureDocument) << 1;
}

void PdfWriterTest::exportReadsBack()
{
    QFETCH(int, kind);
    QFETCH(int, pages);
    const QString folder = dir.filePath(QStringLiteral("out%1").arg(kind));
    QVERIFY(QDir().mkpath(folder));

    // The same stroke on the first page of each kind of board.
    std::unique_ptr<PdfBoard> pdf;
    std::unique_ptr<Canvas> board;
    PaintProperty property;
    RecordingCanvasHost host;
    QWidget *canvas = nullptr;
    QList<QSize> sizes;
    if (kind == 2) {
        pdf.reset(new PdfBoard(threePages, dir.path()));
        QVERIFY(pdf->open());
        pdf->property.paintTool = PaintTool::Pen;
        pdf->property.lineBoldSize = 9;
        pdf->property.foreColor = ink.name();
        Pen pen{pdf->canvas, &pdf->clockNow};
        const int top = pdf->canvas->pageTops().at(0);
        pen.drag(QPointF(200, top + 300), QPointF(600, top + 300));
        canvas = pdf->canvas;
        sizes = QList<QSize>{QSize(840, 1188), QSize(840, 1188), QSize(840, 1188)};
    } else {
        board.reset(new Canvas(kind, Qt::white, &property, nullptr, &host));
        QPixmap picture(QSize(600, 400));
        picture.fill(Qt::yellow);
        sizes = kind == Canvas::PictureDocument
                    ? QList<QSize>{QSize(600, 400)}
                    : QList<QSize>{QSize(800, 500), QSize(800, 500), QSize(800, 500)};
        QList<QPixmap> backgrounds;
        for (int i = 0; i < sizes.size(); ++i)
            backgrounds << (kind == Canvas::PictureDocument ? picture : QPixmap());
        QVERIFY(board->loadPages(sizes, backgrounds));
        board->setZoom(1.0);
        board->show();
        property.paintTool = PaintTool::Pen;
        property.lineBoldSize = 9;
        property.foreColor = ink.name();
        const QSize s = sizes.first();
        double none = -1.0;
        const QPointF from(s.width() / 4.0, s.height() / 4.0);
        board->beginAction(from.toPoint(), from, &none);
        for (int i = 1; i <= 10; ++i) {
            const QPointF at = from + QPointF(s.width() / 2.0 * i / 10, 0);
            board->continueAction(at.toPoint(), at, &none);
        }
        board->endAction((from + QPointF(s.width() / 2.0, 0)).toPoint(),
                         from + QPointF(s.width() / 2.0, 0));
        canvas = board.get();
    }

    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("lesson.final.pdf"), kind, canvas, folder));
    QVERIFY(writer.outputPath().endsWith(QStringLiteral("/lesson.final.pdf")));
    QVERIFY(writer.writePdf(writer.outputPath()));
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("lesson.final.pdf")});

    QPdfDocument document;
    QCOMPARE(document.load(writer.outputPath()), QPdfDocument::NoError);
    QCOMPARE(document.pageCount(), pages);
    const double s = pixelsPerMillimetre();
    const double pointsPerMm = 72.0 / 25.4;
    for (int i = 0; i < pages; ++i) {
        const QSizeF got = document.pageSize(i);
        const QSizeF want(qRound(sizes.at(i).width() / s) * pointsPerMm,
                          qRound(sizes.at(i).height() / s) * pointsPerMm);
        QVERIFY2(qAbs(got.width() - want.width()) <= pointsPerMm &&
                     qAbs(got.height() - want.height()) <= pointsPerMm,
                 qPrintable(
                     QStringLiteral("page %1: %2 x %3").arg(i).arg(got.width()).arg(got.height())));
    }
    const QImage first = document.render(0, (document.pageSize(0) * 2).toSize());
    const double inkY = kind == 2 ? 300.0 / 1188 : 0.25;
    const double inkX = kind == 2 ? 400.0 / 840 : 0.5;
    QVERIFY(hasInkNear(first, inkX, inkY));
    QVERIFY(!hasInkNear(first, inkX, 0.9));
}

void PdfWriterTest::interruptedExportKeepsOldFile_data()
{
    QTest::addColumn<bool>("closeBoard");
    QTest::newRow("dialog rejected") << false;
    QTest::newRow("board closed") << true;
}

void PdfWriterTest::interruptedExportKeepsOldFile()
{
    QFETCH(bool, closeBoard);
    const QString folder = dir.filePath(QStringLiteral("cancel%1").arg(closeBoard));
    QVERIFY(QDir().mkpath(folder));
    CanvasBoard *board = new CanvasBoard(QSize(400, 300));
    QVERIFY(board->canvas.loadPages(QVector<QSize>(5, QSize(400, 300)).toList(),
                                    QVector<QPixmap>(5, QPixmap()).toList()));
    RecordingCanvasHost host;
    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("notes"), 4, &board->canvas, folder));
    const QString old = writer.outputPath();
    {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old export");
    }
    connect(&writer, &PDFWriter::pageWritten, this, [&](int count) {
        if (count != 2)
            return;
        if (closeBoard) {
            delete board;
            board = nullptr;
        } else {
            writer.reject();
        }
    });
    writer.startExport();
    QCOMPARE(host.callsStartingWith(QStringLiteral("question")).size(), 1);
    QVERIFY(writer.isInterrupted());
    QCOMPARE(writer.findChild<QProgressBar *>()->isVisible(), false);
    QCOMPARE(contentsOf(old), QByteArray("old export"));
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("notes.pdf")});
    delete board;
}

void PdfWriterTest::declinedReplaceKeepsOldFile()
{
    const QString folder = dir.filePath(QStringLiteral("declined"));
    QVERIFY(QDir().mkpath(folder));
    CanvasBoard board;
    RecordingCanvasHost host;
    host.answer = false;
    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("notes.pdf"), 4, &board.canvas, folder));
    QFile file(writer.outputPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("old export");
    file.close();
    QSignalSpy written(&writer, &PDFWriter::pageWritten);
    writer.startExport();
    QCOMPARE(written.count(), 0);
    QCOMPARE(contentsOf(writer.outputPath()), QByteArray("old export"));
}

void PdfWriterTest::unwritableTargetLeavesNothing_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing folder") << QStringLiteral("missing/deeper");
    QTest::newRow("folder is a file") << QStringLiteral("plain.txt");
}

void PdfWriterTest::unwritableTargetLeavesNothing()
{
    QFETCH(QString, folder);
    const QString base = dir.filePath(QStringLiteral("unwritable"));
    QVERIFY(QDir().mkpath(base));
    QFile plain(base + QStringLiteral("/plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    CanvasBoard board;
    RecordingCanvasHost host;
    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("notes"), 4, &board.canvas, base + '/' + folder));
    QVERIFY(!writer.writePdf(writer.outputPath()));
    QCOMPARE(entriesOf(base), QStringList{QStringLiteral("plain.txt")});

    // Choosing such a folder is refused with the message; the folder stays.
    writer.setFolderAsker([&] { return base + '/' + folder; });
    const QString before = writer.folder();
    writer.changeFolder();
    QCOMPARE(writer.folder(), before);
    QCOMPARE(host.callsStartingWith(QStringLiteral("message")).last(),
             QStringLiteral("message 路径不合法或不具有存储权限，请更换其它文件夹"));
}

void PdfWriterTest::namesAndFolders()
{
    CanvasBoard board;
    PDFWriter writer;
    QVERIFY(!writer.prepare(QString(), 4, &board.canvas, QString()));
    QVERIFY(!writer.prepare(QStringLiteral("a"), 4, nullptr, QString()));
    QCOMPARE(writer.exportPdf(QStringLiteral("a"), 4, nullptr, QStringLiteral("/kept")),
             QStringLiteral("/kept"));

    // Without a Desktop folder the home folder is used.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QVERIFY(writer.prepare(QStringLiteral("a.b.pdf"), 4, &board.canvas, QString()));
    QCOMPARE(writer.folder(), home.path());
    QCOMPARE(writer.outputPath(), home.path() + QStringLiteral("/a.b.pdf"));
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    QVERIFY(writer.prepare(QStringLiteral("a"), 4, &board.canvas, QString()));
    QCOMPARE(writer.folder(), home.filePath(QStringLiteral("Desktop")));
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
