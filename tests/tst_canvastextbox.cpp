#include <QtTest>

#include <QPushButton>

#include "base/globals.h"
#include "items/canvastextbox.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

namespace {
void dragTo(QWidget *widget, const QPoint &position)
{
    QMouseEvent event(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Bounding box of the pixels that are clearly of the given colour.
QRect inkOf(const QImage &image, const QColor &color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && qAbs(c.red() - color.red()) < 60 &&
                qAbs(c.green() - color.green()) < 60 && qAbs(c.blue() - color.blue()) < 60)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

int inkCount(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
    return count;
}
} // namespace

class TestCanvasTextBox : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void widthRules_data();
    void widthRules();
    void growsOnlyWhileTyping();
    void handleDragsStopAtOppositeCorner();
    void moveDragAndNudge();
    void nudgeDuringDragEndsTheDrag();
    void resetHidesBoxOfHiddenCanvas();
    void htmlKeepsStyleThroughRendering();
    void replayIgnoresCurrentStyle();
    void renderingLeavesOpenBoxIntact();
    void blankTextIsInvalid();
    void zoomAppliesOnce();
    void numberingRoundTrip();
    void noColourNames();
    void degenerateRenderIsNull();
    void shortcutsOnlyAsk();
    void shortcutsWinOverSameKeysInWindow();
    void penNearbyIgnoresMouse();

private:
    void open(const TextStyle &style = TextStyle(), double zoom = 1.0);
    void typeStyleKeysOnce(std::unique_ptr<QSignalSpy> &bold);
    QWidget *canvas = nullptr;
    CanvasTextBox *box = nullptr;
};

void TestCanvasTextBox::init()
{
    canvas = new QWidget;
    canvas->setFocusPolicy(Qt::StrongFocus);
    canvas->resize(800, 600);
    box = new CanvasTextBox(canvas);
    canvas->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas));
}

void TestCanvasTextBox::cleanup()
{
    delete canvas;
    canvas = nullptr;
    box = nullptr;
}

void TestCanvasTextBox::open(const TextStyle &style, double zoom)
{
    box->beginEditing(QPointF(100, 100), 300, style, zoom);
}

void TestCanvasTextBox::widthRules_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("available");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("width");
    QTest::newRow("49") << 100.0 << 49 << 100.0 << 50.0;
    QTest::newRow("49 left of the page") << -12.0 << 49 << 0.0 << 50.0;
    QTest::newRow("50") << 100.0 << 50 << 100.0 << 50.0;
    QTest::newRow("120") << 100.0 << 120 << 100.0 << 120.0;
    QTest::newRow("250") << 100.0 << 250 << 100.0 << 200.0;
}

void TestCanvasTextBox::widthRules()
{
    QFETCH(double, x);
    QFETCH(int, available);
    QFETCH(double, left);
    QFETCH(double, width);
    QSignalSpy shown(box, &CanvasTextBox::showHideChanged);
    box->beginEditing(QPointF(x, 200), available, TextStyle(), 1.0);
    QVERIFY(box->isVisible());
    QCOMPARE(shown.count(), 1);
    QCOMPARE(box->topLeft().x(), left);
    QCOMPARE(box->bottomRight().x() - box->topLeft().x(), width);
    const double height = QFontMetricsF(box->textEditor()->font()).lineSpacing() + 2;
    QCOMPARE(box->bottomRight().y() - box->topLeft().y(), height);
    QCOMPARE(box->topLeft().y(), 200 - height / 2);
    QCOMPARE(box->textEditor()->width(), qRound(width));
}

