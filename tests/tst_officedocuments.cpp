#include <QPdfDocument>
#include <QPushButton>
#include <QtTest>

#include "documents/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "platform/documentconverter.h"
#include "slideshow/officeopenwithdialog.h"
#include "slideshow/officesuite.h"

#include "boxanswerer.h"
#include "pdffixtures.h"
#include "requiredprograms.h"
#include "slidefixtures.h"

namespace {

int pdfPages(const QString &path)
{
    QPdfDocument document;
    return document.load(path) == QPdfDocument::NoError ? document.pageCount() : -1;
}

// Running processes whose command lines hold mark (the fake's path, the real converter's
// profile URL). A zombie runs no more.
QStringList processesWith(const QString &mark)
{
    QStringList found;
    for (const QString &pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
        QByteArray command = FileSystem::readAll("/proc/" + pid + "/cmdline");
        const QByteArray stat = FileSystem::readAll("/proc/" + pid + "/stat");
        const int close = stat.lastIndexOf(')');
        if (command.contains(mark.toUtf8()) && close > 0 && stat.mid(close + 2, 1) != "Z")
            found << QString::fromUtf8(command.replace('\0', ' '));
    }
    return found;
}

// The converted copy of word (pages long) is shown in the only tab.
void expectPdfDocumentShown(const BoxAnswerer &answer, MainWindow *w, const QString &word,
                            int pages)
{
    QCOMPARE(answer.texts, QStringList());
    QCOMPARE(w->tabList().size(), 1);
    const TabItem *tab = w->tabList().first();
    QCOMPARE(tab->title, QFileInfo(word).fileName());
    QVERIFY(tab->pdfCanvas);
    QCOMPARE(tab->pdfCanvas->pageCount(), pages);
    QCOMPARE(filesBelow(clipboardDirPath()).size(), 1);
}

} // namespace

class TestOfficeDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup()
    {
        office.deleteWindows();
        FileSystem::clearDir(clipboardDirPath());
    }
    // The choice rule and its dialog, never shown while only one suite is found on Linux.
    void suiteChoice();
    void fakeConverterOutcomes_data();
    void fakeConverterOutcomes();
    void existingTargetIsNeverOverwritten();
    void limitEndsWithItsConverter();
    void sameDocumentIsConvertedOnce();
    void realConversion();

private:
    QStringList converterProcesses() const
    {
        return processesWith(QFileInfo(office.dir.path()).fileName());
    }

    OfficeFakes office;
    QString realDocx; // made by LibreOffice itself; empty without it
};

void TestOfficeDocuments::initTestCase()
{
    QB_REQUIRE_PROGRAM("soffice");
    // One data folder for the whole run, so the converter's profile is made only once.
    QVERIFY(office.dir.isValid() && office.setUp());
    const QString pdf = office.dir.filePath("fixture.pdf");
    QVERIFY(writeTestPdf(pdf, a4Pages(3)));
    qputenv("QB_FAKE_PDF", pdf.toUtf8());
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        return;
    // A Word document of three pages, written by LibreOffice from HTML.
    realDocx = makeWithSoffice(office.dir.filePath("教案 1.html"),
                               "<html><body><h1>第一页</h1>"
                               "<p style=\"page-break-before:always\">第二页</p>"
                               "<p style=\"page-break-before:always\">第三页</p></body></html>",
                               "docx:MS Word 2007 XML", officeProfileDirPath() + "/0");
    QVERIFY(!realDocx.isEmpty());
}

