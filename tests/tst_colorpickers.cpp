#include <QtTest>

#include "base/uimetrics.h"
#include "toolbar/colorhuedistribution.h"
#include "toolbar/colorstrawer.h"
#include "toolbar/colorsvdistribution.h"

#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

int handleCentre(const ColorHueDistribution &bar)
{
    const QPushButton *handle = bar.handleButton();
    return handle->x() + (handle->width() - 1) / 2;
}

// A picture whose every pixel tells its own position.
QImage positionPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 2 % 256, y * 3 % 256, 77));
    }
    return image;
}

} // namespace

class TestColorPickers : public QObject
{
    Q_OBJECT
private slots:
    void hueBarClampsTheHandleAtBothEnds();
    void hueBarSignalsOncePerChange();
    void hueBarSetColorIsSilent();
    void hueBarDragRaisesTheHue();
    void svAreaPlacesTheMarker();
    void svAreaGreyHasNoHue();
    void svAreaPressReportsTheRenderedPixel();
    void svAreaIgnoresPressesWithoutPicture();
    void strawerPressEmitsThePixel();
    void strawerCancels_data();
    void strawerCancels();
    void strawerNullPictureEmitsInvalidOnce();
    void strawerSamplesHiDpiGrabsInDevicePixels();
};

void TestColorPickers::hueBarClampsTheHandleAtBothEnds()
{
    const QSize size(200, 24);
    ColorHueDistribution bar(size, nullptr);
    const int mx = int(std::ceil(size.height() * 0.2));
    const QImage strip = ColorHueDistribution::createHuePixmap(
                             QSize(size.width() - 2 * mx, size.height() - 2 * spacingUnit()))
                             .toImage();
    QSignalSpy spy(&bar, &ColorHueDistribution::colorHueChanged);

    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(0, 5));
    QCOMPARE(handleCentre(bar), mx);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QColor>(), strip.pixelColor(0, 0));

    QTest::mouseClick(&bar, Qt::RightButton, {}, QPoint(size.width() - 1, 5));
    QCOMPARE(handleCentre(bar), size.width() - mx - 1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<QColor>(), strip.pixelColor(strip.width() - 1, 0));

    // Far beyond the end still picks the last column.
    bar.moveHandleTo(5000, true);
    QCOMPARE(handleCentre(bar), size.width() - mx - 1);
    bar.moveHandleTo(-300, true);
    QCOMPARE(handleCentre(bar), mx);
}

void TestColorPickers::hueBarSignalsOncePerChange()
{
    ColorHueDistribution bar(QSize(200, 24), nullptr);
    QSignalSpy spy(&bar, &ColorHueDistribution::colorHueChanged);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(80, 5));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(80, 5));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(bar.currentColor(), spy.at(0).at(0).value<QColor>());
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(120, 5));
    QCOMPARE(spy.count(), 2);
    QVERIFY(spy.at(1).at(0).value<QColor>() != spy.at(0).at(0).value<QColor>());
}

void TestColorPickers::hueBarSetColorIsSilent()
{
    ColorHueDistribution bar(QSize(200, 24), nullptr);
    const int mx = int(std::ceil(24 * 0.2));
    QSignalSpy spy(&bar, &ColorHueDistribution::colorHueChanged);
    bar.setColor(QColor(0, 255, 255));
    QVERIFY(handleCentre(bar) > 80);
    QVERIFY(std::abs(bar.currentColor().hue() - 180) <= 3);
    bar.setColor(QColor(128, 128, 128));
    QCOMPARE(handleCentre(bar), mx);
    bar.setColor(QColor(Qt::red));
    QCOMPARE(handleCentre(bar), mx);
    QVERIFY(bar.currentColor().hue() <= 3);
    QCOMPARE(spy.count(), 0);
}

