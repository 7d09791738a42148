#include <QtTest>

#include <QClipboard>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

#include "recording/desktopareaselecter.h"
#include "recording/recordarea.h"

#include "boxanswerer.h"

Q_DECLARE_METATYPE(Qt::CursorShape)

// The area selector over a known desktop picture: drawing, grips, typed sizes and the three
// ways a selection ends.
class DesktopAreaSelecterTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickSelectsNothingDragDraws();
    void gripsMoveResizeAndFlip_data();
    void gripsMoveResizeAndFlip();
    void typedSize();
    void escapeAndCancelReportNothing();
    void confirmCopiesSelectedPart();
    void hiDpiPictureCoversTheScreen();
    void saveFormats_data();
    void saveFormats();
    void failedSaveIsTold();

private:
    static QPixmap knownPicture(const QSize &size);
    void start(const QRect &initial = QRect());
    void send(QEvent::Type type, const QPoint &pos, Qt::MouseButton button = Qt::NoButton);
    void drag(const QPoint &from, const QPoint &to);
    QPushButton *button(const QString &text) const
    {
        const QList<QPushButton *> all = selecter->findChildren<QPushButton *>();
        const auto it =
            std::find_if(all.begin(), all.end(), [&](QPushButton *b) { return b->text() == text; });
        return it == all.end() ? nullptr : *it;
    }

    DesktopAreaSelecter *selecter = nullptr;
    QPixmap picture;
    QList<QPair<QRect, bool>> results;
    Qt::MouseButtons heldButtons;
};

QPixmap DesktopAreaSelecterTest::knownPicture(const QSize &size)
{
    // Every pixel differs from its neighbours, so any shift shows.
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
    }
    return QPixmap::fromImage(image);
}

void DesktopAreaSelecterTest::init()
{
    selecter = new DesktopAreaSelecter;
    picture = knownPicture(QSize(800, 600));
    results.clear();
    connect(selecter, &DesktopAreaSelecter::selectedOver, this,
            [this](const QRect &area, bool confirmed) {
                results.append({area, confirmed});
            });
}

void DesktopAreaSelecterTest::cleanup()
{
    delete selecter;
    selecter = nullptr;
}

void DesktopAreaSelecterTest::start(const QRect &initial)
{
    selecter->setDesktopPixmap(picture);
    selecter->setSaveButtonVisible(true);
    selecter->startSelection(initial);
    QVERIFY(selecter->isVisible());
}

void DesktopAreaSelecterTest::send(QEvent::Type type, const QPoint &pos, Qt::MouseButton button)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : heldButtons;
    QMouseEvent event(type, pos, selecter->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : held, Qt::NoModifier);
    heldButtons = type == QEvent::MouseButtonRelease ? Qt::NoButton : held;
    QApplication::sendEvent(selecter, &event);
}

void DesktopAreaSelecterTest::drag(const QPoint &from, const QPoint &to)
{
    send(QEvent::MouseMove, from);
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2);
    send(QEvent::MouseMove, to);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton);
}

void DesktopAreaSelecterTest::clickSelectsNothingDragDraws()
{
    start();
    QCOMPARE(selecter->size(), QSize(800, 600));
    send(QEvent::MouseButtonPress, QPoint(50, 60), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(50, 60), Qt::LeftButton);
    QVERIFY(button(QStringLiteral("确认"))->parentWidget()->isHidden());
    QVERIFY(results.isEmpty());
    drag(QPoint(300, 200), QPoint(100, 100));
    QCOMPARE(selecter->selectionRect(), QRect(100, 100, 200, 100));
    QVERIFY(button(QStringLiteral("确认"))->parentWidget()->isVisible());
    // With the recording rules a 100 x 50 drag becomes their minimum on release.
    send(QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton);
    send(QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton);
    selecter->setAreaAdjuster(
        [](int &x, int &y, int &w, int &h) { adjustRecordArea(x, y, w, h, 800, 600); });
    drag(QPoint(700, 500), QPoint(800, 550));
    QCOMPARE(selecter->selectionRect(), QRect(560, 360, 240, 240));
}

void DesktopAreaSelecterTest::gripsMoveResizeAndFlip_data()
{
    QTest::addColumn<QPoint>("grip");
    QTest::addColumn<Qt::CursorShape>("cursor");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("result");
    // Selection (100, 100) 200 x 100: right edge 299, bottom 199.
    QTest::newRow("move") << QPoint(200, 150) << Qt::SizeAllCursor << QPoint(230, 170)
                          << QRect(130, 120, 200, 100);
    QTest::newRow("right edge") << QPoint(299, 150) << Qt::SizeHorCursor << QPoint(350, 10)
                                << QRect(100, 100, 250, 100);
    QTest::newRow("top edge") << QPoint(200, 100) << Qt::SizeVerCursor << QPoint(0, 50)
                              << QRect(100, 50, 200, 150);
    QTest::newRow("top-left corner")
        << QPoint(100, 100) << Qt::SizeFDiagCursor << QPoint(80, 90) << QRect(80, 90, 220, 110);
    QTest::newRow("bottom-left corner")
        << QPoint(100, 199) << Qt::SizeBDiagCursor << QPoint(50, 300) << QRect(50, 100, 250, 200);
    QTest::newRow("left edge past the right")
        << QPoint(100, 150) << Qt::SizeHorCursor << QPoint(400, 150) << QRect(300, 100, 100, 100);
    QTest::newRow("bottom edge past the top")
        << QPoint(200, 199) << Qt::SizeVerCursor << QPoint(200, 40) << QRect(100, 40, 200, 60);
}

