// Renders the colour dialog, the stamp picker with imported stamps and the text-box bar on a
// real X server and writes them as PNG files for a visual check.
#include <QtTest>

#include "base/globals.h"
#include "base/paths.h"
#include "base/uimetrics.h"
#include "drawing/paintproperty.h"
#include "toolbar/colordialog.h"
#include "toolbar/colorstrawer.h"
#include "toolbar/stampdialog.h"
#include "toolbar/textboxtoolbar.h"

#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QString screenshotDir()
{
    const QString dir = QFileInfo(QStringLiteral(QB_APP_PATH)).absolutePath() + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

QString samplePicture(const QString &path, const QSize &size, const QColor &color, int kind)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color.darker(150), 6));
    painter.setBrush(color);
    const QRect box = image.rect().adjusted(6, 6, -6, -6);
    if (kind == 0)
        painter.drawEllipse(box);
    else if (kind == 1)
        painter.drawRoundedRect(box, 20, 20);
    else
        painter.drawPolygon(
            QPolygon({QPoint(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()}));
    painter.end();
    image.save(path, "PNG");
    return path;
}

int distinctColours(const QImage &image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            seen.insert(image.pixel(x, y));
    }
    return seen.size();
}

} // namespace

class TestPickerScreens : public QObject
{
    Q_OBJECT
private slots:
    void colorDialog();
    void eyedropperPicksFromTheRealScreen();
    void stampPicker();
    void textBoxBar();
};

void TestPickerScreens::colorDialog()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(
        {"#e53935", "#fb8c00", "#fdd835", "#43a047", "#1e88e5", "#8e24aa", "#6d4c41", "#ffffff"});
    QImage shot;
    QTimer::singleShot(300, &dialog, [&] {
        shot = dialog.grab().toImage();
        dialog.reject();
    });
    dialog.selectColor(QStringLiteral("编辑文本框背景色"), QStringLiteral("#2196f3"),
                       QStringLiteral("无背景色"));
    QVERIFY(!shot.isNull());
    const QString path = screenshotDir() + "/colordialog.png";
    QVERIFY(shot.save(path));
    qInfo("colour dialog: %s", qPrintable(path));
    QVERIFY(distinctColours(shot) > 100);
}

void TestPickerScreens::eyedropperPicksFromTheRealScreen()
{
    QWidget patch(nullptr, Qt::FramelessWindowHint);
    patch.setAutoFillBackground(true);
    QPalette palette = patch.palette();
    palette.setColor(QPalette::Window, QColor("#3366cc"));
    patch.setPalette(palette);
    patch.setGeometry(40, 40, 200, 200);
    patch.show();
    QVERIFY(QTest::qWaitForWindowExposed(&patch));

    ColorDialog dialog(nullptr);
    dialog.move(700, 100);
    bool picking = false;
    QTimer::singleShot(300, &dialog, [&] {
        dialog.findChild<QPushButton *>("strawButton")->click();
        auto *strawer = dialog.findChild<ColorStrawer *>();
        picking = strawer && strawer->isVisible();
        if (picking) {
            const QPoint target = patch.mapToGlobal(QPoint(100, 100));
            QTest::mouseClick(strawer, Qt::LeftButton, {}, strawer->mapFromGlobal(target));
        }
        dialog.reject();
    });
    dialog.selectColor(QStringLiteral("t"), QStringLiteral("#ffffff"), QString());
    QVERIFY(picking);
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#3366CC"));
}

void TestPickerScreens::stampPicker()
{
    QTemporaryDir temp;
    appDataDir = temp.path();
    QVERIFY(QDir().mkpath(stampDirPath()));
    QStringList files;
    const QList<QColor> colours{QColor("#e53935"), QColor("#43a047"), QColor("#1e88e5"),
                                QColor("#fdd835")};
    for (int i = 0; i < colours.size(); ++i) {
        files << samplePicture(temp.path() + QString("/s%1.png").arg(i),
                               i == 1 ? QSize(400, 100) : QSize(160, 160), colours.at(i), i % 3);
    }
    QWidget frame;
    frame.setStyleSheet("QWidget#frame{background:white;}");
    frame.setObjectName("frame");
    auto *picker = new StampDialog(&frame);
    picker->setFileChooser([files](QWidget *) { return files; });
    picker->addCustomStamps();
    picker->setGeometry(0, 0, 460, toolStripHeight());
    picker->show();
    frame.resize(460, toolStripHeight());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTest::qWait(100);
    const QImage shot = frame.grab().toImage();
    const QString path = screenshotDir() + "/stamppicker.png";
    QVERIFY(shot.save(path));
    qInfo("stamp picker: %s", qPrintable(path));
    QCOMPARE(picker->stampGroup()->buttons().size(), 7);
    QVERIFY(distinctColours(shot) > 20);
}

void TestPickerScreens::textBoxBar()
{
    PaintProperty property;
    property.fontColor = QStringLiteral("#e53935");
    property.textFrameColor = QStringLiteral("#1e88e5");
    TextBoxToolBar bar(&property);
    bar.buildLayout();
    bar.connectSignals();
    bar.setupTextBoxBar();
    bar.setStyleSheet("TextBoxToolBar{background:white;}");
    bar.setAttribute(Qt::WA_StyledBackground);
    bar.adjustSize();
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const QImage shot = bar.grab().toImage();
    const QString path = screenshotDir() + "/textboxbar.png";
    QVERIFY(shot.save(path));
    qInfo("text-box bar: %s", qPrintable(path));
}

QTEST_MAIN(TestPickerScreens)
#include "tst_x11_pickerscreens.moc"
