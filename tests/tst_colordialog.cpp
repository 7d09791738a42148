#include <QtTest>

#include "toolbar/colordialog.h"
#include "toolbar/colorhuedistribution.h"
#include "toolbar/colorstrawer.h"
#include "toolbar/colorsvdistribution.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <functional>

namespace {

const QStringList distinct{"#111111", "#222222", "#333333", "#444444",
                           "#555555", "#666666", "#777777", "#888888"};

template <typename T>
T *child(const ColorDialog &dialog, const char *name)
{
    T *found = dialog.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QPushButton *button(const ColorDialog &dialog, const QString &name)
{
    return dialog.findChild<QPushButton *>(name);
}

// Runs the dialog and does the given steps once its event loop is up.
QString runWith(ColorDialog &dialog, const QString &initial, const QString &extra,
                const std::function<void()> &steps)
{
    // Closes the dialog even when a check inside the steps failed and returned early.
    QTimer::singleShot(0, &dialog, [&dialog, steps] {
        steps();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.selectColor(QStringLiteral("title"), initial, extra);
}

QString runClicking(ColorDialog &dialog, const QString &name)
{
    return runWith(dialog, QStringLiteral("#123456"), QString(),
                   [&dialog, name] { button(dialog, name)->click(); });
}

// Every control shows the current colour.
void verifyAgreement(const ColorDialog &dialog)
{
    const QString current = dialog.currentColorName();
    QVERIFY(QColor::isValidColor(current));
    const QColor rgb(child<QSpinBox>(dialog, "redBox")->value(),
                     child<QSpinBox>(dialog, "greenBox")->value(),
                     child<QSpinBox>(dialog, "blueBox")->value());
    QCOMPARE(rgb.name().toUpper(), current);
    // Whole-number hue, saturation and value cannot name every RGB colour: the boxes show
    // either the current colour's own figures or figures that make exactly that colour.
    const int h = child<QSpinBox>(dialog, "hueBox")->value();
    const int s = child<QSpinBox>(dialog, "satBox")->value();
    const int v = child<QSpinBox>(dialog, "valueBox")->value();
    const QColor shown(current);
    const bool ownFigures =
        h == std::max(0, shown.hue()) && s == shown.saturation() && v == shown.value();
    QVERIFY2(ownFigures || QColor::fromHsv(h, s, v).name().toUpper() == current,
             qPrintable(QString("%1 %2 %3 for %4").arg(h).arg(s).arg(v).arg(current)));
    const QString hex = child<QLineEdit>(dialog, "hexEdit")->text().trimmed();
    QCOMPARE(QColor(hex).name().toUpper(), current);
    QVERIFY2(child<QPushButton>(dialog, "previewButton")
                 ->styleSheet()
                 .contains(QStringLiteral("background-color:") + current + ";"),
             qPrintable(current));
}

} // namespace

class TestColorDialog : public QObject
{
    Q_OBJECT
private slots:
    void basicSwatchMovesAnExistingColourToTheFront();
    void newColourDropsTheLastRecent();
    void customSwatchAcceptsTheEntryAtClickTime();
    void shadeReturnsItsNameUpperCased();
    void previewAddsWithoutClosingAndCancelKeepsTheList();
    void recentListOfAnotherLengthIsIgnored();
    void invalidRecentEntriesBecomeWhite();
    void hexInputSetsEveryControl();
    void invalidHexShowsTheMessageAndChangesNothing();
    void returnInTheEditorAcceptsNothing();
    void controlsAgreeAfterEveryHandler();
    void controlsAgreeAfterReturningToTheLastAddedColour();
    void extraButtonGivesNone();
    void invalidInitialColourOpensOnRed_data();
    void invalidInitialColourOpensOnRed();
    void greyStartShowsNoHue();
    void eyedropperUsesTheGrabbedPicture();
    void eyedropperWithoutPictureChangesNothing();
    void pickColorHandsTheListBack();
};

void TestColorDialog::basicSwatchMovesAnExistingColourToTheFront()
{
    ColorDialog dialog(nullptr);
    QStringList recent = distinct;
    recent[3] = "#ffffff";
    dialog.setRecentColors(recent);
    QCOMPARE(runClicking(dialog, "basicSwatch0"), QStringLiteral("#FFFFFF"));
    QCOMPARE(dialog.recentColors(), QStringList({"#FFFFFF", "#111111", "#222222", "#333333",
                                                 "#555555", "#666666", "#777777", "#888888"}));
    QCOMPARE(button(dialog, "customSwatch0")->toolTip(), QStringLiteral("#FFFFFF"));
}

void TestColorDialog::newColourDropsTheLastRecent()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct);
    QCOMPARE(runClicking(dialog, "basicSwatch2"), QStringLiteral("#FF0000"));
    QCOMPARE(dialog.recentColors(), QStringList({"#FF0000", "#111111", "#222222", "#333333",
                                                 "#444444", "#555555", "#666666", "#777777"}));
    QCOMPARE(button(dialog, "customSwatch7")->toolTip(), QStringLiteral("#777777"));
}

void TestColorDialog::customSwatchAcceptsTheEntryAtClickTime()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct);
    QCOMPARE(runClicking(dialog, "customSwatch4"), QStringLiteral("#555555"));
    QCOMPARE(dialog.recentColors(), QStringList({"#555555", "#111111", "#222222", "#333333",
                                                 "#444444", "#666666", "#777777", "#888888"}));
    // The same swatch now holds another entry and gives that one.
    QCOMPARE(runClicking(dialog, "customSwatch4"), QStringLiteral("#444444"));
}

