#include <QtTest>

#include <QPainter>

#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "drawing/pixmaputils.h"
#include "drawing/toolcursors.h"
#include "toolbar/stampdialog.h"

namespace {
QPixmap solidPixmap(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return QPixmap::fromImage(image);
}

QRgb pixelOf(const QPixmap &pixmap, int x, int y)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

const QRgb board = qRgb(0x20, 0x50, 0x30);
} // namespace

class TestToolCursors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void highlighterCursorSizeAndEdges();
    void eraserCursorSizes();
    void penCursorHotSpot();
    void strawCursorWidth();
    void builtInAndStoredStampPictures();
    void stampCursorTakesStampThenPointer();
    void stampCursorIsTranslucentAndScaled();
    void greyedPixmapValues();
    void cleanPhotoTinyPicturesDoNotCrash_data();
    void cleanPhotoTinyPicturesDoNotCrash();
    void cleanPhotoThresholdAndColours();
    void cleanPhotoKeepsNullAndFormat();

private:
    QTemporaryDir dataDir;
};

void TestToolCursors::initTestCase()
{
    QVERIFY(dataDir.isValid());
    appDataDir = dataDir.path();
    QVERIFY(QDir().mkpath(stampDirPath()));
}

void TestToolCursors::highlighterCursorSizeAndEdges()
{
    const QPixmap cursor = highlighterCursor(2, QStringLiteral("#FF0000"));
    QCOMPARE(cursor.size(), QSize(10, 25));
    QCOMPARE(highlighterCursor(4, QStringLiteral("#FF0000")).size(), QSize(10, 35));
    QCOMPARE(pixelOf(cursor, 0, 0), qRgb(0, 0, 0));
    QCOMPARE(pixelOf(cursor, 6, 0), qRgb(0, 0, 0));
    QCOMPARE(pixelOf(cursor, 0, 20), qRgb(0, 0, 0));
    QCOMPARE(pixelOf(cursor, 6, 1), qRgb(255, 255, 255));
    QCOMPARE(pixelOf(cursor, 1, 20), qRgb(255, 255, 255));
    QCOMPARE(pixelOf(cursor, 5, 12), qRgb(255, 0, 0));
    // No colour leaves the nib see-through.
    QCOMPARE(qAlpha(pixelOf(highlighterCursor(1, QStringLiteral("NONE")), 5, 12)), 0);
}

void TestToolCursors::eraserCursorSizes()
{
    QCOMPARE(eraserCursor(1, 0).size(), QSize(6, 6));
    QCOMPARE(eraserCursor(20, 0).size(), QSize(120, 120));
    QCOMPARE(eraserCursor(20, 1).size(), QSize(120, 120));
    const QPixmap square = eraserCursor(10, 0);
    const QPixmap circle = eraserCursor(10, 1);
    QCOMPARE(pixelOf(square, 30, 30), qRgb(255, 255, 255));
    QCOMPARE(pixelOf(circle, 30, 30), qRgb(255, 255, 255));
    // The square's outline shows on all four sides; the circle leaves the corners empty.
    QVERIFY(qAlpha(pixelOf(square, 59, 30)) > 0);
    QVERIFY(qAlpha(pixelOf(square, 30, 59)) > 0);
    QVERIFY(qAlpha(pixelOf(square, 1, 1)) > 0);
    QCOMPARE(qAlpha(pixelOf(circle, 1, 1)), 0);
}

void TestToolCursors::penCursorHotSpot()
{
    const QPixmap icon(QStringLiteral(":/icon/cursor/pencil-cursor.png"));
    QVERIFY(!icon.isNull());
    const int side = cursorSize();
    int hotSpot = -1;
    const QPixmap plain = penCursor(icon, Qt::red, false, hotSpot);
    QCOMPARE(hotSpot, 0);
    QCOMPARE(plain.width(), side);

    const QPixmap laser = penCursor(icon, Qt::red, true, hotSpot);
    const int centre = (side - 1) / 2;
    QCOMPARE(hotSpot, centre);
    QCOMPARE(laser.size(), QSize(centre + side, centre + plain.height()));
    // The glow is tinted with the pen colour: faint at its heart, stronger half way out.
    const QRgb heart = pixelOf(laser, centre - 1, centre - 1);
    QVERIFY(qAlpha(heart) >= 50 && qAlpha(heart) < 75); // just past the 0.2 stop
    QVERIFY(qRed(heart) > 200 && qGreen(heart) < 30);
    QVERIFY(qAlpha(pixelOf(laser, centre - side / 4, centre - 1)) > 100);

    hotSpot = 7;
    QVERIFY(penCursor(QPixmap(), Qt::red, true, hotSpot).isNull());
    QCOMPARE(hotSpot, 0);
}

