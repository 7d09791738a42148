#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "platform/documentconverter.h"
#include "slideshow/officeopenwithdialog.h"
#include "slideshow/officesuite.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "windowsetup.h"

namespace {

// Stands in for soffice: logs its arguments, then behaves as $QB_FAKE_MODE says.
const char fakeConverter[] = R"(#!/bin/sh
for a in "$@"; do printf '%s\n' "$a" >> "$QB_FAKE_LOG"; done
echo "--end--" >> "$QB_FAKE_LOG"
prev=""
for a in "$@"; do
    [ "$prev" = "--outdir" ] && outdir="$a"
    prev="$a"; src="$a"
done
name=$(basename "$src")
out="$outdir/${name%.*}.pdf"
case "$QB_FAKE_MODE" in
    fixture) cp "$QB_FAKE_PDF" "$out" ;;
    slow) sleep 1; cp "$QB_FAKE_PDF" "$out" ;;
    nothing) ;;
    empty) : > "$out" ;;
    garbage) printf 'no PDF in here' > "$out" ;;
    halfway) head -c 600 "$QB_FAKE_PDF" > "$out" ;;
    notloaded) echo "Error: source file could not be loaded" >&2 ;;
    fail) exit 3 ;;
    crash) kill -SEGV $$ ;;
    hang) while :; do sleep 1; done & wait ;; # a child that shares the command line
esac
exit 0
)";

bool writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(100, 100, QString::number(i + 1));
    }
    return painter.end();
}

int pdfPages(const QString &path)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::NoError)
        return -1;
    return document.pageCount();
}

QStringList filesBelow(const QString &folder)
{
    QStringList result;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        result << QDir(folder).relativeFilePath(it.next());
    return result;
}

} // namespace

class TestOfficeDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void suiteChoice_data();
    void suiteChoice();
    void openWithDialog();
    void fakeConverterOutcomes_data();
    void fakeConverterOutcomes();
    void pathsReachTheConverterUnchanged();
    void sameDocumentIsConvertedOnce();
    void realConversion();

private:
    MainWindow *build();
    void useFake(const QString &mode);
    QStringList loggedRuns() const;
    QStringList converterProcesses() const;
    // The converted copy of word (pages long) is shown in the only tab.
    void expectPdfDocumentShown(const BoxAnswerer &answer, MainWindow *w, const QString &word,
                                int pages);

    QTemporaryDir dir;
    QString fixturePdf;
    QString fakePath;
    QString realDocx; // made by LibreOffice itself; empty without it
    QString skipReason;
    QList<MainWindow *> windows;
};