void TestColorDialog::shadeReturnsItsNameUpperCased()
{
    ColorDialog dialog(nullptr);
    QCOMPARE(runClicking(dialog, "shadeSwatch5"), QStringLiteral("#FFCDD2"));
    QCOMPARE(runClicking(dialog, "shadeSwatch39"), QStringLiteral("#4A148C"));
    QCOMPARE(dialog.recentColors().mid(0, 3), QStringList({"#4A148C", "#FFCDD2", "#FFFFFF"}));
}

void TestColorDialog::previewAddsWithoutClosingAndCancelKeepsTheList()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct);
    bool stillOpen = false;
    const QString result = runWith(dialog, "#000000", QString(), [&] {
        ColorHueDistribution *bar = child<ColorHueDistribution>(dialog, "hueBar");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 3, 5));
        child<QPushButton>(dialog, "previewButton")->click();
        stillOpen = dialog.isVisible();
        dialog.reject();
    });
    QVERIFY(stillOpen);
    QCOMPARE(result, QString());
    const QStringList recent = dialog.recentColors();
    QCOMPARE(recent.size(), 8);
    QCOMPARE(recent.first(), dialog.currentColorName());
    QCOMPARE(recent.mid(1), distinct.mid(0, 7));
}

void TestColorDialog::recentListOfAnotherLengthIsIgnored()
{
    QStringList white;
    for (int i = 0; i < 8; ++i)
        white << QStringLiteral("#FFFFFF");
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct.mid(0, 7));
    QCOMPARE(dialog.recentColors(), white);
    dialog.setRecentColors(distinct + QStringList{"#999999"});
    QCOMPARE(dialog.recentColors(), white);
    dialog.setRecentColors({});
    QCOMPARE(dialog.recentColors(), white);
}

void TestColorDialog::invalidRecentEntriesBecomeWhite()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors({"#abcdef", "NONE", "", "#12345", "red", "#FF0000", "xyz", "#000"});
    QCOMPARE(dialog.recentColors(), QStringList({"#ABCDEF", "#FFFFFF", "#FFFFFF", "#FFFFFF",
                                                 "#FF0000", "#FF0000", "#FFFFFF", "#000000"}));
    QVERIFY(button(dialog, "customSwatch1")->styleSheet().contains("border:1 solid"));
    QVERIFY(button(dialog, "customSwatch0")->styleSheet().startsWith("QPushButton{border:0;"));
    // A chosen recent colour always travels as "#RRGGBB".
    QCOMPARE(runClicking(dialog, "customSwatch4"), QStringLiteral("#FF0000"));
}

void TestColorDialog::hexInputSetsEveryControl()
{
    ColorDialog dialog(nullptr);
    runWith(dialog, "#000000", QString(), [&] {
        QLineEdit *hex = child<QLineEdit>(dialog, "hexEdit");
        hex->setText(" #ff8800 ");
        emit hex->editingFinished();
        dialog.reject();
    });
    QCOMPARE(child<QSpinBox>(dialog, "redBox")->value(), 255);
    QCOMPARE(child<QSpinBox>(dialog, "greenBox")->value(), 136);
    QCOMPARE(child<QSpinBox>(dialog, "blueBox")->value(), 0);
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#FF8800"));
    // The typed text stays as typed.
    QCOMPARE(child<QLineEdit>(dialog, "hexEdit")->text(), QStringLiteral(" #ff8800 "));
    verifyAgreement(dialog);
}