void TestCanvasTextBox::growsOnlyWhileTyping()
{
    open();
    const double startBottom = box->bottomRight().y();
    box->textEditor()->setPlainText(QStringLiteral("one\ntwo\nthree\nfour"));
    const double grown = box->bottomRight().y();
    QVERIFY(grown > startBottom + 30);
    const int margin = (box->height() - box->textEditor()->height()) / 2;
    QCOMPARE(box->textEditor()->height(), qRound(grown) - qRound(box->topLeft().y()));
    QCOMPARE(box->geometry().bottom(), qRound(grown) + margin - 1);
    // Long text wraps anywhere within the width and keeps growing.
    box->textEditor()->setPlainText(QString(400, QLatin1Char('w')));
    QVERIFY(box->bottomRight().y() > grown);
    const double tallest = box->bottomRight().y();
    box->textEditor()->setPlainText(QStringLiteral("x"));
    QCOMPARE(box->bottomRight().y(), tallest);
    // Typed keys grow it as well.
    box->reset();
    open();
    const double before = box->bottomRight().y();
    QTest::keyClicks(box->textEditor(), QString(100, QLatin1Char('m')));
    QCOMPARE(box->textEditor()->toPlainText(), QString(100, QLatin1Char('m')));
    QVERIFY(box->bottomRight().y() > before);
}

void TestCanvasTextBox::handleDragsStopAtOppositeCorner()
{
    open();
    const QPointF topLeft = box->topLeft();
    const QPointF bottomRight = box->bottomRight();
    // Top-left handle dragged past the bottom-right corner: no change.
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    const QPoint beyond = (bottomRight + QPointF(30, 30)).toPoint();
    dragTo(box, beyond - box->pos());
    QCOMPARE(box->topLeft(), topLeft);
    QCOMPARE(box->bottomRight(), bottomRight);
    // Back inside the box it follows.
    const QPoint inside = (topLeft + QPointF(10, -20)).toPoint();
    dragTo(box, inside - box->pos());
    QCOMPARE(box->topLeft(), QPointF(inside));
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, inside - box->pos());

    // Right edge handle past the left edge: no change; then to the right.
    const QPointF tl = box->topLeft();
    const QPointF br = box->bottomRight();
    const QPoint rightHandle(box->width() - 2, box->textEditor()->geometry().center().y());
    QCOMPARE(box->hitTest(rightHandle), 4);
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, rightHandle);
    dragTo(box, (tl - QPointF(5, 0)).toPoint() - box->pos());
    QCOMPARE(box->bottomRight(), br);
    dragTo(box, QPoint(qRound(br.x()) + 40, 0) - box->pos());
    QCOMPARE(box->bottomRight().x(), br.x() + 40);
    QCOMPARE(box->bottomRight().y(), br.y());
    QCOMPARE(box->topLeft(), tl);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));

    // The eight handles and the inside.
    const int w = box->width();
    const int h = box->height();
    const QPoint middle = box->textEditor()->geometry().center();
    QCOMPARE(box->hitTest(QPoint(2, 2)), 1);
    QCOMPARE(box->hitTest(QPoint(middle.x(), 2)), 2);
    QCOMPARE(box->hitTest(QPoint(w - 2, 2)), 3);
    QCOMPARE(box->hitTest(QPoint(w - 2, h - 2)), 5);
    QCOMPARE(box->hitTest(QPoint(middle.x(), h - 2)), 6);
    QCOMPARE(box->hitTest(QPoint(2, h - 2)), 7);
    QCOMPARE(box->hitTest(QPoint(2, middle.y())), 8);
    QCOMPARE(box->hitTest(middle), 0);
}

void TestCanvasTextBox::moveDragAndNudge()
{
    open();
    const QPointF tl = box->topLeft();
    const QPointF br = box->bottomRight();
    // A press on the frame between handles moves the whole box.
    const QPoint frame(box->width() / 4, 1);
    QCOMPARE(box->hitTest(frame), 0);
    const QPoint start = box->mapToParent(frame);
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, frame);
    QVERIFY(!box->isEditing());
    dragTo(box, start + QPoint(30, -10) - box->pos());
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, start + QPoint(30, -10) - box->pos());
    QCOMPARE(box->topLeft(), tl + QPointF(30, -10));
    QCOMPARE(box->bottomRight(), br + QPointF(30, -10));
    box->nudge(1);
    box->nudge(3);
    box->nudge(9);
    QCOMPARE(box->topLeft(), tl + QPointF(29, -11));
    QCOMPARE(box->bottomRight(), br + QPointF(29, -11));
}