void TestOfficeDocuments::initTestCase()
{
    QVERIFY(dir.isValid());
    // One data folder for the whole run, so the converter's profile is made only once.
    // With a space and Chinese, as under a teacher's home folder.
    appDataDir = dir.filePath(QStringLiteral("数据 data"));
    QVERIFY(QDir().mkpath(appDataDir));
    fixturePdf = dir.filePath(QStringLiteral("fixture.pdf"));
    QVERIFY(writePdf(fixturePdf, 3));
    fakePath = dir.filePath(QStringLiteral("fake soffice"));
    QVERIFY(FileSystem::writeBytes(fakePath, fakeConverter));
    QVERIFY(
        QFile::setPermissions(fakePath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        skipReason = QStringLiteral("LibreOffice (soffice) is not installed");
        return;
    }
    // A Word document of three pages, written by LibreOffice from HTML.
    const QString html = dir.filePath(QStringLiteral("教案 1.html"));
    QVERIFY(FileSystem::writeBytes(
        html,
        "<html><body><h1>第一页</h1><p style=\"page-break-before:always\">第二页</p>"
        "<p style=\"page-break-before:always\">第三页</p></body></html>"));
    const QUrl profile = QUrl::fromLocalFile(officeProfileDirPath() + QStringLiteral("/0"));
    QProcess make;
    make.start(soffice, {QStringLiteral("-env:UserInstallation=") + profile.toEncoded(),
                         "--headless", "--norestore", "--convert-to", "docx:MS Word 2007 XML",
                         "--outdir", dir.path(), html});
    QVERIFY(make.waitForFinished(120000));
    realDocx = dir.filePath(QStringLiteral("教案 1.docx"));
    QVERIFY2(QFileInfo(realDocx).size() > 0, make.readAll().constData());
}

void TestOfficeDocuments::init()
{
    qunsetenv("QB_SOFFICE");
    qputenv("QB_FAKE_LOG", dir.filePath(QStringLiteral("runs.log")).toUtf8());
    qputenv("QB_FAKE_PDF", fixturePdf.toUtf8());
    QFile::remove(dir.filePath(QStringLiteral("runs.log")));
}

void TestOfficeDocuments::cleanup()
{
    for (MainWindow *w : qAsConst(windows)) {
        w->closeAllTabs();
        delete w;
    }
    windows.clear();
    FileSystem::clearDir(clipboardDirPath());
}

MainWindow *TestOfficeDocuments::build()
{
    auto *window = new MainWindow;
    windows.append(window);
    window->setToolBarPort(std::make_unique<FakeToolBar>());
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    return window;
}

void TestOfficeDocuments::useFake(const QString &mode)
{
    const bool missing = mode == QLatin1String("missing");
    qputenv("QB_SOFFICE", missing ? dir.filePath("no such soffice").toUtf8() : fakePath.toUtf8());
    qputenv("QB_FAKE_MODE", mode.toUtf8());
}

// The argument lists of the fake converter's runs.
QStringList TestOfficeDocuments::loggedRuns() const
{
    const QString log = QString::fromUtf8(FileSystem::readAll(dir.filePath("runs.log")));
    QStringList runs = log.split(QStringLiteral("--end--\n"));
    runs.removeAll(QString());
    return runs;
}

// Running processes started for this run: their command lines hold the test's folder name
// (the fake's path, the real converter's profile URL). A zombie runs no more.
QStringList TestOfficeDocuments::converterProcesses() const
{
    const QByteArray mark = QFileInfo(dir.path()).fileName().toUtf8();
    QStringList found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList({"[0-9]*"}, QDir::Dirs);
    for (const QString &pid : pids) {
        QByteArray command = FileSystem::readAll("/proc/" + pid + "/cmdline");
        const QByteArray stat = FileSystem::readAll("/proc/" + pid + "/stat");
        const int close = stat.lastIndexOf(')');
        if (command.contains(mark) && close > 0 && stat.mid(close + 2, 1) != "Z")
            found << QString::fromUtf8(command.replace('\0', ' '));
    }
    return found;
}

void TestOfficeDocuments::expectPdfDocumentShown(const BoxAnswerer &answer, MainWindow *w,
                                                 const QString &word, int pages)
{
    QCOMPARE(answer.texts, QStringList());
    QCOMPARE(w->tabList().size(), 1);
    const TabItem *tab = w->tabList().first();
    QCOMPARE(tab->kind, 2);
    QCOMPARE(tab->path, word);
    QCOMPARE(tab->title, QFileInfo(word).fileName());
    QVERIFY(tab->pdfCanvas);
    QCOMPARE(tab->pdfCanvas->pageCount(), pages);
    const QStringList copies = filesBelow(clipboardDirPath());
    QCOMPARE(copies.size(), 1);
    QVERIFY(copies.first().startsWith(QStringLiteral("quillboard")));
    QVERIFY(copies.first().endsWith(QStringLiteral(".pdf")));
}

void TestOfficeDocuments::suiteChoice_data()
{
    QTest::addColumn<bool>("office");
    QTest::addColumn<bool>("wps");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("expected");
    QTest::newRow("only office") << true << false << 2 << false << int(OfficeSuite::Office);
    QTest::newRow("only wps") << false << true << 1 << false << int(OfficeSuite::Wps);
    QTest::newRow("neither") << false << false << 1 << false << int(OfficeSuite::NoneFound);
    QTest::newRow("both, office") << true << true << 1 << true << int(OfficeSuite::Office);
    QTest::newRow("both, wps") << true << true << 2 << true << int(OfficeSuite::Wps);
    QTest::newRow("both, closed") << true << true << 0 << true << int(OfficeSuite::Cancelled);
}

void TestOfficeDocuments::suiteChoice()
{
    QFETCH(bool, office);
    QFETCH(bool, wps);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(int, expected);
    bool wasAsked = false;
    const auto ask = [&] {
        wasAsked = true;
        return answer;
    };
    QCOMPARE(int(OfficeSuite::choose(office, wps, ask)), expected);
    QCOMPARE(wasAsked, asked);
}

void TestOfficeDocuments::openWithDialog()
{
    OfficeOpenWithDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("选择打开方式"));
    const QLabel *hint = dialog.findChild<QLabel *>();
    QCOMPARE(hint->text(), QStringLiteral("温馨提示：WPS兼容模式下，均默认使用WPS打开文件"));
    QCOMPARE(dialog.officeButton()->text(), QStringLiteral("Office"));
    QCOMPARE(dialog.wpsButton()->text(), QStringLiteral("WPS"));
    const int side = dialog.officeButton()->width();
    QCOMPARE(dialog.minimumSize(), QSize(6 * side, 3 * side));
    QTimer::singleShot(0, dialog.wpsButton(), &QPushButton::click);
    QCOMPARE(dialog.choose(), 2);
    OfficeOpenWithDialog office;
    QTimer::singleShot(0, office.officeButton(), &QPushButton::click);
    QCOMPARE(office.choose(), 1);
    OfficeOpenWithDialog closed;
    QTimer::singleShot(0, &closed, &QDialog::reject); // Escape or the close button
    QCOMPARE(closed.choose(), 0);
}

