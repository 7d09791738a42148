#include <QTemporaryDir>
#include <QtTest>

#include "base/globals.h"
#include "base/paths.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabitem.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfreader.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "windowsetup.h"

// A file that cannot be shown ends with the user told why, and no tab or board is left behind.
class PdfTabsTest : public QObject
{
    Q_OBJECT

private slots:
    void badFilesSayWhy_data()
    {
        QTest::addColumn<QString>("message"); // empty: the file opens
        QTest::newRow("missing") << "读取失败，请检查文件是否存在或被占用";
        QTest::newRow("random") << "失败，错误原因：文件格式错误";
        QTest::newRow("truncated") << "失败，错误原因：文件格式错误";
        QTest::newRow("empty") << "失败，错误原因：空白文件";
        QTest::newRow("tiny") << "失败，错误原因：空白文件或页面尺寸超出限制";
        QTest::newRow("cancel") << "失败，错误原因：密码错误";
        QTest::newRow("wrong") << "失败，错误原因：密码错误";
        QTest::newRow("locked") << "";
    }
    void badFilesSayWhy()
    {
        QFETCH(QString, message);
        QTemporaryDir dir;
        appDataDir = dir.path();
        QVERIFY(QDir().mkpath(configDirPath()));
        const QString good = dir.filePath("good.pdf");
        QVERIFY(writeTestPdf(good, a4Pages(3)));
        const QString kind = QString::fromUtf8(QTest::currentDataTag());
        const QString path = dir.filePath(kind + ".pdf");
        QVERIFY(writeBadPdf(path, kind, good));
        int asked = 0;
        PDFReader::setPasswordAsker([&](QString *password) {
            ++asked;
            *password = kind == "locked" ? QStringLiteral("right") : QStringLiteral("wrong");
            return kind != "cancel";
        });
        MainWindow window;
        startWithFakes(window);
        BoxAnswerer answer(QStringLiteral("OK"));
        window.openFiles({path});
        PDFReader::setPasswordAsker(nullptr);
        const bool locked = kind == "locked" || kind == "cancel" || kind == "wrong";
        QCOMPARE(asked, locked ? 1 : 0);
        if (message.isEmpty()) {
            QCOMPARE(answer.texts, QStringList());
            QCOMPARE(window.tabList().size(), 1);
            QCOMPARE(window.currentTabItem()->pdfCanvas->pageCount(), 3);
            window.closeAllTabs();
            return;
        }
        QCOMPARE(answer.texts.size(), 1);
        QVERIFY2(answer.texts.first().endsWith(message), qPrintable(answer.texts.first()));
        QVERIFY(answer.texts.first().contains(path));
        QVERIFY(window.tabList().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.findChildren<PdfCanvas *>().isEmpty());
    }
};

QTEST_MAIN(PdfTabsTest)
#include "tst_pdftabs.moc"
