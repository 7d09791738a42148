#include <QDir>
#include <QPdfDocument>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include "base/filesystem.h"
#include "pdf/pdfwriter.h"

#include "boarddriver.h"
#include "pdffixtures.h"

class PdfWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void interruptedExportKeepsOldFile_data();
    void interruptedExportKeepsOldFile();
    void withoutDesktopHomeIsTheFolder();
    void mixedPageSizesKeepTheirShape();

private:
    QTemporaryDir dir;
};

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
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("notes.pdf")});
    delete board;
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

void PdfWriterTest::mixedPageSizesKeepTheirShape()
{
    // Regression: every page of a PDF board was exported as wide as the widest, so a portrait
    // page among landscape ones came out (nearly) square.
    const QString mixed = dir.filePath(QStringLiteral("mixed.pdf"));
    QVERIFY(writeTestPdf(mixed, mixedLegalPages()));
    PdfBoard board(mixed, dir.path());
    QVERIFY(board.open());
    PDFWriter writer;
    const QString folder = dir.filePath(QStringLiteral("mixed"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writer.prepare(QStringLiteral("mixed.pdf"), 2, board.canvas, folder));
    QVERIFY(writer.writePdf(writer.outputPath()));
    QPdfDocument written;
    QCOMPARE(written.load(writer.outputPath()), QPdfDocument::NoError);
    QCOMPARE(written.pageCount(), 3);
    const QVector<QSizeF> pages = mixedLegalPages();
    for (int i = 0; i < 3; ++i) {
        const QSizeF size = written.pageSize(i);
        QVERIFY2(
            qAbs(size.width() / size.height() - pages.at(i).width() / pages.at(i).height()) < 0.02,
            qPrintable(QStringLiteral("page %1: %2 x %3 pt")
                           .arg(i + 1)
                           .arg(size.width())
                           .arg(size.height())));
    }
}

QTEST_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