void TestOfficeDocuments::fakeConverterOutcomes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("message"); // empty: the converted PDF was opened
    const QString noPdf = QStringLiteral("打开过程被阻断[002}");
    QTest::newRow("pdf written") << "fixture" << QString();
    QTest::newRow("nothing written") << "nothing" << noPdf;
    QTest::newRow("empty file") << "empty" << noPdf;
    QTest::newRow("garbage") << "garbage" << noPdf;
    QTest::newRow("cut-off pdf") << "halfway" << noPdf;
    QTest::newRow("exit code 3") << "fail" << noPdf;
    QTest::newRow("hangs past the limit, killed whole") << "hang" << noPdf;
    QTest::newRow("source not loaded") << "notloaded" << QStringLiteral("打开过程被阻断[001}");
    QTest::newRow("killed by a signal") << "crash" << QStringLiteral("Word组件拒绝访问");
    QTest::newRow("no converter") << "missing" << QStringLiteral("无法启动Office或WPS");
}

void TestOfficeDocuments::fakeConverterOutcomes()
{
    QFETCH(QString, mode);
    QFETCH(QString, message);
    useFake(mode);
    const bool hang = mode == QLatin1String("hang");
    MainWindow *w = build();
    w->documentConverter()->setTimeLimit(1500);
    const QString word = dir.filePath(QStringLiteral("plan.docx"));
    QVERIFY(FileSystem::writeBytes(word, "whatever the suite reads"));
    // The window's event loop keeps running while the converter hangs.
    QStringList whileRunning;
    if (hang) {
        QTimer::singleShot(500, w, [&] {
            whileRunning << w->statusText() << QString::number(converterProcesses().size());
        });
    }
    QElapsedTimer clock;
    clock.start();
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openWordDocument(word);
        if (message.isEmpty()) {
            expectPdfDocumentShown(answer, w, word, 3);
        } else {
            QCOMPARE(answer.texts, QStringList({message}));
            QVERIFY(w->tabList().isEmpty());
            // No half-written copy, no work folder left behind.
            QCOMPARE(filesBelow(clipboardDirPath()).join(','), QString());
        }
    }
    QVERIFY(clock.elapsed() < 30000);
    if (hang) // the converter and the child it started, both gone afterwards
        QCOMPARE(whileRunning, QStringList({QStringLiteral("正在转换文件"), "2"}));
    QTRY_COMPARE(converterProcesses(), QStringList());
    QCOMPARE(w->statusText(), QString());
    QCOMPARE(loggedRuns().size(), mode == QLatin1String("missing") ? 0 : 1);
}