void TestOfficeDocuments::suiteChoice()
{
    // {Office found, WPS found, click in the dialog (1 Office, 2 WPS, 0 closed), asked, choice}
    const int cases[][5] = {
        {1, 0, 2, 0, OfficeSuite::Office},    {0, 1, 1, 0, OfficeSuite::Wps},
        {0, 0, 1, 0, OfficeSuite::NoneFound}, {1, 1, 1, 1, OfficeSuite::Office},
        {1, 1, 2, 1, OfficeSuite::Wps},       {1, 1, 0, 1, OfficeSuite::Cancelled}};
    for (const auto &c : cases) {
        bool asked = false;
        const auto ask = [&] {
            asked = true;
            OfficeOpenWithDialog dialog;
            QTimer::singleShot(0, &dialog, [&] {
                if (c[2] == 0)
                    dialog.reject(); // Escape or the close button
                else
                    (c[2] == 1 ? dialog.officeButton() : dialog.wpsButton())->click();
            });
            return dialog.choose();
        };
        QCOMPARE(int(OfficeSuite::choose(c[0], c[1], ask)), c[4]);
        QCOMPARE(asked, bool(c[3]));
    }
}

void TestOfficeDocuments::fakeConverterOutcomes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message");
    const QString noPdf = QStringLiteral("打开过程被阻断[002}");
    QTest::newRow("garbage") << "garbage" << noPdf;
    QTest::newRow("cut-off pdf") << "halfway" << noPdf;
    QTest::newRow("hangs past the limit, killed whole") << "hang" << noPdf;
    QTest::newRow("source not loaded") << "notloaded" << QStringLiteral("打开过程被阻断[001}");
    QTest::newRow("killed by a signal") << "crash" << QStringLiteral("Word组件拒绝访问");
    QTest::newRow("no converter") << "missing" << QStringLiteral("无法启动Office或WPS");
}

void TestOfficeDocuments::fakeConverterOutcomes()
{
    QFETCH(QString, mode);
    QFETCH(QString, message);
    office.use(mode);
    const bool hang = mode == QLatin1String("hang");
    MainWindow *w = office.window();
    w->documentConverter()->setTimeLimit(1500);
    // The path reaches the converter as one argument, unchanged.
    const QString folder = office.dir.filePath("-课件 $HOME");
    const QString word = folder + "/-教案 2 `id`; 'a' \"b\" & c.docx";
    QVERIFY(QDir().mkpath(folder) && FileSystem::writeBytes(word, "whatever the suite reads"));
    // The window's event loop keeps running while the converter hangs.
    QStringList whileRunning;
    QTimer watch;
    connect(&watch, &QTimer::timeout, w, [&] {
        if (whileRunning.isEmpty() && converterProcesses().size() == 2)
            whileRunning << w->statusText() << QStringLiteral("2");
    });
    if (hang)
        watch.start(20);
    QElapsedTimer clock;
    clock.start();
    {
        BoxAnswerer answer("OK");
        w->openWordDocument(word);
        QCOMPARE(answer.texts, QStringList({message}));
    }
    QVERIFY(w->tabList().isEmpty());
    // No half-written copy, no work folder left behind.
    QCOMPARE(filesBelow(clipboardDirPath()), QStringList());
    QVERIFY(clock.elapsed() < 30000);
    if (hang) // the converter and the child it started, both gone afterwards
        QCOMPARE(whileRunning, QStringList({"正在转换文件", "2"}));
    QTRY_COMPARE(converterProcesses(), QStringList());
    QCOMPARE(w->statusText(), QString());
    QCOMPARE(office.runs().size(), mode == QLatin1String("missing") ? 0 : 1);
    if (mode == QLatin1String("missing"))
        return;
    const QStringList args = office.runs().value(0).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(args.size(), 8);
    // The work folder sits beside the target and is gone afterwards.
    QCOMPARE(QFileInfo(args.at(6)).absolutePath(), clipboardDirPath());
    QVERIFY(!QFileInfo::exists(args.at(6)));
    QCOMPARE(args.at(7), word);
}

void TestOfficeDocuments::existingTargetIsNeverOverwritten()
{
    office.use("fixture");
    const QString word = office.dir.filePath("a.docx");
    const QString target = clipboardDirPath() + "/out.pdf";
    QVERIFY(FileSystem::writeBytes(word, "x") && writeTestPdf(target, a4Pages(1)));
    DocumentConverter converter;
    converter.setProfileDir(officeProfileDirPath());
    QCOMPARE(converter.convert(word, "pdf", target), DocumentConverter::NoOutput);
    QCOMPARE(pdfPages(target), 1);
    QCOMPARE(filesBelow(clipboardDirPath()), QStringList({"out.pdf"}));
}