void TestColorPickers::hueBarDragRaisesTheHue()
{
    ColorHueDistribution bar(QSize(200, 24), nullptr);
    bar.setColor(QColor(Qt::red));
    QSignalSpy spy(&bar, &ColorHueDistribution::colorHueChanged);
    QPushButton *handle = bar.handleButton();
    QSignalSpy clicked(handle, &QPushButton::clicked);

    sendMouse(handle, QEvent::MouseButtonPress, QPoint(4, 5), Qt::LeftButton);
    QVERIFY(!handle->isDown());
    int previousHue = -1;
    for (int x = 20; x <= 150; x += 10) {
        const QPoint inHandle = QPoint(x, 5) - handle->pos();
        sendMouse(handle, QEvent::MouseMove, inHandle, Qt::LeftButton);
        QCOMPARE(handleCentre(bar), x);
        const int hue = bar.currentColor().hue();
        QVERIFY2(hue > previousHue, qPrintable(QString("hue %1 at x %2").arg(hue).arg(x)));
        previousHue = hue;
    }
    QCOMPARE(spy.count(), 14);
    sendMouse(handle, QEvent::MouseButtonRelease, QPoint(4, 5), Qt::LeftButton);
    QCOMPARE(clicked.count(), 0);
    // Without a held handle, moves do nothing.
    sendMouse(handle, QEvent::MouseMove, QPoint(40, 5), Qt::NoButton);
    QCOMPARE(handleCentre(bar), 150);
    QCOMPARE(spy.count(), 14);
}

void TestColorPickers::svAreaPlacesTheMarker()
{
    ColorSVDistribution area(QSize(200, 100), nullptr);
    QSignalSpy spy(&area, &ColorSVDistribution::colorSVChanged);
    area.setColor(Qt::white);
    QCOMPARE(area.markerPosition(), QPoint(0, 0));

    area.setColor(QColor::fromHsv(120, 255, 255));
    const QImage picture = area.image();
    const QPoint marker = area.markerPosition();
    QCOMPARE(marker.y(), 0);
    QCOMPARE(picture.pixelColor(marker.x(), 0).saturation(), 255);
    for (int x = 0; x < marker.x(); ++x)
        QVERIFY(picture.pixelColor(x, 0).saturation() < 255);
    QVERIFY(std::abs(picture.pixelColor(199, 0).hue() - 120) <= 1);

    area.setColor(Qt::black);
    QCOMPARE(area.markerPosition(), QPoint(0, 99));

    // An invalid colour changes nothing.
    area.setColor(QColor());
    QCOMPARE(area.markerPosition(), QPoint(0, 99));
    QCOMPARE(spy.count(), 0);
}

void TestColorPickers::svAreaGreyHasNoHue()
{
    ColorSVDistribution area(QSize(120, 60), nullptr);
    area.setColor(QColor(100, 100, 100));
    const QImage picture = area.image();
    QVERIFY(picture.pixelColor(119, 0).value() >= 250);
    QVERIFY(picture.pixelColor(60, 59).value() <= 5);
    int previous = 256;
    for (int y = 0; y < 60; ++y) {
        const QColor left = picture.pixelColor(0, y);
        QVERIFY(left.value() <= previous);
        previous = left.value();
        for (int x = 0; x < 120; x += 13) {
            QCOMPARE(picture.pixelColor(x, y), left);
            QCOMPARE(picture.pixelColor(x, y).saturation(), 0);
        }
    }
}

void TestColorPickers::svAreaPressReportsTheRenderedPixel()
{
    ColorSVDistribution area(QSize(200, 100), nullptr);
    area.setColor(QColor::fromHsv(240, 200, 200));
    QSignalSpy spy(&area, &ColorSVDistribution::colorSVChanged);
    QTest::mouseClick(&area, Qt::RightButton, {}, QPoint(150, 30));
    QCOMPARE(spy.count(), 1);
    const QColor picked = spy.at(0).at(0).value<QColor>();
    QCOMPARE(picked, area.image().pixelColor(150, 30));
    QCOMPARE(area.markerPosition(), QPoint(150, 30));
    QVERIFY(std::abs(picked.hue() - 240) <= 2);
}