void TestOfficeDocuments::pathsReachTheConverterUnchanged()
{
    useFake(QStringLiteral("fixture"));
    const QString folder = dir.filePath(QStringLiteral("-课件 $HOME"));
    QVERIFY(QDir().mkpath(folder));
    const QString word = folder + QStringLiteral("/-教案 2 `id`; 'a' \"b\" & c.docx");
    QVERIFY(FileSystem::writeBytes(word, "x"));
    DocumentConverter converter;
    converter.setProfileDir(officeProfileDirPath());
    QSignalSpy converting(&converter, &DocumentConverter::converting);
    const QString target = clipboardDirPath() + QStringLiteral("/out.pdf");
    QCOMPARE(converter.convert(word, QStringLiteral("pdf"), target), DocumentConverter::Converted);
    QCOMPARE(converting.count(), 1);
    QCOMPARE(pdfPages(target), 3);

    const QStringList args = loggedRuns().value(0).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(args.size(), 8);
    QCOMPARE(args.at(0), QStringLiteral("-env:UserInstallation=") +
                             QUrl::fromLocalFile(officeProfileDirPath() + "/0").toEncoded());
    QCOMPARE(args.mid(1, 5),
             QStringList({"--headless", "--norestore", "--convert-to", "pdf", "--outdir"}));
    // The work folder sits beside the target and is gone afterwards.
    QCOMPARE(QFileInfo(args.at(6)).absolutePath(), clipboardDirPath());
    QVERIFY(!QFileInfo::exists(args.at(6)));
    QCOMPARE(args.at(7), word);
    QCOMPARE(filesBelow(clipboardDirPath()), QStringList({"out.pdf"}));
    // An existing target is never overwritten.
    QCOMPARE(converter.convert(word, QStringLiteral("pdf"), target), DocumentConverter::NoOutput);
    QCOMPARE(pdfPages(target), 3);
}

void TestOfficeDocuments::sameDocumentIsConvertedOnce()
{
    useFake(QStringLiteral("slow"));
    MainWindow *w = build();
    const QString a = dir.filePath(QStringLiteral("a.docx"));
    const QString b = dir.filePath(QStringLiteral("b/a.docx")); // the same file name
    QVERIFY(FileSystem::writeBytes(a, "x"));
    QVERIFY(QDir().mkpath(dir.filePath("b")));
    QVERIFY(FileSystem::writeBytes(b, "x"));
    QString convertedB;
    // While a converts, the teacher opens a again, then another file of the same name.
    int pagesB = 0;
    QTimer::singleShot(300, w, [&] {
        w->openWordDocument(a);
        convertedB = w->convertWordToPdf(b);
        pagesB = pdfPages(convertedB);
        FileSystem::removeFile(convertedB);
    });
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openWordDocument(a);
        expectPdfDocumentShown(answer, w, a, 3);
    }
    // a converted once; b in a profile of its own, since two converters on one profile
    // hand their jobs to each other.
    const QStringList runs = loggedRuns();
    QCOMPARE(runs.size(), 2);
    QVERIFY(runs.at(0).contains(QStringLiteral("officeprofile/0\n")));
    QVERIFY(runs.at(0).endsWith(a + QStringLiteral("\n")));
    QVERIFY(runs.at(1).contains(QStringLiteral("officeprofile/1\n")));
    QVERIFY(runs.at(1).endsWith(b + QStringLiteral("\n")));
    QVERIFY(convertedB.startsWith(clipboardDirPath() + QStringLiteral("/quillboard")));
    QCOMPARE(pagesB, 3);
    // Opened once more when shown: its tab comes to the front, with no conversion.
    TabItem *shown = w->tabList().first();
    w->newWhiteboardTab(QStringLiteral("#ffffff"));
    QVERIFY(w->currentTabItem() != shown);
    w->openFiles({a});
    QCOMPARE(w->currentTabItem(), shown);
    QCOMPARE(loggedRuns().size(), 2);
}

void TestOfficeDocuments::realConversion()
{
    if (realDocx.isEmpty())
        QSKIP(qPrintable(skipReason));
    MainWindow *w = build();
    {
        BoxAnswerer answer(QStringLiteral("OK"));
        w->openFiles({realDocx});
        expectPdfDocumentShown(answer, w, realDocx, 3);
    }
    // No converter process outlives the call.
    QCOMPARE(converterProcesses(), QStringList());
    // A zip header with nothing behind it: the suite cannot load it.
    const QString broken = dir.filePath(QStringLiteral("坏 文件.docx"));
    QVERIFY(FileSystem::writeBytes(broken, QByteArray("PK\x03\x04", 4) + "broken"));
    const QStringList copies = filesBelow(clipboardDirPath()); // the open tab's own copy
    BoxAnswerer answer(QStringLiteral("OK"));
    w->openWordDocument(broken);
    QCOMPARE(answer.texts, QStringList({QStringLiteral("打开过程被阻断[001}")}));
    QCOMPARE(filesBelow(clipboardDirPath()), copies);
    QCOMPARE(w->statusText(), QString());
}

QTEST_MAIN(TestOfficeDocuments)
#include "tst_officedocuments.moc"
