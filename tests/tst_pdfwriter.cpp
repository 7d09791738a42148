#include <QDir>
#include <QPdfDocument>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/filesystem.h"
#include "app/uimetrics.h"
#include "canvas/canvas.h"
#include "pdf/pdfwriter.h"

#include "canvasboard.h"
#include "pdfboard.h"
#include "pdffixtures.h"

namespace {

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

} // namespace

class PdfWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(writeTestPdf(threePages, a4Pages(3))); }
    void exportReadsBack_data();
    void exportReadsBack();
    void interruptedExportKeepsOldFile_data();
    void interruptedExportKeepsOldFile();
    void unwritableTargetLeavesNothing_data();
    void unwritableTargetLeavesNothing();
    void withoutDesktopHomeIsTheFolder();

private:
    QTemporaryDir dir;
    const QString threePages = dir.filePath(QStringLiteral("three.pdf"));
};

void PdfWriterTest::exportReadsBack_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSize>("size");
    QTest::newRow("pdf tab") << 2 << 3 << QSize(840, 1188);
    QTest::newRow("board of 3 pages") << int(Canvas::NewBoard) << 3 << QSize(800, 500);
    QTest::newRow("picture tab") << int(Canvas::PictureDocument) << 1 << QSize(600, 400);
}

void PdfWriterTest::exportReadsBack()
{
    QFETCH(int, kind);
    QFETCH(int, pages);
    QFETCH(QSize, size);
    const QString folder = dir.filePath(QString::number(kind));
    QVERIFY(QDir().mkpath(folder));

    // The same blue stroke across the first page of each kind of board.
    std::unique_ptr<PdfBoard> pdf;
    std::unique_ptr<CanvasBoard> board;
    if (kind == 2) {
        pdf = std::make_unique<PdfBoard>(threePages, dir.path());
        QVERIFY(pdf->open());
    } else {
        board = std::make_unique<CanvasBoard>(size, kind);
        QPixmap picture(size);
        picture.fill(Qt::yellow);
        const QPixmap background = kind == Canvas::PictureDocument ? picture : QPixmap();
        QVERIFY(board->canvas.loadPages(QVector<QSize>(pages, size).toList(),
                                        QVector<QPixmap>(pages, background).toList()));
        board->canvas.setZoom(1.0);
    }
    PaintProperty &property = pdf ? pdf->property : board->property;
    property.paintTool = PaintTool::Pen;
    property.lineBoldSize = 9;
    property.foreColor = QStringLiteral("#143ce6");
    const QPointF from(size.width() / 4.0, size.height() / 4.0), to(size.width() * 0.75, from.y());
    if (pdf)
        pdf->stroke(0, from, to);
    else
        board->drag(from, to);

    RecordingCanvasHost host;
    PDFWriter writer(nullptr, &host);
    QWidget *canvas = pdf ? static_cast<QWidget *>(pdf->canvas) : &board->canvas;
    QVERIFY(writer.prepare(QStringLiteral("lesson.final.pdf"), kind, canvas, folder));
    // A name with dots keeps them; the written file is the only one in the folder.
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
        const QSizeF off = document.pageSize(i) - want;
        QVERIFY2(qAbs(off.width()) <= pointsPerMm && qAbs(off.height()) <= pointsPerMm,
                 qPrintable(QStringLiteral("page %1").arg(i)));
    }
    // The stroke across the upper part of page 1, nothing in its lower half.
    const QImage first = document.render(0, (document.pageSize(0) * 2).toSize());
    const int w = first.width(), h = first.height();
    QVERIFY(inkPixels(first, QRect(w / 2 - 6, h / 4 - 6, 13, 13)) > 0);
    QCOMPARE(inkPixels(first, QRect(0, h / 2, w, h / 2)), 0);
}

void PdfWriterTest::interruptedExportKeepsOldFile_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("replace declined") << QStringLiteral("decline");
    QTest::newRow("dialog rejected") << QStringLiteral("reject");
    // Regression: the page loop went on with the closed board's null pointer.
    QTest::newRow("board closed") << QStringLiteral("close");
}

void PdfWriterTest::interruptedExportKeepsOldFile()
{
    // Regression: the file was written in place, so a failure or a cancel after the replace
    // question destroyed the old file.
    QFETCH(QString, stop);
    const QString folder = dir.filePath(stop);
    QVERIFY(QDir().mkpath(folder));
    auto *board = new CanvasBoard(QSize(400, 300));
    QVERIFY(board->canvas.loadPages(QVector<QSize>(5, QSize(400, 300)).toList(),
                                    QVector<QPixmap>(5, QPixmap()).toList()));
    RecordingCanvasHost host;
    host.answer = stop != QLatin1String("decline");
    PDFWriter writer(nullptr, &host);
    QVERIFY(writer.prepare(QStringLiteral("notes"), 4, &board->canvas, folder));
    const QString old = writer.outputPath();
    QVERIFY(FileSystem::writeBytes(old, "old export"));
    QSignalSpy written(&writer, &PDFWriter::pageWritten);
    connect(&writer, &PDFWriter::pageWritten, this, [&](int count) {
        if (count == 2 && stop == QLatin1String("close")) {
            delete board;
            board = nullptr;
        } else if (count == 2) {
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
    QCOMPARE(FileSystem::readAll(old), QByteArray("old export"));
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
    QVERIFY(FileSystem::writeBytes(base + QStringLiteral("/plain.txt"), "old export"));
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

void PdfWriterTest::withoutDesktopHomeIsTheFolder()
{
    // Regression: a missing Desktop folder was taken as the export folder.
    CanvasBoard board;
    PDFWriter writer;
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QVERIFY(writer.prepare(QStringLiteral("a"), 4, &board.canvas, QString()));
    QCOMPARE(writer.folder(), home.path());
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    QVERIFY(writer.prepare(QStringLiteral("a"), 4, &board.canvas, QString()));
    QCOMPARE(writer.folder(), home.filePath(QStringLiteral("Desktop")));
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
