#include <QtTest>

#include "drawing/paintproperty.h"
#include "toolbar/textboxtoolbar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

#include <memory>

namespace {

struct PickerCall
{
    QString title;
    QString initial;
    QString extra;
};

} // namespace

class TestTextBoxToolBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void setupReflectsTheToolState();
    void fontSizeAcceptsEightToHundredOnly_data();
    void fontSizeAcceptsEightToHundredOnly();
    void lineSpacingAndNumberingMapTheIndex_data();
    void lineSpacingAndNumberingMapTheIndex();
    void sameFamilyWritesAndEmitsAgain();
    void styleButtonsToggleAndEmitOnce();
    void alignmentIsExclusive();
    void fontColourHasNoNoneButton();
    void backColourNoneClearsAndDrawsOutline();
    void frameColourStartsBlackAndCancelChangesNothing();

private:
    QComboBox *combo(const char *name) const
    {
        return bar->findChild<QComboBox *>(QString::fromLatin1(name));
    }
    template <typename T>
    T *button(const char *name) const
    {
        return bar->findChild<T *>(QString::fromLatin1(name));
    }
    QColor barPixel(const char *name) const
    {
        const QIcon icon = button<QToolButton>(name)->icon();
        return icon.pixmap(QSize(32, 32)).toImage().pixelColor(16, 26);
    }

    std::unique_ptr<PaintProperty> property;
    std::unique_ptr<TextBoxToolBar> bar;
    QList<PickerCall> calls;
    QString answer;
};

void TestTextBoxToolBar::init()
{
    property = std::make_unique<PaintProperty>();
    property->fontFamily = QStringLiteral("Quill Sans");
    bar = std::make_unique<TextBoxToolBar>(property.get());
    bar->buildLayout();
    bar->connectSignals();
    bar->setupTextBoxBar();
    calls.clear();
    answer.clear();
    bar->setColorPicker([this](const QString &title, const QString &initial, const QString &extra) {
        calls.append({title, initial, extra});
        return answer;
    });
}

void TestTextBoxToolBar::cleanup()
{
    bar.reset();
    property.reset();
}

void TestTextBoxToolBar::setupReflectsTheToolState()
{
    QComboBox *family = combo("familyCombo");
    QCOMPARE(family->currentIndex(), 0);
    QCOMPARE(family->itemText(0), QStringLiteral("Quill Sans"));
    QComboBox *size = combo("sizeCombo");
    QCOMPARE(size->count(), 93);
    QCOMPARE(size->itemText(0), QStringLiteral("8"));
    QCOMPARE(size->itemText(92), QStringLiteral("100"));
    QCOMPARE(size->currentText(), QStringLiteral("14"));
    QVERIFY(button<QPushButton>("leftButton")->isChecked());
    // The shortcuts are the ones the tool tips name.
    QCOMPARE(button<QPushButton>("boldButton")->shortcut(), QKeySequence("Ctrl+B"));
    QCOMPARE(button<QPushButton>("underlineButton")->shortcut(), QKeySequence("Ctrl+U"));
    // The colour bars: black text colour, an outline for no background.
    QCOMPARE(barPixel("fontColorButton"), QColor(0, 0, 0));
    QCOMPARE(barPixel("backColorButton").alpha(), 0);
}

void TestTextBoxToolBar::fontSizeAcceptsEightToHundredOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");
    QTest::newRow("12") << "12" << 12;
    QTest::newRow("8") << "8" << 8;
    QTest::newRow("100") << "100" << 100;
    QTest::newRow("7") << "7" << 14;
    QTest::newRow("101") << "101" << 14;
    QTest::newRow("not a number") << "1a" << 14;
    QTest::newRow("empty") << "" << 14;
    QTest::newRow("hex") << "0x10" << 14;
}

void TestTextBoxToolBar::fontSizeAcceptsEightToHundredOnly()
{
    QFETCH(QString, text);
    QFETCH(int, stored);
    QSignalSpy spy(bar.get(), &TextBoxToolBar::fontSizeActivated);
    emit combo("sizeCombo")->textActivated(text);
    QCOMPARE(property->fontSize, stored);
    QCOMPARE(spy.count(), stored == 14 ? 0 : 1);
}

