#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTouchDevice>
#include <QVBoxLayout>
#include <QtTest>

#include "base/globals.h"
#include "documents/scrollarea.h"
#include "documents/slidebackgroundlabel.h"

namespace {

// Records the keys that reach it from its children.
class KeyParent : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
};

class RecordingSlideHost : public SlideBackgroundHost
{
public:
    bool lost = false;
    QStringList calls;
    bool isSlideShowLost() const override { return lost; }
    void navigateSlideShow(int step) override { calls << QStringLiteral("navigate %1").arg(step); }
    void slideBackgroundStep() override { calls << QStringLiteral("step"); }
};

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButton button)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendWheel(QWidget *target, int delta, Qt::KeyboardModifiers modifiers)
{
    const QPointF pos(10, 10);
    QWheelEvent event(pos, target->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestScrollArea : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pinchRules();
    void pinchFromTouchEvents();
    void arrowKeysBecomeDirectionsAndOtherKeysPassOn();
    void ctrlWheelZoomsAndPlainWheelScrollsOneStep();
    void wheelScrollsSidewaysWithoutVerticalBar();
    void leftPressCommitsAndPans();
    void otherButtonsAndStrayMovesDoNotPan();
    void penInProximityIgnoresMouse();
    void resizeSetsSingleSteps();
    void scrollByDirectionSteps();
    void slideBackgroundNavigates();
    void focusChangesNeverScroll();

private:
    KeyParent *parent = nullptr;
    ScrollArea *area = nullptr;
    QWidget *content = nullptr;
};

void TestScrollArea::init()
{
    penInProximity = false;
    parent = new KeyParent;
    auto *layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    area = new ScrollArea(parent);
    content = new QWidget;
    content->setFixedSize(2000, 1500);
    area->setWidget(content);
    layout->addWidget(area);
    parent->resize(400, 300);
    parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(parent));
}

void TestScrollArea::cleanup()
{
    delete parent;
    parent = nullptr;
    penInProximity = false;
}

void TestScrollArea::pinchRules()
{
    double value = 0.0;
    QCOMPARE(ScrollArea::pinchZoom(200, 150, &value), 2);
    QCOMPARE(value, 0.25);
    QCOMPARE(ScrollArea::pinchZoom(100, 150, &value), 1);
    QCOMPARE(value, 0.5);
    QCOMPARE(ScrollArea::pinchZoom(100, 100, &value), 0);
    // Regression: fingers that start on one spot gave a division by zero.
    value = -1.0;
    QCOMPARE(ScrollArea::pinchZoom(0, 150, &value), 0);
    QCOMPARE(ScrollArea::pinchZoom(0.6, 150, &value), 0);
    QCOMPARE(value, -1.0);
    QCOMPARE(ScrollArea::pinchZoom(1.0, 2.0, &value), 1);
    QCOMPARE(value, 1.0);

    // Three fingers: the path through them in list order.
    QCOMPARE(ScrollArea::spreadOf({QPointF(0, 0), QPointF(30, 40), QPointF(30, 100)}), 110.0);
    QCOMPARE(ScrollArea::spreadOf({QPointF(5, 5)}), 0.0);
}

void TestScrollArea::pinchFromTouchEvents()
{
    QTouchDevice *device = QTest::createTouchDevice();
    QSignalSpy zoomed(area, &ScrollArea::touchZoomed);
    QWidget *viewport = area->viewport();
    // Two fingers down at from, moved to to and lifted; the zooms heard before the lift.
    const auto pinch = [&](QPair<QPoint, QPoint> from, QPair<QPoint, QPoint> to) {
        QTest::touchEvent(viewport, device)
            .press(0, from.first, viewport)
            .press(1, from.second, viewport);
        QTest::touchEvent(viewport, device)
            .move(0, to.first, viewport)
            .move(1, to.second, viewport);
        const int heard = zoomed.count();
        QTest::touchEvent(viewport, device)
            .release(0, to.first, viewport)
            .release(1, to.second, viewport);
        return heard;
    };
    QCOMPARE(pinch({QPoint(100, 100), QPoint(300, 100)}, {QPoint(125, 100), QPoint(275, 100)}), 1);
    QCOMPARE(zoomed.at(0).at(0).toInt(), 2);
    QCOMPARE(zoomed.at(0).at(1).toDouble(), 0.25);

    // Nor while the pen is near the screen: that is a palm.
    penInProximity = true;
    pinch({QPoint(100, 100), QPoint(300, 100)}, {QPoint(125, 100), QPoint(275, 100)});
    penInProximity = false;
    QCOMPARE(zoomed.count(), 1);

    // Two fingers down on one spot, then apart: no pinch, no division by zero.
    zoomed.clear();
    QCOMPARE(pinch({QPoint(50, 50), QPoint(50, 50)}, {QPoint(40, 50), QPoint(60, 50)}), 0);

    // One finger never zooms.
    QTest::touchEvent(viewport, device).press(0, QPoint(50, 50), viewport);
    QTest::touchEvent(viewport, device).move(0, QPoint(90, 50), viewport);
    QTest::touchEvent(viewport, device).release(0, QPoint(90, 50), viewport);
    QCOMPARE(zoomed.count(), 0);
}