void TestCanvasTextBox::nudgeDuringDragEndsTheDrag()
{
    open();
    const QPointF tl = box->topLeft();
    const QPointF br = box->bottomRight();
    const QPoint frame(box->width() / 4, 1);
    const QPoint start = box->mapToParent(frame);
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, frame);
    dragTo(box, start + QPoint(20, 0) - box->pos());
    QCOMPARE(box->topLeft(), tl + QPointF(20, 0));
    box->nudge(2);
    QCOMPARE(box->topLeft(), tl + QPointF(20, 1));
    dragTo(box, start + QPoint(40, 0) - box->pos());
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, start + QPoint(40, 0) - box->pos());
    QCOMPARE(box->topLeft(), tl + QPointF(20, 1));
    QCOMPARE(box->bottomRight(), br + QPointF(20, 1));
}

void TestCanvasTextBox::resetHidesBoxOfHiddenCanvas()
{
    // A canvas of a tab that is not shown still commits and reopens its box.
    canvas->hide();
    box->beginEditing(QPointF(100, 100), 300, TextStyle(), 1.0);
    QVERIFY(!box->isHidden());
    box->reset();
    QVERIFY(box->isHidden());
    box->beginEditing(QPointF(400, 300), 300, TextStyle(), 1.0);
    QCOMPARE(box->topLeft().x(), 400.0);
    QVERIFY(box->topLeft().y() < 300 && box->bottomRight().y() > 300);
    QCOMPARE(box->bottomRight().x(), 600.0);
}

void TestCanvasTextBox::htmlKeepsStyleThroughRendering()
{
    TextStyle style;
    style.fontSize = 20;
    style.fontColor = "#ff0000";
    style.textAlign = 2;
    open(style);
    box->textEditor()->setPlainText(QStringLiteral("WWW"));
    const QString plainHtml = box->toHtml();
    const QPointF a(0, 0), b(300, 0), c(300, 120);
    const QImage right = box->renderToPixmap("", "", a, b, c, plainHtml).toImage();
    const QRect red = inkOf(right, Qt::red);
    QVERIFY(!red.isEmpty());
    QVERIFY2(red.left() > 150, "right-aligned text starts in the right half");
    QVERIFY(red.right() >= 290);

    // Bold gives heavier strokes.
    box->setBold(true, false);
    const QImage bold = box->renderToPixmap("", "", a, b, c, box->toHtml()).toImage();
    QVERIFY(inkCount(bold) > inkCount(right) * 1.1);

    // Underline and strike-out survive as well.
    box->setBold(false, false);
    box->setUnderline(true, false);
    box->setStrikeOut(true, false);
    const QString decorated = box->toHtml();
    QVERIFY(decorated.contains(QStringLiteral("underline")));
    QVERIFY(decorated.contains(QStringLiteral("line-through")));
    const QImage lines = box->renderToPixmap("", "", a, b, c, decorated).toImage();
    QVERIFY(inkCount(lines) > inkCount(right) + 20);
    box->setUnderline(false, false);
    box->setStrikeOut(false, false);
    QVERIFY(!box->toHtml().contains(QStringLiteral("underline")));

    // Double line height puts the second line further down.
    box->textEditor()->setPlainText(QStringLiteral("W\nW"));
    box->setLineHeight(0, false);
    const QRect single =
        inkOf(box->renderToPixmap("", "", a, b, c, box->toHtml()).toImage(), Qt::red);
    box->setLineHeight(2, false);
    const QString doubled = box->toHtml();
    const QRect twice = inkOf(box->renderToPixmap("", "", a, b, c, doubled).toImage(), Qt::red);
    QVERIFY(twice.bottom() > single.bottom() + 15);

    // Decimal numbering draws the numbers left of the right-aligned text.
    box->setNumbering(3, false);
    const QString numbered = box->toHtml();
    QVERIFY(numbered.contains(QStringLiteral("<ol")));
    const QImage withNumbers = box->renderToPixmap("", "", a, b, c, numbered).toImage();
    QVERIFY(inkCount(withNumbers) >
            inkCount(box->renderToPixmap("", "", a, b, c, doubled).toImage()));
    QCOMPARE(inkOf(withNumbers, Qt::red).bottom(), twice.bottom());
}