void TestColorDialog::invalidHexShowsTheMessageAndChangesNothing()
{
    ColorDialog dialog(nullptr);
    QStringList messages;
    dialog.setInformer(
        [&](const QString &title, const QString &text) { messages << title + "|" + text; });
    runWith(dialog, "#336699", QString(), [&] {
        QLineEdit *hex = child<QLineEdit>(dialog, "hexEdit");
        hex->setText("336699ff");
        emit hex->editingFinished();
        dialog.reject();
    });
    QCOMPARE(messages, QStringList("墨岚颜色提示|要求#000000和#FFFFFF之间的数值"));
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#336699"));
    QCOMPARE(child<QSpinBox>(dialog, "redBox")->value(), 0x33);
    QCOMPARE(child<QSpinBox>(dialog, "blueBox")->value(), 0x99);
}

void TestColorDialog::returnInTheEditorAcceptsNothing()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct);
    bool stillOpen = false;
    const QString result = runWith(dialog, "#ffffff", "无背景色", [&] {
        QLineEdit *hex = child<QLineEdit>(dialog, "hexEdit");
        hex->setFocus();
        hex->selectAll();
        QTest::keyClicks(hex, "#00ff00");
        QTest::keyClick(hex, Qt::Key_Return);
        QSpinBox *red = child<QSpinBox>(dialog, "redBox");
        red->setFocus();
        QTest::keyClick(red, Qt::Key_Enter);
        stillOpen = dialog.isVisible();
        dialog.reject();
    });
    QVERIFY(stillOpen);
    QCOMPARE(result, QString());
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#00FF00"));
    QCOMPARE(dialog.recentColors(), distinct);
}

void TestColorDialog::controlsAgreeAfterEveryHandler()
{
    ColorDialog dialog(nullptr);
    runWith(dialog, "#20a040", QString(), [&] {
        verifyAgreement(dialog);
        ColorHueDistribution *bar = child<ColorHueDistribution>(dialog, "hueBar");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 5));
        verifyAgreement(dialog);
        ColorSVDistribution *area = child<ColorSVDistribution>(dialog, "svArea");
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() / 2, area->height() / 3));
        verifyAgreement(dialog);
        // Typing into a box updates at every keystroke.
        child<QSpinBox>(dialog, "greenBox")->setValue(17);
        QCOMPARE(QColor(dialog.currentColorName()).green(), 17);
        verifyAgreement(dialog);
        child<QSpinBox>(dialog, "hueBox")->setValue(300);
        child<QSpinBox>(dialog, "satBox")->setValue(200);
        child<QSpinBox>(dialog, "valueBox")->setValue(180);
        QCOMPARE(dialog.currentColorName(), QColor::fromHsv(300, 200, 180).name().toUpper());
        verifyAgreement(dialog);
        QLineEdit *hex = child<QLineEdit>(dialog, "hexEdit");
        hex->setText("#0a0b0c");
        emit hex->editingFinished();
        verifyAgreement(dialog);
        dialog.reject();
    });
}

void TestColorDialog::controlsAgreeAfterReturningToTheLastAddedColour()
{
    ColorDialog dialog(nullptr);
    runWith(dialog, "#FF0000", QString(), [&] {
        // Add the start colour, move away, then come back to it by hex and by the hue bar.
        child<QPushButton>(dialog, "previewButton")->click();
        QCOMPARE(dialog.recentColors().first(), QStringLiteral("#FF0000"));
        child<QSpinBox>(dialog, "greenBox")->setValue(136);
        QCOMPARE(dialog.currentColorName(), QStringLiteral("#FF8800"));
        QLineEdit *hex = child<QLineEdit>(dialog, "hexEdit");
        hex->setText("#FF0000");
        emit hex->editingFinished();
        QCOMPARE(dialog.currentColorName(), QStringLiteral("#FF0000"));
        verifyAgreement(dialog);

        ColorHueDistribution *bar = child<ColorHueDistribution>(dialog, "hueBar");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 5));
        const QString pure = dialog.currentColorName();
        child<QPushButton>(dialog, "previewButton")->click();
        child<QSpinBox>(dialog, "blueBox")->setValue(10);
        QVERIFY(dialog.currentColorName() != pure);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(0, 5));
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 5));
        QCOMPARE(dialog.currentColorName(), pure);
        verifyAgreement(dialog);
        dialog.reject();
    });
}

