#include <QtTest>

#include "drawing/colorname.h"
#include "drawing/pagedata.h"
#include "drawing/paintdata.h"
#include "drawing/paintproperty.h"
#include "drawing/stylerecords.h"

class TestStyleRecords : public QObject
{
    Q_OBJECT
private slots:
    void freshToolStateHoldsTheDefaults();
    void noColorNames_data();
    void noColorNames();
    void fillColorFollowsTheFillFlag();
    void noColorFillIsStoredEmpty();
    void defaultRecordsAndBuilders();
    void clampLineStyle_data();
    void clampLineStyle();
    void textFontFromOptions();
    void actionClearRestoresDefaults();
    void pageClearKeepsIndexAndDeletesActions();
};

void TestStyleRecords::freshToolStateHoldsTheDefaults()
{
    const PaintProperty p;
    QCOMPARE(p.paintTool, 0);
    QCOMPARE(p.foreColor, QStringLiteral("#000000"));
    QCOMPARE(p.backColor, QStringLiteral("#ffffff"));
    QCOMPARE(p.shapeType, 1);
    QCOMPARE(p.lineBoldSize, 2);
    QCOMPARE(p.lineStyle, 1);
    QCOMPARE(p.arrowStyle, 0);
    QCOMPARE(p.highlightSize, 2);
    QCOMPARE(p.eraserSize, 2);
    QCOMPARE(p.eraserShape, 0);
    QVERIFY(!p.isFillBackColor && !p.hasPenLaser && !p.hasLineDegree && !p.hasIncludedAngle);
    QCOMPARE(p.polygonSideCount, 3);
    QCOMPARE(p.startAngle, 60);
    QCOMPARE(p.angleSize, 60);
    QCOMPARE(p.fontFamily, QGuiApplication::font().family());
    QCOMPARE(p.fontSize, 14);
    QVERIFY(!p.fontBold && !p.fontItalic && !p.fontUnderline && !p.fontDeleteline);
    QCOMPARE(p.fontColor, QStringLiteral("#000000"));
    QVERIFY(p.textBackColor.isEmpty() && p.textFrameColor.isEmpty());
    QCOMPARE(p.textAlign, 0);
    QCOMPARE(p.textLineHeight, 0);
    QCOMPARE(p.textOrder, 0);
    QVERIFY(p.stampName.isEmpty() && p.stampTeacherPointer.isEmpty());
}

void TestStyleRecords::noColorNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("none");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("NONE") << QStringLiteral("NONE") << true;
    QTest::newRow("none lower") << QStringLiteral("none") << true;
    QTest::newRow("garbage") << QStringLiteral("#12") << true;
    QTest::newRow("not hex") << QStringLiteral("#gg0000") << true;
    QTest::newRow("upper hex") << QStringLiteral("#3F48CC") << false;
    QTest::newRow("lower hex") << QStringLiteral("#ff0000") << false;
}

void TestStyleRecords::noColorNames()
{
    QFETCH(QString, name);
    QFETCH(bool, none);
    QCOMPARE(isNoColor(name), none);
    QCOMPARE(colorFromName(name).isValid(), !none);
    if (!none)
        QCOMPARE(colorFromName(name), QColor(name));
}

void TestStyleRecords::fillColorFollowsTheFillFlag()
{
    PaintProperty p;
    p.backColor = QStringLiteral("#22B14C");
    // Without the flag the default fill "#ffffff" is replaced by no fill.
    QVERIFY(ShapeStyle::fromPaintProperty(&p).fillColor.isEmpty());
    QVERIFY(PolylineStyle::fromPaintProperty(&p).fillColor.isEmpty());
    QVERIFY(PenStyle::fromPaintProperty(&p).fillColor.isEmpty());
    p.isFillBackColor = true;
    QCOMPARE(ShapeStyle::fromPaintProperty(&p).fillColor, p.backColor);
    QCOMPARE(PolylineStyle::fromPaintProperty(&p).fillColor, p.backColor);
    QCOMPARE(PenStyle::fromPaintProperty(&p).fillColor, p.backColor);
}

void TestStyleRecords::noColorFillIsStoredEmpty()
{
    PaintProperty p;
    p.isFillBackColor = true;
    p.textBackColor = QStringLiteral("NONE");
    p.textFrameColor = QStringLiteral("bogus");
    for (const QString &none : {QStringLiteral("NONE"), QStringLiteral("xyz"), QString()}) {
        p.backColor = none;
        QVERIFY(ShapeStyle::fromPaintProperty(&p).fillColor.isEmpty());
        QVERIFY(PolylineStyle::fromPaintProperty(&p).fillColor.isEmpty());
        QVERIFY(PenStyle::fromPaintProperty(&p).fillColor.isEmpty());
    }
    const TextStyle text = TextStyle::fromPaintProperty(&p);
    QVERIFY(text.textBackColor.isEmpty());
    QVERIFY(text.textFrameColor.isEmpty());
}