void TestTextBoxToolBar::lineSpacingAndNumberingMapTheIndex_data()
{
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("stored");
    QTest::newRow("单倍行距") << false << 0 << 0;
    QTest::newRow("1.5倍行距") << false << 1 << 1;
    QTest::newRow("两倍行距") << false << 2 << 2;
    QTest::newRow("spacing out of range") << false << 3 << 0;
    QTest::newRow("spacing negative") << false << -1 << 0;
    QTest::newRow("(无编号)") << true << 0 << 0;
    QTest::newRow("●") << true << 1 << 1;
    QTest::newRow("a.b.c.") << true << 5 << 5;
    QTest::newRow("numbering out of range") << true << 6 << 0;
}

void TestTextBoxToolBar::lineSpacingAndNumberingMapTheIndex()
{
    QFETCH(bool, numbering);
    QFETCH(int, index);
    QFETCH(int, stored);
    property->textLineHeight = 9;
    property->textOrder = 9;
    QSignalSpy spacingSpy(bar.get(), &TextBoxToolBar::textLineHeightActivated);
    QSignalSpy orderSpy(bar.get(), &TextBoxToolBar::textOrderActivated);
    if (numbering) {
        emit combo("orderCombo")->activated(index);
        QCOMPARE(property->textOrder, stored);
        QCOMPARE(orderSpy.count(), 1);
        QCOMPARE(spacingSpy.count(), 0);
    } else {
        emit combo("lineHeightCombo")->activated(index);
        QCOMPARE(property->textLineHeight, stored);
        QCOMPARE(spacingSpy.count(), 1);
        QCOMPARE(orderSpy.count(), 0);
    }
}

void TestTextBoxToolBar::sameFamilyWritesAndEmitsAgain()
{
    QSignalSpy spy(bar.get(), &TextBoxToolBar::fontFamilyActivated);
    emit combo("familyCombo")->textActivated(QStringLiteral("Other"));
    QCOMPARE(property->fontFamily, QStringLiteral("Other"));
    property->fontFamily.clear();
    emit combo("familyCombo")->textActivated(QStringLiteral("Other"));
    QCOMPARE(property->fontFamily, QStringLiteral("Other"));
    QCOMPARE(spy.count(), 2);
}

void TestTextBoxToolBar::styleButtonsToggleAndEmitOnce()
{
    QSignalSpy bold(bar.get(), &TextBoxToolBar::fontBoldClicked);
    QSignalSpy italic(bar.get(), &TextBoxToolBar::fontItalicClicked);
    QSignalSpy underline(bar.get(), &TextBoxToolBar::fontUnderlineClicked);
    QSignalSpy strike(bar.get(), &TextBoxToolBar::fontDeletelineClicked);
    // The text box's own Ctrl+B comes back as a programmatic click.
    bar->clickFontBold();
    QVERIFY(property->fontBold);
    QVERIFY(button<QPushButton>("boldButton")->isChecked());
    QCOMPARE(bold.count(), 1);
    bar->clickFontBold();
    QVERIFY(!property->fontBold);
    QCOMPARE(bold.count(), 2);
    bar->clickFontItalic();
    bar->clickFontUnderline();
    button<QPushButton>("deletelineButton")->click();
    QVERIFY(property->fontItalic && property->fontUnderline && property->fontDeleteline);
    QCOMPARE(italic.count() + underline.count() + strike.count(), 3);
    QCOMPARE(bold.count(), 2);
}

void TestTextBoxToolBar::alignmentIsExclusive()
{
    QSignalSpy spy(bar.get(), &TextBoxToolBar::textAlignChanged);
    button<QPushButton>("rightButton")->click();
    QCOMPARE(property->textAlign, 2);
    QVERIFY(!button<QPushButton>("leftButton")->isChecked());
    button<QPushButton>("centerButton")->click();
    QCOMPARE(property->textAlign, 1);
    QVERIFY(!button<QPushButton>("rightButton")->isChecked());
    button<QPushButton>("leftButton")->click();
    QCOMPARE(property->textAlign, 0);
    QCOMPARE(spy.count(), 3);
}

