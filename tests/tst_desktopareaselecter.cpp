#include <QtTest>

#include <QClipboard>
#include <QPushButton>

#include "recording/desktopareaselecter.h"

#include "boxanswerer.h"

using Results = QList<QPair<QRect, bool>>;

// The area selector over a known desktop picture: what Confirm and Save give. Drawing and
// Confirm on the real screen are walked under X (tst_x11_recordcontrols).
class DesktopAreaSelecterTest : public QObject
{
    Q_OBJECT

    DesktopAreaSelecter *selecter = nullptr;
    QImage known;
    Results results;

    void start(const QRect &initial, int pixelRatio = 1)
    {
        QPixmap picture = QPixmap::fromImage(known);
        picture.setDevicePixelRatio(pixelRatio);
        selecter->setDesktopPixmap(picture);
        selecter->setSaveButtonVisible(true);
        selecter->startSelection(initial);
        QVERIFY(selecter->isVisible());
    }
    QPushButton *button(const char *text) const
    {
        for (QPushButton *b : selecter->findChildren<QPushButton *>()) {
            if (b->text() == QString::fromUtf8(text))
                return b;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        // Every pixel differs from its neighbours, so any shift shows.
        known = QImage(800, 600, QImage::Format_RGB32);
        for (int y = 0; y < known.height(); ++y) {
            for (int x = 0; x < known.width(); ++x)
                known.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
        }
    }
    void init()
    {
        selecter = new DesktopAreaSelecter;
        results.clear();
        connect(selecter, &DesktopAreaSelecter::selectedOver, this,
                [this](const QRect &area, bool confirmed) {
                    results.append({area, confirmed});
                });
    }
    void cleanup()
    {
        delete selecter;
        selecter = nullptr;
    }

    void hiDpiConfirmCopiesTheWholeDetail()
    {
        // A quarter of the desktop would show at 800 x 600.
        QGuiApplication::clipboard()->clear();
        start(QRect(10, 20, 50, 40), 2);
        QCOMPARE(selecter->size(), known.size() / 2);
        button("确认")->click();
        QCOMPARE(results, (Results{{QRect(10, 20, 50, 40), true}}));
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 known.copy(20, 40, 100, 80));
    }

    void save_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic"); // none: the save fails
        QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("\x89PNG");
        QTest::newRow("jpeg") << QStringLiteral("c.jpeg") << QByteArray("\xff\xd8\xff");
        QTest::newRow("failure is told")
            << QStringLiteral("/nonexistent-folder/shot.png") << QByteArray();
    }
    void save()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(name);
        selecter->saveFileChooser = [path] { return path; };
        start(QRect(5, 5, 30, 20));
        BoxAnswerer answerer(QStringLiteral("OK"));
        button("保存")->click();
        if (magic.isEmpty()) {
            QCOMPARE(answerer.text, QStringLiteral("保存") + path + QStringLiteral("失败"));
            // Nothing ended: the user may save elsewhere or cancel.
            QVERIFY(results.isEmpty());
            QVERIFY(selecter->isVisible());
            QCOMPARE(selecter->selectionRect(), QRect(5, 5, 30, 20));
            return;
        }
        QCOMPARE(answerer.boxes, 0);
        QCOMPARE(results, (Results{{QRect(), false}}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(magic.size()), magic);
        QCOMPARE(QImage(path).size(), QSize(30, 20));
        // A PNG stored without compression needs at least the 30 x 20 x 3 bytes of its pixels.
        if (magic.startsWith("\x89PNG"))
            QVERIFY2(file.size() < 30 * 20 * 3, qPrintable(QString::number(file.size())));
    }
};

QTEST_MAIN(DesktopAreaSelecterTest)
#include "tst_desktopareaselecter.moc"