void TestScrollArea::arrowKeysBecomeDirectionsAndOtherKeysPassOn()
{
    QSignalSpy directions(area, &ScrollArea::directionKeyPressed);
    const int hBefore = area->horizontalScrollBar()->value();
    const int vBefore = area->verticalScrollBar()->value();
    QTest::keyClick(area, Qt::Key_Left);
    QTest::keyClick(area, Qt::Key_Up);
    QTest::keyClick(area, Qt::Key_Right);
    QTest::keyClick(area, Qt::Key_Down);
    QCOMPARE(directions.count(), 4);
    QCOMPARE(directions.at(0).at(0).toInt(), 3);
    QCOMPARE(directions.at(1).at(0).toInt(), 1);
    QCOMPARE(directions.at(2).at(0).toInt(), 4);
    QCOMPARE(directions.at(3).at(0).toInt(), 2);
    // The keys are requests only: the view itself does not move.
    QCOMPARE(area->horizontalScrollBar()->value(), hBefore);
    QCOMPARE(area->verticalScrollBar()->value(), vBefore);
    QVERIFY(parent->keys.isEmpty());

    // Regression: Ctrl and Shift were swallowed and never reached the board's window.
    QTest::keyPress(area, Qt::Key_Control);
    QTest::keyPress(area, Qt::Key_Shift);
    QTest::keyClick(area, Qt::Key_PageDown);
    QCOMPARE(parent->keys, QList<int>({Qt::Key_Control, Qt::Key_Shift, Qt::Key_PageDown}));
    QCOMPARE(area->verticalScrollBar()->value(), vBefore);
    QCOMPARE(directions.count(), 4);
}

void TestScrollArea::ctrlWheelZoomsAndPlainWheelScrollsOneStep()
{
    QSignalSpy zoomed(area, &ScrollArea::wheelZoomed);
    QScrollBar *v = area->verticalScrollBar();
    QVERIFY(v->isVisible());
    sendWheel(area->viewport(), 120, Qt::ControlModifier);
    sendWheel(area->viewport(), -360, Qt::ControlModifier);
    QCOMPARE(zoomed.count(), 2);
    QCOMPARE(zoomed.at(0).at(0).toInt(), 1);
    QCOMPARE(zoomed.at(1).at(0).toInt(), 2);
    QCOMPARE(v->value(), 0);

    // One step per event, whatever the delta.
    sendWheel(area->viewport(), -720, Qt::NoModifier);
    QCOMPARE(v->value(), v->singleStep());
    sendWheel(area->viewport(), -30, Qt::NoModifier);
    QCOMPARE(v->value(), 2 * v->singleStep());
    sendWheel(area->viewport(), 120, Qt::NoModifier);
    QCOMPARE(v->value(), v->singleStep());
    sendWheel(area->viewport(), 0, Qt::NoModifier);
    QCOMPARE(v->value(), v->singleStep());
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
    QCOMPARE(zoomed.count(), 2);
}

void TestScrollArea::wheelScrollsSidewaysWithoutVerticalBar()
{
    content->setFixedSize(2000, 100);
    QTest::qWait(0);
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QScrollBar *h = area->horizontalScrollBar();
    QVERIFY(h->isVisible());
    sendWheel(area->viewport(), -120, Qt::NoModifier);
    QCOMPARE(h->value(), h->singleStep());
    sendWheel(area->viewport(), 120, Qt::NoModifier);
    QCOMPARE(h->value(), 0);
}