void TestColorDialog::extraButtonGivesNone()
{
    ColorDialog dialog(nullptr);
    dialog.setRecentColors(distinct);
    bool shown = false;
    QString text;
    const QString result = runWith(dialog, "#ffffff", "无背景色", [&] {
        QPushButton *extra = child<QPushButton>(dialog, "extraButton");
        shown = extra->isVisible();
        text = extra->text();
        extra->click();
    });
    QVERIFY(shown);
    QCOMPARE(text, QStringLiteral("无背景色"));
    QCOMPARE(result, QStringLiteral("NONE"));
    QCOMPARE(dialog.recentColors(), distinct);

    // Without a text the button is hidden and cleared.
    runWith(dialog, "#ffffff", QString(), [&] {
        QPushButton *extra = child<QPushButton>(dialog, "extraButton");
        shown = extra->isVisible();
        text = extra->text();
        dialog.reject();
    });
    QVERIFY(!shown);
    QCOMPARE(text, QString());
}

void TestColorDialog::invalidInitialColourOpensOnRed_data()
{
    QTest::addColumn<QString>("initial");
    QTest::newRow("empty") << QString();
    QTest::newRow("NONE") << QStringLiteral("NONE");
    QTest::newRow("garbage") << QStringLiteral("#12");
}

void TestColorDialog::invalidInitialColourOpensOnRed()
{
    QFETCH(QString, initial);
    ColorDialog dialog(nullptr);
    QString title;
    runWith(dialog, initial, QString(), [&] {
        title = dialog.windowTitle();
        dialog.reject();
    });
    QCOMPARE(title, QStringLiteral("title"));
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#FF0000"));
    QCOMPARE(child<QLineEdit>(dialog, "hexEdit")->text(), QStringLiteral("#FF0000"));
    verifyAgreement(dialog);
}

void TestColorDialog::greyStartShowsNoHue()
{
    ColorDialog dialog(nullptr);
    runWith(dialog, "#9e9e9e", QString(), [&] { dialog.reject(); });
    QCOMPARE(child<QSpinBox>(dialog, "hueBox")->value(), 0);
    QCOMPARE(child<QSpinBox>(dialog, "satBox")->value(), 0);
    QCOMPARE(child<QSpinBox>(dialog, "valueBox")->value(), 158);
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#9E9E9E"));
}

void TestColorDialog::eyedropperUsesTheGrabbedPicture()
{
    ColorDialog dialog(nullptr);
    QImage screen(40, 30, QImage::Format_RGB32);
    screen.fill(QColor(10, 20, 30));
    screen.setPixelColor(25, 12, QColor(200, 100, 50));
    dialog.setScreenGrabber([screen] { return screen; });
    runWith(dialog, "#ffffff", QString(), [&] {
        child<QPushButton>(dialog, "strawButton")->click();
        ColorStrawer *strawer = child<ColorStrawer>(dialog, "strawer");
        QVERIFY(strawer->isVisible());
        QTest::mouseClick(strawer, Qt::LeftButton, {}, QPoint(25, 12));
        QVERIFY(!strawer->isVisible());
        QVERIFY(dialog.isVisible());
        dialog.reject();
    });
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#C86432"));
    verifyAgreement(dialog);
}

void TestColorDialog::eyedropperWithoutPictureChangesNothing()
{
    ColorDialog dialog(nullptr);
    dialog.setScreenGrabber([] { return QImage(); });
    QStringList told;
    dialog.setInformer([&](const QString &, const QString &text) { told << text; });
    int reports = 0;
    runWith(dialog, "#123456", QString(), [&] {
        ColorStrawer *strawer = child<ColorStrawer>(dialog, "strawer");
        connect(strawer, &ColorStrawer::colorStrawed, [&] { ++reports; });
        child<QPushButton>(dialog, "strawButton")->click();
        QVERIFY(!strawer->isVisible());
        dialog.reject();
    });
    QCOMPARE(reports, 1);
    QCOMPARE(told, QStringList{"获取屏幕位置信息失败，请重试"});
    QCOMPARE(dialog.currentColorName(), QStringLiteral("#123456"));
}

void TestColorDialog::pickColorHandsTheListBack()
{
    QStringList recent = distinct;
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<ColorDialog *>(QApplication::activeModalWidget());
        if (dialog)
            button(*dialog, "basicSwatch1")->click();
        else if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    QCOMPARE(ColorDialog::pickColor(nullptr, &recent, "t", "#ffffff", QString()),
             QStringLiteral("#000000"));
    QCOMPARE(recent.first(), QStringLiteral("#000000"));
    QCOMPARE(recent.size(), 8);
}

QTEST_MAIN(TestColorDialog)
#include "tst_colordialog.moc"