void TestColorPickers::svAreaIgnoresPressesWithoutPicture()
{
    ColorSVDistribution area(QSize(200, 100), nullptr);
    QSignalSpy spy(&area, &ColorSVDistribution::colorSVChanged);
    QTest::mouseClick(&area, Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(spy.count(), 0);
    area.setColor(Qt::blue);
    sendMouse(&area, QEvent::MouseButtonPress, QPoint(200, 50), Qt::LeftButton);
    sendMouse(&area, QEvent::MouseButtonPress, QPoint(-1, 50), Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
}

void TestColorPickers::strawerPressEmitsThePixel()
{
    ColorStrawer strawer(nullptr);
    QSignalSpy spy(&strawer, &ColorStrawer::colorStrawed);
    const QImage picture = positionPicture(60, 40);
    strawer.start(picture);
    QVERIFY(strawer.isVisible());
    QVERIFY(strawer.isPicking());
    QCOMPARE(strawer.size(), QSize(60, 40));
    QCOMPARE(spy.count(), 0);

    sendMouse(&strawer, QEvent::MouseButtonPress, QPoint(13, 7), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QColor>(), picture.pixelColor(13, 7));
    QVERIFY(!strawer.isVisible());
    QVERIFY(!strawer.isPicking());
    QCOMPARE(strawer.size(), QSize(10, 10));

    // A second pick works the same way; the middle button does nothing.
    strawer.start(picture);
    sendMouse(&strawer, QEvent::MouseButtonPress, QPoint(5, 5), Qt::MiddleButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(strawer.isPicking());
    sendMouse(&strawer, QEvent::MouseButtonPress, QPoint(59, 39), Qt::LeftButton);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<QColor>(), picture.pixelColor(59, 39));
}

void TestColorPickers::strawerCancels_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("escape") << true;
    QTest::newRow("right button") << false;
}

void TestColorPickers::strawerCancels()
{
    QFETCH(bool, escape);
    ColorStrawer strawer(nullptr);
    QSignalSpy spy(&strawer, &ColorStrawer::colorStrawed);
    strawer.start(positionPicture(30, 30));
    // Other keys are swallowed and keep the pick going.
    QTest::keyClick(&strawer, Qt::Key_A);
    QCOMPARE(spy.count(), 0);
    if (escape)
        QTest::keyClick(&strawer, Qt::Key_Escape);
    else
        sendMouse(&strawer, QEvent::MouseButtonPress, QPoint(3, 3), Qt::RightButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!spy.at(0).at(0).value<QColor>().isValid());
    QVERIFY(!strawer.isVisible());
    QVERIFY(!strawer.isPicking());
}

void TestColorPickers::strawerNullPictureEmitsInvalidOnce()
{
    ColorStrawer strawer(nullptr);
    QSignalSpy spy(&strawer, &ColorStrawer::colorStrawed);
    strawer.start(QImage());
    QCOMPARE(spy.count(), 1);
    QVERIFY(!spy.at(0).at(0).value<QColor>().isValid());
    QVERIFY(!strawer.isVisible());
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
}

void TestColorPickers::strawerSamplesHiDpiGrabsInDevicePixels()
{
    ColorStrawer strawer(nullptr);
    QSignalSpy spy(&strawer, &ColorStrawer::colorStrawed);
    QImage picture = positionPicture(100, 80);
    picture.setDevicePixelRatio(2.0);
    strawer.start(picture);
    QCOMPARE(strawer.size(), QSize(50, 40));
    sendMouse(&strawer, QEvent::MouseButtonPress, QPoint(10, 7), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QColor>(), picture.pixelColor(20, 14));
}

QTEST_MAIN(TestColorPickers)
#include "tst_colorpickers.moc"