void TestStyleRecords::defaultRecordsAndBuilders()
{
    QCOMPARE(ShapeStyle().fillColor, QStringLiteral("#ffffff"));
    QVERIFY(TextStyle().fontFamily.isEmpty());
    QCOMPARE(TextStyle().fontSize, 14);

    PaintProperty p;
    p.foreColor = QStringLiteral("#FF0000");
    p.shapeType = 26;
    p.lineBoldSize = 7;
    p.lineStyle = 4;
    p.arrowStyle = 3;
    p.hasLineDegree = true;
    p.hasIncludedAngle = true;
    p.polygonSideCount = 9;
    p.startAngle = -30;
    p.angleSize = 270;
    p.fontFamily = QStringLiteral("Serif");
    p.fontSize = 40;
    p.fontBold = true;
    p.fontColor = QStringLiteral("#0000FF");
    p.textBackColor = QStringLiteral("#FFFF00");
    p.textAlign = 2;
    p.textLineHeight = 1;
    p.textOrder = 5;

    const ShapeStyle shape = ShapeStyle::fromPaintProperty(&p);
    QCOMPARE(shape.color, p.foreColor);
    QCOMPARE(shape.shapeType, 26);
    QCOMPARE(shape.lineWidth, 7);
    QCOMPARE(shape.lineStyle, 4);
    QVERIFY(shape.hasLineDegree);
    QCOMPARE(shape.polygonSideCount, 9);
    QCOMPARE(shape.startAngle, -30);
    QCOMPARE(shape.angleSize, 270);
    QVERIFY(!shape.cuboidDepthSet && !shape.isShape);

    const LineStyle line = LineStyle::fromPaintProperty(&p);
    QCOMPARE(line.lineWidth, 7);
    QCOMPARE(line.lineStyle, 4);
    QCOMPARE(line.arrowStyle, 3);
    QVERIFY(line.hasLineDegree);
    QCOMPARE(line.color, p.foreColor);

    QVERIFY(PolylineStyle::fromPaintProperty(&p).hasIncludedAngle);

    const TextStyle text = TextStyle::fromPaintProperty(&p);
    QCOMPARE(text.fontFamily, QStringLiteral("Serif"));
    QCOMPARE(text.fontSize, 40);
    QVERIFY(text.fontBold && !text.fontItalic);
    QCOMPARE(text.fontColor, p.fontColor);
    QCOMPARE(text.textBackColor, p.textBackColor);
    QCOMPARE(text.textAlign, 2);
    QCOMPARE(text.textLineHeight, 1);
    QCOMPARE(text.textOrder, 5);

    // A later change of the options leaves a built record alone.
    p.lineBoldSize = 9;
    QCOMPARE(line.lineWidth, 7);
}

void TestStyleRecords::clampLineStyle_data()
{
    QTest::addColumn<int>("in");
    QTest::addColumn<int>("out");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-1") << -1 << 1;
    QTest::newRow("6") << 6 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("5") << 5 << 5;
}

void TestStyleRecords::clampLineStyle()
{
    QFETCH(int, in);
    QFETCH(int, out);
    QCOMPARE(::clampLineStyle(in), out);
    QCOMPARE(int(penStyleOf(in)), out);
}

void TestStyleRecords::textFontFromOptions()
{
    PaintProperty p;
    p.fontFamily = QStringLiteral("Sans");
    p.fontSize = 22;
    p.fontBold = true;
    p.fontDeleteline = true;
    const QFont font = textStyleFont(&p);
    QCOMPARE(font.pointSize(), 22);
    QCOMPARE(font.weight(), 75);
    QVERIFY(font.strikeOut() && !font.italic() && !font.underline());
    QCOMPARE(penWidthFactor(1), 1.5);
    QCOMPARE(penWidthFactor(2), 2.0);
    QCOMPARE(penWidthFactor(7), 1.0);
}

void TestStyleRecords::actionClearRestoresDefaults()
{
    PaintData a;
    a.active = a.closed = a.sourceFixed = true;
    a.type = 7;
    a.value1 = a.value2 = a.width = a.style = 3;
    a.color = a.color2 = a.text = QStringLiteral("x");
    a.points = {QPointF(1, 2)};
    a.values = {1.5};
    a.clear();
    QVERIFY(!a.active && !a.closed && !a.sourceFixed);
    QCOMPARE(a.type + a.value1 + a.value2 + a.width + a.style, 0);
    QVERIFY(a.color.isEmpty() && a.color2.isEmpty() && a.text.isEmpty());
    QVERIFY(a.points.isEmpty() && a.values.isEmpty());
}

void TestStyleRecords::pageClearKeepsIndexAndDeletesActions()
{
    QObject canvas;
    PageData page(&canvas);
    page.index = 4;
    page.width = 800;
    page.height = 600;
    page.showExtension = QMargins(1, 2, 3, 4);
    page.layerExtension = QMargins(1, 2, 3, 4);
    page.background = QPixmap(10, 10);
    page.pastedImages << QPixmap(5, 5);
    page.note = QStringLiteral("/tmp/x.png");
    QPointer<PaintData> a = new PaintData(&canvas);
    QPointer<PaintData> b = new PaintData(&canvas);
    page.history << a << b;
    page.clear();
    QCOMPARE(page.index, 4);
    QCOMPARE(page.width + page.height, 0);
    QVERIFY(page.showExtension.isNull() && page.layerExtension.isNull());
    QVERIFY(page.background.isNull());
    QVERIFY(page.history.isEmpty() && page.pastedImages.isEmpty() && page.note.isEmpty());
    QVERIFY(a.isNull() && b.isNull());

    // A page that goes away takes its actions with it.
    auto *other = new PageData(&canvas);
    QPointer<PaintData> c = new PaintData(&canvas);
    other->history << c;
    delete other;
    QVERIFY(c.isNull());
}

QTEST_MAIN(TestStyleRecords)
#include "tst_stylerecords.moc"