void DesktopAreaSelecterTest::gripsMoveResizeAndFlip()
{
    QFETCH(QPoint, grip);
    QFETCH(Qt::CursorShape, cursor);
    QFETCH(QPoint, to);
    QFETCH(QRect, result);
    start(QRect(100, 100, 200, 100));
    QCOMPARE(selecter->selectionRect(), QRect(100, 100, 200, 100));
    send(QEvent::MouseMove, QPoint(600, 500));
    QCOMPARE(selecter->cursor().shape(), Qt::ArrowCursor);
    send(QEvent::MouseMove, grip);
    QCOMPARE(selecter->cursor().shape(), cursor);
    drag(grip, to);
    QCOMPARE(selecter->selectionRect(), result);
    send(QEvent::MouseMove, result.center());
    QCOMPARE(selecter->cursor().shape(), Qt::SizeAllCursor);
}

void DesktopAreaSelecterTest::typedSize()
{
    start(QRect(100, 100, 200, 100));
    auto *width = selecter->findChildren<QSpinBox *>().at(0);
    auto *height = selecter->findChildren<QSpinBox *>().at(1);
    QCOMPARE(width->toolTip(), QStringLiteral("宽度"));
    QCOMPARE(width->value(), 200);
    QCOMPARE(width->maximum(), 800);
    width->setValue(0);
    emit width->editingFinished();
    QCOMPARE(selecter->selectionRect(), QRect(100, 100, 200, 100));
    width->setValue(120);
    emit width->editingFinished();
    height->setValue(64);
    emit height->editingFinished();
    QCOMPARE(selecter->selectionRect(), QRect(100, 100, 120, 64));
}

void DesktopAreaSelecterTest::escapeAndCancelReportNothing()
{
    start(QRect(10, 10, 50, 50));
    QTest::keyClick(selecter, Qt::Key_Escape);
    QCOMPARE(results, (QList<QPair<QRect, bool>>{{QRect(), false}}));
    QVERIFY(selecter->isHidden());
    // Each selection needs its picture again.
    selecter->startSelection(QRect());
    QVERIFY(selecter->isHidden());
    start(QRect(10, 10, 50, 50));
    button(QStringLiteral("取消"))->click();
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.last(), qMakePair(QRect(), false));
}

void DesktopAreaSelecterTest::confirmCopiesSelectedPart()
{
    QGuiApplication::clipboard()->clear();
    start();
    drag(QPoint(40, 30), QPoint(140, 90));
    button(QStringLiteral("确认"))->click();
    QCOMPARE(results, (QList<QPair<QRect, bool>>{{QRect(40, 30, 100, 60), true}}));
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             picture.copy(40, 30, 100, 60).toImage().convertToFormat(QImage::Format_RGB32));
    // The recording-area use copies nothing.
    QGuiApplication::clipboard()->clear();
    selecter->setDesktopPixmap(picture);
    selecter->setSaveButtonVisible(false);
    selecter->startSelection(QRect(0, 0, 240, 240));
    button(QStringLiteral("确认"))->click();
    QCOMPARE(results.last(), qMakePair(QRect(0, 0, 240, 240), true));
    QVERIFY(QGuiApplication::clipboard()->image().isNull());
}

void DesktopAreaSelecterTest::hiDpiPictureCoversTheScreen()
{
    picture.setDevicePixelRatio(2);
    start();
    // A quarter of the desktop would show at 800 x 600.
    QCOMPARE(selecter->size(), QSize(400, 300));
    drag(QPoint(10, 20), QPoint(60, 60));
    button(QStringLiteral("确认"))->click();
    QCOMPARE(results.last(), qMakePair(QRect(10, 20, 50, 40), true));
    QPixmap plain = picture;
    plain.setDevicePixelRatio(1);
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             plain.copy(20, 40, 100, 80).toImage().convertToFormat(QImage::Format_RGB32));
}

void DesktopAreaSelecterTest::saveFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("\x89PNG");
    QTest::newRow("JPG") << QStringLiteral("b.JPG") << QByteArray("\xff\xd8\xff");
    QTest::newRow("jpeg") << QStringLiteral("c.jpeg") << QByteArray("\xff\xd8\xff");
    QTest::newRow("no suffix") << QStringLiteral("d") << QByteArray("\x89PNG");
}

void DesktopAreaSelecterTest::saveFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    selecter->saveFileChooser = [path] { return path; };
    start(QRect(5, 5, 30, 20));
    button(QStringLiteral("保存"))->click();
    QCOMPARE(results, (QList<QPair<QRect, bool>>{{QRect(), false}}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(magic.size()) == magic);
    QCOMPARE(QImage(path).size(), QSize(30, 20));
}

void DesktopAreaSelecterTest::failedSaveIsTold()
{
    const QString path = QStringLiteral("/nonexistent-folder/shot.png");
    selecter->saveFileChooser = [path] { return path; };
    start(QRect(5, 5, 30, 20));
    BoxAnswerer answerer(QStringLiteral("OK"));
    button(QStringLiteral("保存"))->click();
    QCOMPARE(answerer.text, QStringLiteral("保存") + path + QStringLiteral("失败"));
    // Nothing ended: the user may save elsewhere or cancel.
    QVERIFY(results.isEmpty());
    QVERIFY(selecter->isVisible());
    QCOMPARE(selecter->selectionRect(), QRect(5, 5, 30, 20));
}

QTEST_MAIN(DesktopAreaSelecterTest)
#include "tst_desktopareaselecter.moc"
