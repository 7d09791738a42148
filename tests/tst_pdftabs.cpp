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
    void eachFileOpensOrSaysWhy_data();
    void eachFileOpensOrSaysWhy();
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

void PdfTabsTest::eachFileOpensOrSaysWhy_data()
{
    // Rows name the file: a kind writeBadPdf makes, or a PDF of the given pages. Failures end
    // with the message; the others open at their first page.
    QTest::addColumn<QVector<QSizeF>>("pages");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << a4Pages(0) << "读取失败，请检查文件是否存在或被占用";
    QTest::newRow("random") << a4Pages(0) << "失败，错误原因：文件格式错误";
    QTest::newRow("truncated") << a4Pages(0) << "失败，错误原因：文件格式错误";
    QTest::newRow("empty") << a4Pages(0) << "失败，错误原因：空白文件";
    QTest::newRow("tiny") << a4Pages(0) << "失败，错误原因：空白文件或页面尺寸超出限制";
    QTest::newRow("cancel") << a4Pages(0) << "失败，错误原因：密码错误";
    QTest::newRow("wrong") << a4Pages(0) << "失败，错误原因：密码错误";
    QTest::newRow("locked") << a4Pages(3) << "";
    QTest::newRow("第三章 课堂 练习") << a4Pages(4) << "";
    QTest::newRow("wall chart 2 metres wide") << QVector<QSizeF>{{595, 842}, {5669.3, 1700}} << "";
    QTest::newRow("portrait and landscape")
        << QVector<QSizeF>{{595, 842}, {842, 595}, {595, 842}} << "";
}

void PdfTabsTest::eachFileOpensOrSaysWhy()
{
    QFETCH(QVector<QSizeF>, pages);
    QFETCH(QString, message);
    const QString kind = QString::fromUtf8(QTest::currentDataTag());
    const bool locked = kind == "locked" || kind == "cancel" || kind == "wrong";
    const QString path = dir->filePath(kind + QStringLiteral(".pdf"));
    QVERIFY(pages.isEmpty() || locked ? writeBadPdf(path, kind, threePages)
                                      : writeTestPdf(path, pages));
    int asked = 0;
    PDFReader::setPasswordAsker([&](QString *password) {
        ++asked;
        *password = kind == "locked" ? QStringLiteral("right") : QStringLiteral("wrong");
        return kind != "cancel";
    });
    BoxAnswerer answer(QStringLiteral("OK"));
    window->openFiles({path});
    QCOMPARE(asked, locked ? 1 : 0);
    if (!message.isEmpty()) {
        QCOMPARE(answer.texts.size(), 1);
        QVERIFY2(answer.texts.first().endsWith(message), qPrintable(answer.texts.first()));
        QVERIFY(answer.texts.first().contains(path));
        QVERIFY(window->tabList().isEmpty());
        QVERIFY(window->findChildren<PdfCanvas *>().size() <= 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window->findChildren<PdfCanvas *>().isEmpty());
        return;
    }
    QCOMPARE(answer.texts, QStringList());
    QCOMPARE(window->tabList().size(), 1);
    TabItem *tab = window->currentTabItem();
    QCOMPARE(tab->title, kind + QStringLiteral(".pdf"));
    QCOMPARE(tab->path, path);
    QCOMPARE(window->recentFiles()->files().value(0), path);
    PdfCanvas *pdf = tab->pdfCanvas;
    QVERIFY(pdf);
    QCOMPARE(pdf->pageCount(), pages.size());
    QCOMPARE(pdf->currentPageIndex(), 0);
    // The first page is rendered without any scrolling, and nothing far away is.
    QTRY_VERIFY(!pdf->pageList().first()->layer1.isNull());
    QVERIFY(pdf->pageList().last()->pageImage.isNull() || pages.size() < 3);
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
    window->closeTab(window->currentTabItem());
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
    QVERIFY(window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    TabItem *tab = window->currentTabItem();
    QCOMPARE(tab->title, QStringLiteral("教案.docx"));
    QCOMPARE(tab->toolTip(), word);
    tab->pdfCanvas->scrollToPage(2);
    QVERIFY(!window->openPdfTab(threePages, QStringLiteral("教案.docx"), word));
    QCOMPARE(window->tabList().size(), 1);
    window->closeTab(tab);
    QCOMPARE(QDir(configDirPath()).entryList({QStringLiteral("*.ini")}),
             QStringList{QFileInfo(stateFile).fileName()});
}

QTEST_MAIN(PdfTabsTest)
#include "tst_pdftabs.moc"
