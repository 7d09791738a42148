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
    void onlyPdfFilesRememberTheirPage();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString threePages;
    std::unique_ptr<MainWindow> window;
};

void PdfTabsTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    appDataDir = dir->path();
    QVERIFY(QDir().mkpath(configDirPath()));
    threePages = dir->filePath(QStringLiteral("three.pdf"));
    QVERIFY(writeTestPdf(threePages, a4Pages(3)));
    window = std::make_unique<MainWindow>();
    window->setToolBarPort(std::make_unique<FakeToolBar>());
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    window->resize(1280, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void PdfTabsTest::cleanup()
{
    PDFReader::setPasswordAsker(nullptr);
    window->closeAllTabs();
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dir.reset();
}

void PdfTabsTest::badFilesGiveAMessageAndNoTab_data()
{
    // Rows name the kind of file writeBadPdf makes; messages end as shown.
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
    QVERIFY(writeBadPdf(path, kind, threePages));
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
    QTest::newRow("right password") << "locked.pdf" << a4Pages(3);
    QTest::newRow("Chinese name with spaces") << "第三章 课堂 练习.pdf" << a4Pages(4);
    QTest::newRow("page 2 metres wide")
        << "wall chart.pdf" << QVector<QSizeF>{{595, 842}, {5669.3, 1700}};
    QTest::newRow("portrait and landscape")
        << "mixed.pdf" << QVector<QSizeF>{{595, 842}, {842, 595}, {595, 842}};
}

void PdfTabsTest::goodFilesOpenAtTheirFirstPage()
{
    QFETCH(QString, name);
    QFETCH(QVector<QSizeF>, pages);
    const QString path = dir->filePath(name);
    if (name == QLatin1String("locked.pdf")) {
        QVERIFY(writeBadPdf(path, QStringLiteral("locked"), threePages));
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

void PdfTabsTest::onlyPdfFilesRememberTheirPage()
{
    const QString path = dir->filePath(QStringLiteral("第五章 复习.pdf"));
    QVERIFY(writeTestPdf(path, a4Pages(10)));
    const QString stateFile = configDirPath() + QStringLiteral("/") + PdfCanvas::stateKeyOf(path) +
                              QStringLiteral(".ini");
    BoxAnswerer answer(QStringLiteral("确定"));
    window->openFiles({path});
    window->currentTabItem()->pdfCanvas->scrollToPage(6);
    QCOMPARE(window->currentTabItem()->pdfCanvas->currentPageIndex(), 6);
    window->closeTab(window->currentTabItem());
    QVERIFY(window->tabList().isEmpty());
    QCOMPARE(FileSystem::readAll(stateFile), QByteArray("6"));
    window->openFiles({path});
    PdfCanvas *pdf = window->currentTabItem()->pdfCanvas;
    QTRY_COMPARE(pdf->currentPageIndex(), 6);
    QVERIFY(!pdf->pageList().at(6)->layer1.isNull());
    QVERIFY(pdf->pageList().at(0)->layer1.isNull());
    window->closeTab(window->currentTabItem());

    // A converted document opens under its own name, once; it is new every time, so closing it
    // leaves no remembered page behind.
    const QString word = dir->filePath(QStringLiteral("教案.docx"));
    QVERIFY(FileSystem::writeBytes(word, "PK"));
    QVERIFY(window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    TabItem *tab = window->currentTabItem();
    QCOMPARE(tab->title, QStringLiteral("教案.docx"));
    QCOMPARE(tab->path, word);
    QCOMPARE(tab->toolTip(), word);
    QCOMPARE(window->recentFiles()->files().value(0), word);
    tab->pdfCanvas->scrollToPage(2);
    QVERIFY(!window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    QCOMPARE(window->tabList().size(), 1);
    window->closeTab(tab);
    QCOMPARE(QDir(configDirPath()).entryList({QStringLiteral("*.ini")}),
             QStringList{QFileInfo(stateFile).fileName()});
}

QTEST_MAIN(PdfTabsTest)
#include "tst_pdftabs.moc"
