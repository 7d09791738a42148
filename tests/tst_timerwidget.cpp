#include <QtTest>

#include <QPushButton>
#include <QSpinBox>

#include "app/globals.h"
#include "mainwindow/mainwindow.h"
#include "timer/timerwidget.h"

#include "fakes.h"
#include "windowsetup.h"

// The countdown: fields, ticks from a clock the test moves, the alarm, keys and the time the
// main window keeps.
class TimerWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ticks_data();
    void ticks();
    void fieldsWrapAndStartNeedsTime();
    void pauseHoldsTheTime();
    void lateTicksDoNotDrift();
    void keysReachTheWindow();
    void timeStoredAtClose();

private:
    QList<int> fields() const
    {
        return {timer->hoursField->value(), timer->minutesField->value(),
                timer->secondsField->value()};
    }
    bool red() const { return timer->digitPanel->styleSheet().contains("red"); }
    // Moves the clock to when the next tick is due, plus a lag, and lets the tick run.
    void nextTick(int lagMs = 0)
    {
        QVERIFY(timer->tickTimer.isActive());
        now += timer->tickTimer.interval() + lagMs;
        timer->tickTimer.stop();
        timer->tick();
    }

    std::unique_ptr<QTemporaryDir> dir;
    MainWindow *window = nullptr;
    FakeToolBar *toolBar = nullptr;
    TimerWidget *timer = nullptr;
    qint64 now = 0;
    int beeps = 0;
};

void TimerWidgetTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    appDataDir = dir->path();
    window = new MainWindow;
    auto bar = std::make_unique<FakeToolBar>();
    toolBar = bar.get();
    window->setToolBarPort(std::move(bar));
    window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
    runStartUpSteps(*window);
    toolBar->calls.clear();
    timer = window->findChild<TimerWidget *>();
    QVERIFY(timer);
    now = 0;
    beeps = 0;
    timer->clock = [this] { return now; };
    timer->beeper = [this] { ++beeps; };
}

void TimerWidgetTest::cleanup()
{
    delete window;
    window = nullptr;
    dir.reset();
}

void TimerWidgetTest::ticks_data()
{
    QTest::addColumn<QList<int>>("start");
    QTest::addColumn<QList<int>>("afterOne");
    QTest::newRow("1:0:0") << QList<int>{1, 0, 0} << QList<int>{0, 59, 59};
    QTest::newRow("0:1:0") << QList<int>{0, 1, 0} << QList<int>{0, 0, 59};
    QTest::newRow("24:0:0") << QList<int>{24, 0, 0} << QList<int>{23, 59, 59};
    QTest::newRow("0:0:1") << QList<int>{0, 0, 1} << QList<int>{0, 0, 0};
}

void TimerWidgetTest::ticks()
{
    QFETCH(QList<int>, start);
    QFETCH(QList<int>, afterOne);
    timer->showTimer(start.at(0), start.at(1), start.at(2));
    timer->startPauseButton->click();
    QVERIFY(!timer->hoursField->isEnabled());
    QVERIFY(timer->stopResetButton->isEnabled());
    QCOMPARE(timer->tickTimer.interval(), 1000);
    QCOMPARE(timer->tickTimer.timerType(), Qt::PreciseTimer);
    nextTick();
    QCOMPARE(fields(), afterOne);
    // Only zero turns red, beeps once and ends the countdown.
    const bool zero = afterOne == QList<int>{0, 0, 0};
    QCOMPARE(red(), zero);
    QCOMPARE(beeps, int(zero));
    QCOMPARE(timer->tickTimer.isActive(), !zero);
    QCOMPARE(timer->startPauseButton->isEnabled(), !zero);
    QVERIFY(timer->stopResetButton->isEnabled());
    timer->stopResetButton->click();
    QCOMPARE(fields(), start);
    QVERIFY(!red());
    QVERIFY(timer->hoursField->isEnabled());
    QCOMPARE(beeps, int(zero));
}

void TimerWidgetTest::fieldsWrapAndStartNeedsTime()
{
    timer->showTimer(0, 0, 0);
    QVERIFY(timer->isVisible());
    QVERIFY(!timer->startPauseButton->isEnabled());
    timer->secondsField->setValue(59);
    QVERIFY(timer->startPauseButton->isEnabled());
    timer->secondsField->stepUp();
    QCOMPARE(timer->secondsField->value(), 0);
    QVERIFY(!timer->startPauseButton->isEnabled());
    timer->minutesField->stepDown();
    QCOMPARE(timer->minutesField->value(), 59);
    timer->hoursField->stepDown();
    QCOMPARE(timer->hoursField->value(), 24);
}

void TimerWidgetTest::pauseHoldsTheTime()
{
    timer->showTimer(0, 0, 10);
    timer->startPauseButton->click();
    now += 2500;
    timer->startPauseButton->click(); // pause at 2.5 s
    QVERIFY(!timer->tickTimer.isActive());
    now += 60000;
    timer->startPauseButton->click(); // resume: half a second to the next whole one
    QCOMPARE(timer->tickTimer.interval(), 500);
    nextTick();
    QCOMPARE(fields(), (QList<int>{0, 0, 7}));
}

void TimerWidgetTest::lateTicksDoNotDrift()
{
    // Every tick comes 40 ms late, as a coarse timer's do; five minutes still end on time.
    timer->showTimer(0, 5, 0);
    timer->startPauseButton->click();
    int ticks = 0;
    while (timer->tickTimer.isActive() && ticks < 1000) {
        nextTick(40);
        ++ticks;
    }
    QVERIFY(red());
    QVERIFY2(qAbs(now - 300000) <= 500, qPrintable(QString::number(now)));
}

void TimerWidgetTest::keysReachTheWindow()
{
    timer->showTimer(0, 1, 0);
    timer->move(100, 100);
    const QPoint at = timer->pos();
    QTest::keyClick(timer, Qt::Key_Right);
    QTest::keyClick(timer, Qt::Key_Down);
    QCOMPARE(timer->pos(), at + QPoint(1, 1));
    QVERIFY(toolBar->calls.isEmpty());
    QTest::keyClick(timer, Qt::Key_F1, Qt::ControlModifier);
    QCOMPARE(toolBar->calls, QStringList{"recordStart"});
    // Held keys do not repeat a command.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F1, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(timer, &repeat);
    QCOMPARE(toolBar->calls, QStringList{"recordStart"});
}

void TimerWidgetTest::timeStoredAtClose()
{
    window->settings.timer_h = 0;
    window->settings.timer_m = 5;
    window->settings.timer_s = 0;
    window->onCountdownTimerClicked();
    QCOMPARE(fields(), (QList<int>{0, 5, 0}));
    // Edited but never started: the shown time is kept, not the edit.
    timer->minutesField->setValue(9);
    timer->closeButton->click();
    QVERIFY(timer->isHidden());
    QCOMPARE(window->settings.timer_m, 5);
    // Started: that time is kept.
    window->onCountdownTimerClicked();
    timer->minutesField->setValue(3);
    timer->secondsField->setValue(30);
    timer->startPauseButton->click();
    nextTick();
    timer->closeButton->click();
    QCOMPARE(window->settings.timer_m, 3);
    QCOMPARE(window->settings.timer_s, 30);
    QVERIFY(!timer->tickTimer.isActive());
}

QTEST_MAIN(TimerWidgetTest)
#include "tst_timerwidget.moc"
