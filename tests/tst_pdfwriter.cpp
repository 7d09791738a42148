#include <QDir>
#include <QFile>
#include <QPdfDocument>
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

bool writeOldExport(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("old export") > 0;
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
    std::unique_ptr<CanvasBoard> board;
    RecordingCanvasHost host;
    QWidget *canvas = nullptr;
    PaintProperty *property = nullptr;
    QSize size = kind == Canvas::PictureDocument ? QSize(600, 400) : QSize(800, 500);
    if (kind == 2) {
        pdf.reset(new PdfBoard(threePages, dir.path()));
        QVERIFY(pdf->open());
        canvas = pdf->canvas;
        property = &pdf->property;
        size = QSize(840, 1188);
    } else {
        board.reset(new CanvasBoard(size, kind));
        QPixmap picture(size);
        picture.fill(Qt::yellow);
        const QPixmap background = kind == Canvas::PictureDocument ? picture : QPixmap();
        QVERIFY(board->canvas.loadPages(QVector<QSize>(pages, size).toList(),
                                        QVector<QPixmap>(pages, background).toList()));
        board->canvas.setZoom(1.0);
        canvas = &board->canvas;
        property = &board->property;
    }
    property->paintTool = PaintTool::Pen;
    property->lineBoldSize = 9;
    property->foreColor = ink.name();
    const QPointF from(size.width() / 4.0, size.height() / 4.0), to(size.width() * 0.75, from.y());
    if (pdf)
        pdf->stroke(0, from, to);
    else
        board->drag(from, to);

    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("lesson.final.pdf"), kind, canvas, folder));
    QVERIFY(writer.outputPath().endsWith(QStringLiteral("/lesson.final.pdf")));
    QVERIFY(writer.writePdf(writer.outputPath()));
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("lesson.final.pdf")});

    QPdfDocument document;
    QCOMPARE(document.load(writer.outputPath()), QPdfDocument::NoError);
    QCOMPARE(document.pageCount(), pages);
    // The page sizes in whole millimetres, within 1 mm.
    const double s = pixelsPerMillimetre(), pointsPerMm = 72.0 / 25.4;
    const QSizeF want(qRound(size.width() / s) * pointsPerMm,
                      qRound(size.height() / s) * pointsPerMm);
    for (int i = 0; i < pages; ++i) {
        const QSizeF got = document.pageSize(i);
        QVERIFY2(qAbs(got.width() - want.width()) <= pointsPerMm &&
                     qAbs(got.height() - want.height()) <= pointsPerMm,
                 qPrintable(
                     QStringLiteral("page %1: %2 x %3").arg(i).arg(got.width()).arg(got.height())));
    }
    const QImage first = document.render(0, (document.pageSize(0) * 2).toSize());
    QVERIFY(hasInkNear(first, 0.5, 0.25));
    QVERIFY(!hasInkNear(first, 0.5, 0.9));
}

void PdfWriterTest::interruptedExportKeepsOldFile_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("replace declined") << QStringLiteral("decline");
    QTest::newRow("dialog rejected") << QStringLiteral("reject");
    QTest::newRow("board closed") << QStringLiteral("close");
}

void PdfWriterTest::interruptedExportKeepsOldFile()
{
    QFETCH(QString, stop);
    const QString folder = dir.filePath(stop);
    QVERIFY(QDir().mkpath(folder));
    CanvasBoard *board = new CanvasBoard(QSize(400, 300));
    QVERIFY(board->canvas.loadPages(QVector<QSize>(5, QSize(400, 300)).toList(),
                                    QVector<QPixmap>(5, QPixmap()).toList()));
    RecordingCanvasHost host;
    host.answer = stop != QLatin1String("decline");
    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("notes"), 4, &board->canvas, folder));
    const QString old = writer.outputPath();
    QVERIFY(writeOldExport(old));
    QSignalSpy written(&writer, &PDFWriter::pageWritten);
    connect(&writer, &PDFWriter::pageWritten, this, [&](int count) {
        if (count != 2)
            return;
        if (stop == QLatin1String("close")) {
            delete board;
            board = nullptr;
        } else {
            writer.reject();
        }
    });
    writer.startExport();
    QCOMPARE(host.callsStartingWith(QStringLiteral("question")).size(), 1);
    if (host.answer)
        QVERIFY(writer.isInterrupted());
    else
        QCOMPARE(written.count(), 0);
    QCOMPARE(writer.findChild<QProgressBar *>()->isVisible(), false);
    QCOMPARE(contentsOf(old), QByteArray("old export"));
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("notes.pdf")});
    delete board;
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
    QVERIFY(writeOldExport(base + QStringLiteral("/plain.txt")));
    CanvasBoard board;
    PDFWriter writer(nullptr, &board.host);
    QVERIFY(writer.prepare(QStringLiteral("notes"), 4, &board.canvas, base + '/' + folder));
    QVERIFY(!writer.writePdf(writer.outputPath()));
    QCOMPARE(entriesOf(base), QStringList{QStringLiteral("plain.txt")});

    // Choosing such a folder is refused with the message; the folder stays.
    writer.setFolderAsker([&] { return base + '/' + folder; });
    const QString before = writer.folder();
    writer.changeFolder();
    QCOMPARE(writer.folder(), before);
    QCOMPARE(board.lastCall(QStringLiteral("message")),
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