void TestToolCursors::strawCursorWidth()
{
    const QPixmap straw = strawCursor();
    QVERIFY(!straw.isNull());
    QCOMPARE(straw.width(), cursorSize());
}

void TestToolCursors::builtInAndStoredStampPictures()
{
    for (const QString &name : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")})
        QCOMPARE(StampDialog::stampPixmap(name).size(), QSize(96, 96));
    QVERIFY(StampDialog::stampPixmap(QString()).isNull());
    QVERIFY(StampDialog::stampPixmap(QStringLiteral("1700000000000.sps")).isNull());

    // Imported stamps hold PNG data under their own suffix.
    const QString name = QStringLiteral("1700000000001.sps");
    QVERIFY(solidPixmap(QSize(30, 20), Qt::blue).save(stampDirPath() + "/" + name, "PNG"));
    QCOMPARE(StampDialog::stampPixmap(name).size(), QSize(30, 20));

    QFile junk(stampDirPath() + QStringLiteral("/junk.sps"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    QVERIFY(StampDialog::stampPixmap(QStringLiteral("junk.sps")).isNull());

    // Names cannot reach outside the stamp folder.
    QVERIFY(solidPixmap(QSize(5, 5), Qt::red).save(dataDir.filePath("outside.png"), "PNG"));
    QVERIFY(StampDialog::stampPixmap(QStringLiteral("../outside.png")).isNull());
    QVERIFY(StampDialog::stampPixmap(QStringLiteral("..")).isNull());
}

void TestToolCursors::stampCursorTakesStampThenPointer()
{
    const QPixmap mouse = QPixmap(QStringLiteral(":/icon/stamp/stamp_mouse.png"))
                              .scaledToWidth(cursorSize(), Qt::SmoothTransformation);
    // Without a stamp: only the pointer.
    QCOMPARE(stampCursor(QString(), QString(), 1.0).toImage(), mouse.toImage());
    QCOMPARE(stampCursor(QStringLiteral("missing.sps"), QString(), 1.0).toImage(), mouse.toImage());
    // The teacher pointer replaces the standard pointer, at its own size.
    const QPixmap cross = StampDialog::stampPixmap(QStringLiteral("2"));
    QCOMPARE(stampCursor(QString(), QStringLiteral("2"), 1.0).toImage(), cross.toImage());
    QCOMPARE(stampCursor(QString(), QStringLiteral("missing.sps"), 1.0).toImage(), mouse.toImage());

    // Stamp first, pointer second: the stamp lies at (0, 0), the pointer at its centre.
    const QPixmap cursor = stampCursor(QStringLiteral("0"), QStringLiteral("2"), 1.0);
    const int c = (96 - 1) / 2;
    QCOMPARE(cursor.size(), QSize(c + 96, c + 96));
    QCOMPARE(qAlpha(pixelOf(cursor, 140, 140)), 0);         // beyond the cross
    QVERIFY(qAlpha(pixelOf(cursor, c + 20, c + 20)) > 200); // the cross, opaque
}

void TestToolCursors::stampCursorIsTranslucentAndScaled()
{
    const QPixmap mouse = QPixmap(QStringLiteral(":/icon/stamp/stamp_mouse.png"))
                              .scaledToWidth(cursorSize(), Qt::SmoothTransformation);
    const QPixmap cursor = stampCursor(QStringLiteral("1700000000001.sps"), QString(), 0.5);
    // 30 x 20 at zoom 0.5 is 15 x 10; the pointer starts at its centre (7, 4).
    QCOMPARE(cursor.size(), QSize(qMax(15, 7 + mouse.width()), qMax(10, 4 + mouse.height())));
    const QRgb stampPixel = pixelOf(cursor, 3, 5); // left of the pointer
    QVERIFY(qAbs(qAlpha(stampPixel) - 150) <= 1);
    QVERIFY(qBlue(stampPixel) > 240 && qRed(stampPixel) < 10);
    // Odd zooms round the size up.
    const QPixmap odd = stampCursor(QStringLiteral("1700000000001.sps"), QString(), 0.33);
    QVERIFY(odd.width() >= 10 && odd.height() >= 7);
}

void TestToolCursors::greyedPixmapValues()
{
    QImage image(5, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 255, 255));
    image.setPixel(1, 0, qRgba(155, 155, 155, 255));
    image.setPixel(2, 0, qRgba(0, 0, 0, 255));
    image.setPixel(3, 0, qRgba(255, 0, 0, 0));
    image.setPixel(4, 0, qRgba(50, 50, 50, 128));
    const QImage grey =
        greyedPixmap(QPixmap::fromImage(image)).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(grey.pixel(0, 0), qRgba(200, 200, 200, 255));
    QCOMPARE(grey.pixel(1, 0), qRgba(255, 255, 255, 255));
    QCOMPARE(grey.pixel(2, 0), qRgba(100, 100, 100, 255));
    QCOMPARE(qAlpha(grey.pixel(3, 0)), 0);
    QCOMPARE(qAlpha(grey.pixel(4, 0)), 128);
    QVERIFY(qAbs(qRed(grey.pixel(4, 0)) - 150) <= 1);
    QVERIFY(greyedPixmap(QPixmap()).isNull());
}

void TestToolCursors::cleanPhotoTinyPicturesDoNotCrash_data()
{
    QTest::addColumn<QImage>("photo");
    QTest::addColumn<QPoint>("lightPixel");
    QTest::addColumn<QPoint>("darkPixel");
    QImage white1(1, 1, QImage::Format_RGB32);
    white1.fill(Qt::white);
    QTest::newRow("1x1 white") << white1 << QPoint(0, 0) << QPoint(-1, -1);
    QImage flat(8, 6, QImage::Format_ARGB32);
    flat.fill(QColor(230, 230, 228));
    QTest::newRow("one level") << flat << QPoint(3, 3) << QPoint(-1, -1);
    QImage text(40, 30, QImage::Format_RGB32);
    text.fill(Qt::white);
    for (int x = 4; x < 36; ++x)
        for (int y = 10; y < 14; ++y)
            text.setPixel(x, y, qRgb(0, 0, 0));
    QTest::newRow("black on white") << text << QPoint(1, 1) << QPoint(10, 12);
}

void TestToolCursors::cleanPhotoTinyPicturesDoNotCrash()
{
    QFETCH(QImage, photo);
    QFETCH(QPoint, lightPixel);
    QFETCH(QPoint, darkPixel);
    const QImage cleaned = cleanPhotoBackground(QPixmap::fromImage(photo), board)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(cleaned.size(), photo.size());
    QCOMPARE(cleaned.pixel(lightPixel), board);
    if (darkPixel.x() >= 0)
        QCOMPARE(cleaned.pixel(darkPixel), qRgb(0, 0, 0));

    // A flat dark picture is ink, not background.
    QImage dark(3, 3, QImage::Format_RGB32);
    dark.fill(QColor(40, 40, 40));
    const QImage keptDark = cleanPhotoBackground(QPixmap::fromImage(dark), board).toImage();
    QCOMPARE(keptDark.pixel(1, 1), qRgb(40, 40, 40));
}

void TestToolCursors::cleanPhotoThresholdAndColours()
{
    // Ten grey levels 0, 20, ..., 180 in columns of two pixels; one red mark.
    QImage photo(20, 4, QImage::Format_RGB32);
    for (int x = 0; x < 20; ++x) {
        const int g = (x / 2) * 20;
        for (int y = 0; y < 4; ++y)
            photo.setPixel(x, y, qRgb(g, g, g));
    }
    photo.setPixel(1, 1, qRgb(200, 60, 60));
    // Sampled levels: the ten greys; ceil(0.6 * 10) = 6, so the threshold is 120.
    const QImage cleaned = cleanPhotoBackground(QPixmap::fromImage(photo), board)
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(cleaned.pixel(12, 0), qRgb(120, 120, 120)); // at the threshold: kept
    QCOMPARE(cleaned.pixel(14, 0), board);               // above: background
    QCOMPARE(cleaned.pixel(19, 3), board);
    QCOMPARE(cleaned.pixel(2, 0), qRgb(20, 20, 20)); // ink stays
    // Near grey within the tolerance counts as grey.
    QVERIFY(isNearGrey(QColor(100, 110, 120)));
    QVERIFY(!isNearGrey(QColor(100, 120, 120)));
    QVERIFY(isNearGrey(QColor()));
    // The coloured mark is saturated by 60, hue and value kept.
    const QColor before(200, 60, 60);
    const QColor after = QColor(cleaned.pixel(1, 1));
    // (within the rounding of 8-bit channels)
    QVERIFY(qAbs(after.hsvSaturation() - qMin(255, before.hsvSaturation() + 60)) <= 2);
    QVERIFY(qAbs(after.hsvHue() - before.hsvHue()) <= 1);
    QCOMPARE(after.value(), before.value());
}

void TestToolCursors::cleanPhotoKeepsNullAndFormat()
{
    QVERIFY(cleanPhotoBackground(QPixmap(), board).isNull());
    QImage photo(4, 4, QImage::Format_ARGB32);
    photo.fill(QColor(255, 255, 255, 255));
    photo.setPixel(0, 0, qRgba(0, 0, 255, 90));
    const QImage cleaned = cleanPhotoBackground(QPixmap::fromImage(photo), board)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32);
    // A translucent coloured pixel keeps its alpha.
    QCOMPARE(qAlpha(cleaned.pixel(0, 0)), 90);
    QCOMPARE(cleaned.pixel(3, 3), board);
}

QTEST_MAIN(TestToolCursors)
#include "tst_toolcursors.moc"