// A second conversion started while the first runs keeps the first's loop waiting after its
// converter ended; the first's time limit must not fire on that wait.
void TestOfficeDocuments::limitEndsWithItsConverter()
{
    QTemporaryDir out;
    const QString word = out.filePath("a.docx");
    QVERIFY(FileSystem::writeBytes(word, "x"));
    DocumentConverter first, second;
    first.setProfileDir(out.filePath("p1"));
    second.setProfileDir(out.filePath("p2"));
    first.setTimeLimit(3000);
    second.setTimeLimit(6000);
    office.use("slow"); // 1 s
    QTimer::singleShot(50, [&] {
        qputenv("QB_FAKE_MODE", "hang"); // held for the second's 6 s
        QCOMPARE(second.convert(word, "pdf", out.filePath("b.pdf")), DocumentConverter::NoOutput);
    });
    QCOMPARE(first.convert(word, "pdf", out.filePath("a.pdf")), DocumentConverter::Converted);
    QCOMPARE(pdfPages(out.filePath("a.pdf")), 3);
    QTRY_COMPARE(converterProcesses(), QStringList());
}

void TestOfficeDocuments::sameDocumentIsConvertedOnce()
{
    office.use("slow");
    MainWindow *w = office.window();
    const QString a = office.dir.filePath("a.docx");
    const QString b = office.dir.filePath("b/a.docx"); // the same file name
    QVERIFY(QDir().mkpath(office.dir.filePath("b")));
    QVERIFY(FileSystem::writeBytes(a, "x") && FileSystem::writeBytes(b, "x"));
    // While a converts, the teacher opens a again, then another file of the same name.
    QString convertedB;
    int pagesB = 0;
    QTimer::singleShot(300, w, [&] {
        w->openWordDocument(a);
        convertedB = w->convertWordToPdf(b);
        pagesB = pdfPages(convertedB);
        FileSystem::removeFile(convertedB);
    });
    {
        BoxAnswerer answer("OK");
        w->openWordDocument(a);
        expectPdfDocumentShown(answer, w, a, 3);
    }
    // a converted once; b in a profile of its own, since two converters on one profile
    // hand their jobs to each other.
    const QStringList runs = office.runs();
    QCOMPARE(runs.size(), 2);
    QVERIFY(runs.at(0).contains("officeprofile/0\n") && runs.at(0).endsWith(a + "\n"));
    QVERIFY(runs.at(1).contains("officeprofile/1\n") && runs.at(1).endsWith(b + "\n"));
    QCOMPARE(pagesB, 3);
}

void TestOfficeDocuments::realConversion()
{
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY2(!realDocx.isEmpty(), "LibreOffice did not write the Word document");
    qunsetenv("QB_SOFFICE");
    MainWindow *w = office.window();
    {
        BoxAnswerer answer("OK");
        w->openFiles({realDocx});
        expectPdfDocumentShown(answer, w, realDocx, 3);
    }
    // No converter process outlives the call.
    QCOMPARE(converterProcesses(), QStringList());
    // A zip header with nothing behind it: the suite cannot load it.
    const QString broken = office.dir.filePath("坏 文件.docx");
    QVERIFY(FileSystem::writeBytes(broken, QByteArray("PK\x03\x04", 4) + "broken"));
    const QStringList copies = filesBelow(clipboardDirPath()); // the open tab's own copy
    BoxAnswerer answer("OK");
    w->openWordDocument(broken);
    QCOMPARE(answer.texts, QStringList({"打开过程被阻断[001}"}));
    QCOMPARE(filesBelow(clipboardDirPath()), copies);
    QCOMPARE(w->statusText(), QString());
}

QTEST_MAIN(TestOfficeDocuments)
#include "tst_officedocuments.moc"
