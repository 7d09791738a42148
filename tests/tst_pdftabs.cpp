#include <QTemporaryDir>
#include <QtTest>

#include "app/filesystem.h"
#include "app/globals.h"
#include "app/paths.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/recentfilescontroler.h"
#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfpagedata.h"
#include "pdf/pdfreader.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "windowsetup.h"

class PdfTabsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void badFilesGiveAMessageAndNoTab_data();
    void badFilesGiveAMessageAndNoTab();
    void goodFilesOpenAtTheirFirstPage_data();
    void goodFilesOpenAtTheirFirstPage();
    void reopenedFileShowsItsLastPage();
    void convertedDocumentOpensUnderItsOwnName();

private:
    QTemporaryDir *dir = nullptr;
    QString threePages;
    MainWindow *window = nullptr;
};

void PdfTabsTest::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    appDataDir = dir->path();
    QVERIFY(QDir().mkpath(configDirPath()));
    threePages = dir->filePath(QStringLiteral("three.pdf"));
    QVERIFY(writeTestPdf(threePages, a4Pages(3)));
    window = new MainWindow;
    window->setToolBarPort(std::make_unique<FakeToolBar>());
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    window->resize(1280, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void PdfTabsTest::cleanup()
{
    PDFReader::setPasswordAsker(nullptr);
    window->closeAllTabs();
    delete window;
    window = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete dir;
    dir = nullptr;
}

void PdfTabsTest::badFilesGiveAMessageAndNoTab_data()
{
    // Rows name the kind of file; messages end as shown.
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "读取失败，请检查文件是否存在或被占用";
    QTest::newRow("random") << "失败，错误原因：文件格式错误";
    QTest::newRow("truncated") << "失败，错误原因：文件格式错误";
    QTest::newRow("empty") << "失败，错误原因：空白文件";
    QTest::newRow("tiny") << "失败，错误原因：空白文件或页面尺寸超出限制";
    QTest::newRow("cancel") << "失败，错误原因：密码错误";
    QTest::newRow("wrong") << "失败，错误原因：密码错误";
}

void PdfTabsTest::badFilesGiveAMessageAndNoTab()
{
    QFETCH(QString, message);
    const QString kind = QString::fromLatin1(QTest::currentDataTag());
    const QString path = dir->filePath(kind + QStringLiteral(".pdf"));
    QByteArray whole = FileSystem::readAll(threePages);
    if (kind == QLatin1String("random"))
        QVERIFY(FileSystem::writeBytes(path, QByteArray(5000, '\x7f')));
    else if (kind == QLatin1String("truncated"))
        QVERIFY(FileSystem::writeBytes(path, whole.left(whole.size() / 2)));
    else if (kind == QLatin1String("empty"))
        QVERIFY(writeRawPdf(path, {}));
    else if (kind == QLatin1String("tiny"))
        QVERIFY(writeRawPdf(path, {QStringLiteral("/MediaBox [0 0 0.2 0.2]")}));
    else if (kind != QLatin1String("missing"))
        QVERIFY(encryptPdf(threePages, path, QStringLiteral("right")));
    PDFReader::setPasswordAsker([kind](QString *password) {
        *password = QStringLiteral("wrong");
        return kind == QLatin1String("wrong");
    });
    BoxAnswerer answer(QStringLiteral("OK"));
    window->openFiles({path});
    QCOMPARE(answer.texts.size(), 1);
    QVERIFY2(answer.texts.first().endsWith(message), qPrintable(answer.texts.first()));
    QVERIFY(answer.texts.first().contains(path));
    QVERIFY(window->tabList().isEmpty());
    QVERIFY(window->findChildren<PdfCanvas *>().size() <= 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window->findChildren<PdfCanvas *>().isEmpty());
}

void PdfTabsTest::goodFilesOpenAtTheirFirstPage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<QSizeF>>("pages");
    QTest::addColumn<bool>("locked");

    QTest::newRow("right password") << "locked.pdf" << a4Pages(3) << true;
    QTest::newRow("Chinese name with spaces") << "第三章 课堂 练习.pdf" << a4Pages(4) << false;
    QTest::newRow("page 2 metres wide")
        << "wall chart.pdf" << QVector<QSizeF>{{595, 842}, {5669.3, 1700}} << false;
    QTest::newRow("portrait and landscape")
        << "mixed.pdf" << QVector<QSizeF>{{595, 842}, {842, 595}, {595, 842}} << false;
}