void TestCanvasTextBox::replayIgnoresCurrentStyle()
{
    TextStyle style;
    style.fontColor = "#0000ff";
    style.textAlign = 1;
    open(style);
    box->textEditor()->setPlainText(QStringLiteral("II"));
    const QString html = box->toHtml();
    const QPointF a(0, 0), b(200, 0), c(200, 60);
    const QImage before = box->renderToPixmap("", "", a, b, c, html).toImage();
    // Another box with another colour and alignment is open while the first is replayed.
    box->reset();
    TextStyle other;
    other.fontColor = "#00ff00";
    other.textAlign = 0;
    open(other);
    box->textEditor()->setPlainText(QStringLiteral("open"));
    const QImage after = box->renderToPixmap("", "", a, b, c, html).toImage();
    QCOMPARE(after, before);
    const QRect blue = inkOf(after, Qt::blue);
    QVERIFY(!blue.isEmpty());
    QVERIFY(qAbs(blue.center().x() - 100) < 10);
    QVERIFY(inkOf(after, Qt::green).isEmpty());
}

void TestCanvasTextBox::renderingLeavesOpenBoxIntact()
{
    open();
    box->textEditor()->setPlainText(QStringLiteral("still typing"));
    const QRect geometry = box->textEditor()->geometry();
    const QPixmap pixmap = box->renderToPixmap("#00ff00", "#ffffff", QPointF(0, 0), QPointF(100, 0),
                                               QPointF(100, 40), QStringLiteral("<p>other</p>"));
    QVERIFY(!pixmap.isNull());
    QCOMPARE(box->textEditor()->toPlainText(), QStringLiteral("still typing"));
    QCOMPARE(box->textEditor()->geometry(), geometry);
    // Background and border of the picture.
    const QImage image = pixmap.toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(image.pixelColor(99, 20), QColor(Qt::green));
    QCOMPARE(image.pixelColor(95, 35), QColor(Qt::white));
}

void TestCanvasTextBox::blankTextIsInvalid()
{
    open();
    QVERIFY(!box->isValid());
    box->textEditor()->setPlainText(QStringLiteral("  \n\t \n  "));
    QVERIFY(!box->hasText());
    QVERIFY(!box->isValid());
    QCOMPARE(box->toHtml(), QString());
    box->textEditor()->setPlainText(QStringLiteral(" a "));
    QVERIFY(box->isValid());
    QVERIFY(!box->toHtml().isEmpty());
    box->reset();
    QVERIFY(box->isHidden());
    QVERIFY(!box->isValid());
}