void TestScrollArea::leftPressCommitsAndPans()
{
    QSignalSpy blank(area, &ScrollArea::blankClicked);
    QWidget *viewport = area->viewport();
    area->horizontalScrollBar()->setValue(100);
    area->verticalScrollBar()->setValue(50);
    sendMouse(viewport, QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton);
    QCOMPARE(blank.count(), 1);
    sendMouse(viewport, QEvent::MouseMove, QPoint(160, 130), Qt::LeftButton);
    // The view follows the pointer: 40 to the left moves the bar 40 to the right.
    QCOMPARE(area->horizontalScrollBar()->value(), 140);
    QCOMPARE(area->verticalScrollBar()->value(), 70);
    sendMouse(viewport, QEvent::MouseButtonRelease, QPoint(160, 130), Qt::LeftButton);
    QTest::qWait(40);
    sendMouse(viewport, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);
    QCOMPARE(area->horizontalScrollBar()->value(), 140);
    QCOMPARE(area->verticalScrollBar()->value(), 70);
}

void TestScrollArea::otherButtonsAndStrayMovesDoNotPan()
{
    QSignalSpy blank(area, &ScrollArea::blankClicked);
    QWidget *viewport = area->viewport();
    area->horizontalScrollBar()->setValue(100);
    // A move before any press must not jump towards the corner.
    sendMouse(viewport, QEvent::MouseMove, QPoint(300, 200), Qt::NoButton);
    QCOMPARE(area->horizontalScrollBar()->value(), 100);
    sendMouse(viewport, QEvent::MouseButtonPress, QPoint(200, 150), Qt::RightButton);
    sendMouse(viewport, QEvent::MouseMove, QPoint(100, 150), Qt::RightButton);
    QCOMPARE(blank.count(), 0);
    QCOMPARE(area->horizontalScrollBar()->value(), 100);
}

void TestScrollArea::penInProximityIgnoresMouse()
{
    QSignalSpy blank(area, &ScrollArea::blankClicked);
    penInProximity = true;
    sendMouse(area->viewport(), QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton);
    sendMouse(area->viewport(), QEvent::MouseMove, QPoint(100, 100), Qt::LeftButton);
    QCOMPARE(blank.count(), 0);
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
}

void TestScrollArea::resizeSetsSingleSteps()
{
    QSignalSpy resized(area, &ScrollArea::sizeChanged);
    parent->resize(1010, 710);
    QTest::qWait(0);
    QCOMPARE(area->size(), QSize(1010, 710));
    QVERIFY(resized.count() >= 1);
    QCOMPARE(area->horizontalScrollBar()->singleStep(), 60);
    QCOMPARE(area->verticalScrollBar()->singleStep(), 42);
}

void TestScrollArea::scrollByDirectionSteps()
{
    QScrollBar *h = area->horizontalScrollBar();
    QScrollBar *v = area->verticalScrollBar();
    area->scrollByDirection(2);
    area->scrollByDirection(2);
    area->scrollByDirection(1);
    area->scrollByDirection(4);
    area->scrollByDirection(7);
    area->scrollByDirection(0);
    QCOMPARE(v->value(), v->singleStep());
    QCOMPARE(h->value(), h->singleStep());
    area->scrollByDirection(3);
    QCOMPARE(h->value(), 0);
}

void TestScrollArea::slideBackgroundNavigates()
{
    RecordingSlideHost host;
    QWidget window;
    auto *label = new SlideBackgroundLabel(&window, &host);
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    label->resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    sendMouse(label, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    sendMouse(label, QEvent::MouseButtonPress, QPoint(20, 20), Qt::RightButton);
    host.lost = true;
    sendMouse(label, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    // The wheel steps the show even in picture mode.
    sendWheel(label, 120, Qt::NoModifier);
    sendWheel(label, -120, Qt::NoModifier);
    sendWheel(label, 0, Qt::NoModifier);
    QCOMPARE(host.calls, QStringList({"step", "navigate 2", "navigate 1", "navigate 2"}));
}

void TestScrollArea::focusChangesNeverScroll()
{
    // Regression: a tab's area hidden while its board had the focus handed the focus on through
    // QScrollArea, which scrolled the board's middle into view; Tab did the same.
    content->setFocusPolicy(Qt::StrongFocus);
    auto *other = new QWidget(parent);
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    parent->show();
    QApplication::setActiveWindow(parent);
    QVERIFY(QTest::qWaitForWindowActive(parent));
    content->setFocus();
    QTRY_VERIFY(content->hasFocus());
    QTest::keyClick(content, Qt::Key_Tab);
    QCOMPARE(area->verticalScrollBar()->value(), 0);
    content->setFocus();
    area->hide();
    QCOMPARE(area->verticalScrollBar()->value(), 0);
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
}

QTEST_MAIN(TestScrollArea)
#include "tst_scrollarea.moc"