void PdfTabsTest::goodFilesOpenAtTheirFirstPage()
{
    QFETCH(QString, name);
    QFETCH(QVector<QSizeF>, pages);
    QFETCH(bool, locked);
    const QString path = dir->filePath(name);
    if (locked) {
        QVERIFY(encryptPdf(threePages, path, QStringLiteral("right")));
        PDFReader::setPasswordAsker([](QString *password) {
            *password = QStringLiteral("right");
            return true;
        });
    } else {
        QVERIFY(writeTestPdf(path, pages));
    }
    BoxAnswerer answer(QStringLiteral("OK"));
    window->openFiles({path});
    QCOMPARE(answer.texts, QStringList());
    QCOMPARE(window->tabList().size(), 1);
    TabItem *tab = window->currentTabItem();
    QCOMPARE(tab->kind, 2);
    QCOMPARE(tab->title, name);
    QCOMPARE(tab->path, path);
    PdfCanvas *pdf = tab->pdfCanvas;
    QVERIFY(pdf);
    QCOMPARE(pdf->pageCount(), pages.size());
    QCOMPARE(pdf->currentPageIndex(), 0);
    // The first page is rendered without any scrolling, and nothing far away is.
    QTRY_VERIFY(!pdf->pageList().first()->layer1.isNull());
    QVERIFY(pdf->pageList().last()->pageImage.isNull() || pages.size() < 3);
    QCOMPARE(window->recentFiles()->files().value(0), path);
}

void PdfTabsTest::reopenedFileShowsItsLastPage()
{
    const QString path = dir->filePath(QStringLiteral("第五章 复习.pdf"));
    QVERIFY(writeTestPdf(path, a4Pages(10)));
    window->openFiles({path});
    PdfCanvas *pdf = window->currentTabItem()->pdfCanvas;
    pdf->scrollToPage(6);
    QCOMPARE(pdf->currentPageIndex(), 6);
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        window->closeTab(window->currentTabItem());
    }
    QVERIFY(window->tabList().isEmpty());
    QCOMPARE(FileSystem::readAll(configDirPath() + QStringLiteral("/") +
                                 PdfCanvas::stateKeyOf(path) + QStringLiteral(".ini")),
             QByteArray("6"));
    window->openFiles({path});
    pdf = window->currentTabItem()->pdfCanvas;
    QTRY_COMPARE(pdf->currentPageIndex(), 6);
    QVERIFY(!pdf->pageList().at(6)->layer1.isNull());
    QVERIFY(pdf->pageList().at(0)->layer1.isNull());
}

void PdfTabsTest::convertedDocumentOpensUnderItsOwnName()
{
    const QString word = dir->filePath(QStringLiteral("教案.docx"));
    QVERIFY(FileSystem::writeBytes(word, "PK"));
    QVERIFY(window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    TabItem *tab = window->currentTabItem();
    QCOMPARE(tab->title, QStringLiteral("教案.docx"));
    QCOMPARE(tab->path, word);
    QCOMPARE(tab->toolTip(), word);
    QCOMPARE(window->recentFiles()->files().value(0), word);
    tab->pdfCanvas->scrollToPage(2);
    // Opening the document again shows its tab; closing leaves no remembered page behind.
    QVERIFY(!window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    QCOMPARE(window->tabList().size(), 1);
    {
        BoxAnswerer answer(QStringLiteral("确定"));
        window->closeTab(tab);
    }
    QVERIFY(QDir(configDirPath()).entryList({QStringLiteral("*.ini")}).isEmpty());
}

QTEST_MAIN(PdfTabsTest)
#include "tst_pdftabs.moc"