void TestCanvasTextBox::zoomAppliesOnce()
{
    TextStyle style;
    style.fontSize = 14;
    style.textLineHeight = 1;
    open(style, 2.0);
    QCOMPARE(box->textEditor()->font().pointSizeF(), 28.0);
    const QTextBlockFormat format = box->textEditor()->document()->begin().blockFormat();
    QCOMPARE(format.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    QCOMPARE(format.lineHeight(), 150.0);
    // The HTML is taken at zoom 1 and the box stays there.
    box->textEditor()->setPlainText(QStringLiteral("z"));
    const QString html = box->toHtml();
    QVERIFY(html.contains(QStringLiteral("font-size:14pt")));
    QVERIFY(html.contains(QStringLiteral("line-height:150%")));
    QCOMPARE(box->currentZoom(), 1.0);
    QCOMPARE(box->textEditor()->font().pointSizeF(), 14.0);
}

void TestCanvasTextBox::numberingRoundTrip()
{
    open();
    box->textEditor()->setPlainText(QStringLiteral("alpha\nbeta\ngamma"));
    box->setNumbering(3, true);
    QTextBlock block = box->textEditor()->document()->begin();
    QVERIFY(block.textList());
    QCOMPARE(block.textList()->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(block.textList()->count(), 3);
    box->setNumbering(0, true);
    QCOMPARE(box->textEditor()->toPlainText(), QStringLiteral("alpha\nbeta\ngamma"));
    for (block = box->textEditor()->document()->begin(); block.isValid(); block = block.next())
        QVERIFY(!block.textList());
    box->setNumbering(9, false);
    QCOMPARE(box->textEditor()->document()->begin().textList()->format().style(),
             QTextListFormat::ListDisc);
}

void TestCanvasTextBox::noColourNames()
{
    TextStyle style;
    style.fontColor = "#0000ff";
    open(style);
    box->textEditor()->setPlainText(QStringLiteral("MM"));
    const QPointF a(0, 0), b(100, 0), c(100, 40);
    for (const QString &none : {QString(), QStringLiteral("NONE"), QStringLiteral("nocolour")}) {
        // Neither background nor border: a transparent picture apart from the text.
        const QImage image = box->renderToPixmap(none, none, a, b, c, box->toHtml()).toImage();
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(99, 39).alpha(), 0);
        // The text keeps its colour.
        box->setTextColor(none);
        QVERIFY(!inkOf(box->renderToPixmap("", "", a, b, c, box->toHtml()).toImage(), Qt::blue)
                     .isEmpty());
    }
}

void TestCanvasTextBox::degenerateRenderIsNull()
{
    QVERIFY(box->renderToPixmap("", "", QPointF(0, 0), QPointF(0.4, 0), QPointF(0.4, 30),
                                QStringLiteral("x"))
                .isNull());
    QVERIFY(box->renderToPixmap("", "", QPointF(0, 0), QPointF(30, 0), QPointF(30, 0.2),
                                QStringLiteral("x"))
                .isNull());
}

// Opens the box for typing and presses its bold, italic and underline keys: each asks once.
// The bold spy goes on listening.
void TestCanvasTextBox::typeStyleKeysOnce(std::unique_ptr<QSignalSpy> &bold)
{
    open();
    canvas->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(canvas));
    box->setEditing(true);
    QTRY_VERIFY(box->textEditor()->hasFocus());
    bold = std::make_unique<QSignalSpy>(box, &CanvasTextBox::queryChangeFontBold);
    QSignalSpy italic(box, &CanvasTextBox::queryChangeFontItalic);
    QSignalSpy underline(box, &CanvasTextBox::queryChangeFontUnderline);
    QTest::keyClick(box->textEditor(), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(box->textEditor(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(box->textEditor(), Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(bold->count(), 1);
    QCOMPARE(italic.count(), 1);
    QCOMPARE(underline.count(), 1);
}

void TestCanvasTextBox::shortcutsOnlyAsk()
{
    std::unique_ptr<QSignalSpy> bold;
    typeStyleKeysOnce(bold);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(box->isEditing());
    QVERIFY(!box->textStyle().fontBold);
    // Stopping the editing hands the focus back to the canvas.
    box->setEditing(false);
    QTRY_VERIFY(canvas->hasFocus());
    QVERIFY(!box->isEditing());
}

void TestCanvasTextBox::shortcutsWinOverSameKeysInWindow()
{
    // The toolbar's style buttons carry the same keys in the same window; while the box is
    // typed into, its keys must still ask exactly once instead of clashing.
    const QKeySequence::StandardKey keys[] = {QKeySequence::Bold, QKeySequence::Italic,
                                              QKeySequence::Underline};
    QList<QPushButton *> buttons;
    int clicks = 0;
    for (QKeySequence::StandardKey key : keys) {
        auto *button = new QPushButton(canvas);
        button->setShortcut(key);
        button->setFocusPolicy(Qt::NoFocus);
        button->show();
        connect(button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        buttons << button;
    }
    std::unique_ptr<QSignalSpy> bold;
    typeStyleKeysOnce(bold);
    if (QTest::currentTestFailed())
        return;
    // A button's shortcut presses it at once and clicks a moment later.
    for (QPushButton *button : buttons)
        QVERIFY(!button->isDown());
    QVERIFY(box->textEditor()->toPlainText().isEmpty());
    // Away from the box the window's own buttons take the keys.
    box->setEditing(false);
    QTRY_VERIFY(canvas->hasFocus());
    QTest::keyClick(canvas, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(buttons.first()->isDown());
    QTRY_COMPARE(clicks, 1);
    QCOMPARE(bold->count(), 1);
}

void TestCanvasTextBox::penNearbyIgnoresMouse()
{
    open();
    const QPointF tl = box->topLeft();
    penInProximity = true;
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    dragTo(box, QPoint(-30, -30));
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, QPoint(-30, -30));
    penInProximity = false;
    QCOMPARE(box->topLeft(), tl);
}

QTEST_MAIN(TestCanvasTextBox)
#include "tst_canvastextbox.moc"