void TestTextBoxToolBar::fontColourHasNoNoneButton()
{
    QSignalSpy spy(bar.get(), &TextBoxToolBar::fontColorClicked);
    property->fontColor = QStringLiteral("#112233");
    answer = QStringLiteral("#00FF00");
    button<QToolButton>("fontColorButton")->click();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).title, QStringLiteral("编辑字体颜色"));
    QCOMPARE(calls.at(0).initial, QStringLiteral("#112233"));
    QCOMPARE(calls.at(0).extra, QString());
    QCOMPARE(property->fontColor, QStringLiteral("#00FF00"));
    QCOMPARE(barPixel("fontColorButton"), QColor(0, 255, 0));
    QCOMPARE(spy.count(), 1);

    // Closing the question, or an answer that names no colour, leaves everything as it was.
    for (const QString &none : {QString(), QStringLiteral("NONE")}) {
        answer = none;
        button<QToolButton>("fontColorButton")->click();
        QCOMPARE(property->fontColor, QStringLiteral("#00FF00"));
        QCOMPARE(spy.count(), 1);
    }
}

void TestTextBoxToolBar::backColourNoneClearsAndDrawsOutline()
{
    QSignalSpy spy(bar.get(), &TextBoxToolBar::textBackColorClicked);
    answer = QStringLiteral("#FFEE00");
    button<QToolButton>("backColorButton")->click();
    QCOMPARE(calls.at(0).initial, QStringLiteral("#ffffff"));
    QCOMPARE(calls.at(0).extra, QStringLiteral("无背景色"));
    QCOMPARE(property->textBackColor, QStringLiteral("#FFEE00"));
    QCOMPARE(barPixel("backColorButton"), QColor(255, 238, 0));

    answer = QStringLiteral("NONE");
    button<QToolButton>("backColorButton")->click();
    QCOMPARE(calls.at(1).initial, QStringLiteral("#FFEE00"));
    QCOMPARE(property->textBackColor, QString());
    QCOMPARE(spy.count(), 2);
    // Grey outline around an empty inside.
    const QImage image =
        button<QToolButton>("backColorButton")->icon().pixmap(QSize(32, 32)).toImage();
    QCOMPARE(image.pixelColor(16, 26).alpha(), 0);
    const QColor edge = image.pixelColor(16, 24);
    QCOMPARE(edge.alpha(), 255);
    QCOMPARE(edge.rgb(), QColor(Qt::gray).rgb());

    answer = QStringLiteral("#123456");
    button<QToolButton>("backColorButton")->click();
    QCOMPARE(calls.at(2).initial, QStringLiteral("#ffffff"));
}

void TestTextBoxToolBar::frameColourStartsBlackAndCancelChangesNothing()
{
    QSignalSpy spy(bar.get(), &TextBoxToolBar::textFrameColorClicked);
    answer = QString();
    button<QToolButton>("frameColorButton")->click();
    QCOMPARE(calls.at(0).title, QStringLiteral("编辑边框颜色"));
    QCOMPARE(calls.at(0).initial, QStringLiteral("#000000"));
    QCOMPARE(calls.at(0).extra, QStringLiteral("无边框颜色"));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(property->textFrameColor, QString());

    answer = QStringLiteral("#0000FF");
    button<QToolButton>("frameColorButton")->click();
    QCOMPARE(property->textFrameColor, QStringLiteral("#0000FF"));
    answer = QStringLiteral("NONE");
    button<QToolButton>("frameColorButton")->click();
    QCOMPARE(property->textFrameColor, QString());
    QCOMPARE(spy.count(), 2);

    // A colour that names nothing is stored as no colour, never as itself.
    bar->setTextFrameColor(QStringLiteral("NONE"));
    QCOMPARE(property->textFrameColor, QString());
}

QTEST_MAIN(TestTextBoxToolBar)
#include "tst_textboxtoolbar.moc"
