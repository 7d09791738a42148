#include <QtTest>

#include <QClipboard>
#include <QPushButton>
#include <QSpinBox>

#include "recording/desktopareaselecter.h"
#include "recording/recordarea.h"

#include "boxanswerer.h"

Q_DECLARE_METATYPE(Qt::CursorShape)

using Results = QList<QPair<QRect, bool>>;

// The area selector over a known desktop picture: drawing, grips, typed sizes and the ways a
// selection ends.
class DesktopAreaSelecterTest : public QObject
{
    Q_OBJECT

    DesktopAreaSelecter *selecter = nullptr;
    QImage known;
    Results results;

    void start(const QRect &initial = QRect(), bool screenshot = true, int pixelRatio = 1)
    {
        QPixmap picture = QPixmap::fromImage(known);
        picture.setDevicePixelRatio(pixelRatio);
        selecter->setDesktopPixmap(picture);
        selecter->setSaveButtonVisible(screenshot);
        selecter->startSelection(initial);
        QVERIFY(selecter->isVisible());
    }
    void send(QEvent::Type type, const QPoint &pos, Qt::MouseButton button = Qt::NoButton,
              Qt::MouseButtons held = Qt::NoButton)
    {
        QMouseEvent event(type, pos, selecter->mapToGlobal(pos), button, held, {});
        QApplication::sendEvent(selecter, &event);
    }
    void click(const QPoint &pos, Qt::MouseButton button)
    {
        send(QEvent::MouseButtonPress, pos, button, button);
        send(QEvent::MouseButtonRelease, pos, button);
    }
    void drag(const QPoint &from, const QPoint &to)
    {
        send(QEvent::MouseMove, from);
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton);
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

    void clickSelectsNothingDragDraws()
    {
        start();
        click(QPoint(50, 60), Qt::LeftButton);
        QVERIFY(button("确认")->parentWidget()->isHidden());
        QVERIFY(results.isEmpty());
        drag(QPoint(300, 200), QPoint(100, 100));
        QCOMPARE(selecter->selectionRect(), QRect(100, 100, 200, 100));
        QVERIFY(button("确认")->parentWidget()->isVisible());
        // With the recording rules a 100 x 50 drag becomes their minimum on release.
        click(QPoint(5, 5), Qt::RightButton); // drops the selection
        selecter->setAreaAdjuster(
            [](int &x, int &y, int &w, int &h) { adjustRecordArea(x, y, w, h, 800, 600); });
        drag(QPoint(700, 500), QPoint(800, 550));
        QCOMPARE(selecter->selectionRect(), QRect(560, 360, 240, 240));
    }

    void grips_data()
    {
        QTest::addColumn<QPoint>("grip");
        QTest::addColumn<Qt::CursorShape>("cursor");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("result");
        // Selection (100, 100) 200 x 100: right edge 299, bottom 199.
        QTest::newRow("move") << QPoint(200, 150) << Qt::SizeAllCursor << QPoint(230, 170)
                              << QRect(130, 120, 200, 100);
        QTest::newRow("top-left corner")
            << QPoint(100, 100) << Qt::SizeFDiagCursor << QPoint(80, 90) << QRect(80, 90, 220, 110);
        QTest::newRow("bottom-left corner") << QPoint(100, 199) << Qt::SizeBDiagCursor
                                            << QPoint(50, 300) << QRect(50, 100, 250, 200);
        QTest::newRow("left edge past the right") << QPoint(100, 150) << Qt::SizeHorCursor
                                                  << QPoint(400, 150) << QRect(300, 100, 100, 100);
        QTest::newRow("bottom edge past the top")
            << QPoint(200, 199) << Qt::SizeVerCursor << QPoint(200, 40) << QRect(100, 40, 200, 60);
    }
    void grips()
    {
        QFETCH(QPoint, grip);
        QFETCH(Qt::CursorShape, cursor);
        QFETCH(QPoint, to);
        QFETCH(QRect, result);
        start(QRect(100, 100, 200, 100));
        send(QEvent::MouseMove, QPoint(600, 500));
        QCOMPARE(selecter->cursor().shape(), Qt::ArrowCursor);
        send(QEvent::MouseMove, grip);
        QCOMPARE(selecter->cursor().shape(), cursor);
        drag(grip, to);
        QCOMPARE(selecter->selectionRect(), result);
    }

    void typedSize()
    {
        start(QRect(100, 100, 200, 100));
        auto *width = selecter->findChildren<QSpinBox *>().at(0);
        auto *height = selecter->findChildren<QSpinBox *>().at(1);
        QCOMPARE(width->maximum(), 800);
        // No size is not a size.
        width->setValue(0);
        emit width->editingFinished();
        QCOMPARE(selecter->selectionRect(), QRect(100, 100, 200, 100));
        width->setValue(120);
        emit width->editingFinished();
        height->setValue(64);
        emit height->editingFinished();
        QCOMPARE(selecter->selectionRect(), QRect(100, 100, 120, 64));
    }

    void escapeAndCancelReportNothing()
    {
        start(QRect(10, 10, 50, 50));
        QTest::keyClick(selecter, Qt::Key_Escape);
        QVERIFY(selecter->isHidden());
        // Each selection needs its picture again.
        selecter->startSelection(QRect());
        QVERIFY(selecter->isHidden());
        start(QRect(10, 10, 50, 50));
        button("取消")->click();
        QCOMPARE(results, (Results{{QRect(), false}, {QRect(), false}}));
    }

    void confirm_data()
    {
        QTest::addColumn<int>("pixelRatio");
        QTest::addColumn<bool>("screenshot");
        QTest::addColumn<QRect>("drawn");
        QTest::addColumn<QRect>("copied"); // in the picture's pixels
        const QRect r(40, 30, 100, 60);
        QTest::newRow("screenshot") << 1 << true << r << r;
        // A quarter of the desktop would show at 800 x 600.
        QTest::newRow("HiDPI screenshot")
            << 2 << true << QRect(10, 20, 50, 40) << QRect(20, 40, 100, 80);
        QTest::newRow("recording area copies nothing") << 1 << false << r << QRect();
    }
    void confirm()
    {
        QFETCH(int, pixelRatio);
        QFETCH(bool, screenshot);
        QFETCH(QRect, drawn);
        QFETCH(QRect, copied);
        QGuiApplication::clipboard()->clear();
        start(QRect(), screenshot, pixelRatio);
        QCOMPARE(selecter->size(), known.size() / pixelRatio);
        drag(drawn.topLeft(), drawn.bottomRight() + QPoint(1, 1));
        button("确认")->click();
        QCOMPARE(results, (Results{{drawn, true}}));
        const QImage clip = QGuiApplication::clipboard()->image();
        if (copied.isNull())
            QVERIFY(clip.isNull());
        else
            QCOMPARE(clip.convertToFormat(QImage::Format_RGB32), known.copy(copied));
    }

    void save_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic"); // none: the save fails
        QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("\x89PNG");
        QTest::newRow("JPG") << QStringLiteral("b.JPG") << QByteArray("\xff\xd8\xff");
        QTest::newRow("jpeg") << QStringLiteral("c.jpeg") << QByteArray("\xff\xd8\xff");
        QTest::newRow("no suffix") << QStringLiteral("d") << QByteArray("\x89PNG");
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
