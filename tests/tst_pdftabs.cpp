#include <QLabel>
#include <QPdfDocument>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "base/filesystem.h"
#include "base/globals.h"
#include "base/paths.h"
#include "documents/tabitem.h"
#include "mainwindow/mainwindow.h"
#include "pdf/pdfcanvas.h"
#include "pdf/pdfreader.h"
#include "pdf/pdfwriter.h"

#include "boxanswerer.h"
#include "fakes.h"
#include "pdffixtures.h"
#include "windowsetup.h"

// A file that cannot be shown ends with the user told why, and no tab or board is left behind.
class PdfTabsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"qpdf"}); }
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

    void openDocumentIsNeverWrittenOver()
    {
        // Regression: a PDF tab's export proposed the open document itself, and a yes replaced
        // the teacher's original with a rasterised copy while its pages were still read from
        // it. Another tab holds "lesson(1).pdf": any open PDF counts.
        QTemporaryDir dir;
        appDataDir = dir.path();
        QVERIFY(QDir().mkpath(configDirPath()));
        const QString lesson = dir.filePath("lesson.pdf"), other = dir.filePath("lesson(1).pdf");
        QVERIFY(writeTestPdf(lesson, a4Pages(2)));
        QVERIFY(writeTestPdf(other, a4Pages(1)));
        const QByteArray lessonBytes = FileSystem::readAll(lesson);
        const QByteArray otherBytes = FileSystem::readAll(other);
        MainWindow window;
        startWithFakes(window);
        BoxAnswerer answer(QStringLiteral("OK"));
        window.openFiles({other, lesson});
        QCOMPARE(window.tabList().size(), 2);
        QCOMPARE(window.currentTabItem()->path, lesson);
        PdfCanvas *pdf = window.currentTabItem()->pdfCanvas;

        // The export dialog proposes the first name no tab has open and writes it.
        QString proposed;
        QStringList labels;
        bool refusedByName = false;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *writer = qobject_cast<PDFWriter *>(QApplication::activeModalWidget());
            if (!writer && waited.elapsed() < 10000)
                return;
            poll.stop();
            if (!writer)
                return;
            proposed = writer->outputPath();
            // Asked for by name, the open document is refused.
            refusedByName = !writer->writePdf(lesson);
            for (QPushButton *button : writer->findChildren<QPushButton *>()) {
                if (button->text() == QStringLiteral("导出"))
                    button->click();
            }
            for (QLabel *label : writer->findChildren<QLabel *>())
                labels << label->text();
            writer->reject();
        });
        poll.start(10);
        window.showPdfWriterDialog();
        QCOMPARE(proposed, dir.filePath("lesson(2).pdf"));
        QVERIFY(labels.contains(QStringLiteral("lesson(2).pdf")));
        QVERIFY(labels.contains(QStringLiteral("输出成功")));
        QPdfDocument written;
        QCOMPARE(written.load(proposed), QPdfDocument::NoError);
        QCOMPARE(written.pageCount(), 2);
        const QString refusal = "正在本程序中打开，不能覆盖，请另选文件名或文件夹";
        QVERIFY(refusedByName);
        QCOMPARE(answer.texts, QStringList{lesson + refusal});
        answer.texts.clear();

        // Chosen by hand as a picture's file, an open document is refused and said why.
        for (const QString &picked : {lesson, other}) {
            pdf->setSavePathAsker([&](const QString &, const QString &, const QString &,
                                      QString *) { return picked; });
            pdf->exportImage();
            QCOMPARE(answer.texts.size(), 1);
            QCOMPARE(answer.texts.takeFirst(), picked + refusal);
        }
        QCOMPARE(FileSystem::readAll(lesson), lessonBytes);
        QCOMPARE(FileSystem::readAll(other), otherBytes);
        // The pages are still read from the untouched file.
        QVERIFY(!pdf->renderPageImage(1).isNull());
        window.closeAllTabs();
    }
};

QTEST_MAIN(PdfTabsTest)
#include "tst_pdftabs.moc"
