#include <QtTest>

#include <QPushButton>
#include <QSpinBox>

#include "app/globals.h"
#include "mainwindow/mainwindow.h"
#include "timer/timerwidget.h"

#include "fakes.h"
#include "windowsetup.h"

// The countdown in the main window, on a clock the test moves.
class TimerWidgetTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    FakeToolBar *toolBar = nullptr;
    TimerWidget *timer = nullptr;
    qint64 now = 0;
    int beeps = 0;

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

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        appDataDir = dir->path();
        window = std::make_unique<MainWindow>();
        auto bar = std::make_unique<FakeToolBar>();
        toolBar = bar.get();
        window->setToolBarPort(std::move(bar));
        window->setHotKeyGrabber(std::make_unique<FakeGrabber>());
        runStartUpSteps(*window);
        toolBar->calls.clear();
        timer = window->findChild<TimerWidget *>();
        QVERIFY(timer);
        now = beeps = 0;
        timer->clock = [this] { return now; };
        timer->beeper = [this] { ++beeps; };
    }
    void cleanup() { window.reset(); }

    void lateTicksAndPausesDoNotDrift()
    {
        timer->showTimer(0, 5, 0);
        timer->startPauseButton->click();
        QCOMPARE(timer->tickTimer.timerType(), Qt::PreciseTimer);
        now += 2500;
        timer->startPauseButton->click(); // pause at 2.5 s, for a minute
        QVERIFY(!timer->tickTimer.isActive());
        now += 60000;
        timer->startPauseButton->click();
        QCOMPARE(timer->tickTimer.interval(), 500); // to the next whole second
        nextTick();
        QCOMPARE(fields(), (QList<int>{0, 4, 57}));
        // Every tick comes 40 ms late, as a coarse timer's do; five minutes still end on time.
        for (int ticks = 0; timer->tickTimer.isActive() && ticks < 1000; ++ticks)
            nextTick(40);
        QVERIFY2(qAbs(now - 360000) <= 500, qPrintable(QString::number(now)));
        // Zero turns red, beeps once and ends the countdown; reset brings the start time back.
        QVERIFY(red() && !timer->startPauseButton->isEnabled());
        QCOMPARE(beeps, 1);
        timer->stopResetButton->click();
        QCOMPARE(fields(), (QList<int>{0, 5, 0}));
        QVERIFY(!red() && timer->hoursField->isEnabled());
    }

    void keysReachTheWindow()
    {
        timer->showTimer(0, 1, 0);
        timer->move(100, 100);
        QTest::keyClick(timer, Qt::Key_Right);
        QTest::keyClick(timer, Qt::Key_Down);
        QCOMPARE(timer->pos(), QPoint(101, 101));
        QVERIFY(toolBar->calls.isEmpty());
        QTest::keyClick(timer, Qt::Key_F1, Qt::ControlModifier);
        QCOMPARE(toolBar->calls, QStringList{"recordStart"});
        // Held keys do not repeat a command.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F1, Qt::ControlModifier, QString(), true);
        QApplication::sendEvent(timer, &repeat);
        QCOMPARE(toolBar->calls, QStringList{"recordStart"});
    }

    void timeStoredAtClose()
    {
        window->settings.timer_m = 5;
        window->onCountdownTimerClicked();
        QCOMPARE(fields(), (QList<int>{0, 5, 0}));
        // Edited but never started: the shown time is kept, not the edit.
        timer->minutesField->setValue(9);
        timer->closeButton->click();
        QVERIFY(timer->isHidden());
        QCOMPARE(window->settings.timer_m, 5);
        // Started: that time is kept.
        window->onCountdownTimerClicked();
        timer->hoursField->setValue(1);
        timer->minutesField->setValue(0);
        timer->startPauseButton->click();
        QVERIFY(!timer->hoursField->isEnabled());
        nextTick();
        QCOMPARE(fields(), (QList<int>{0, 59, 59}));
        timer->closeButton->click();
        QCOMPARE(window->settings.timer_h, 1);
        QCOMPARE(window->settings.timer_m, 0);
        QVERIFY(!timer->tickTimer.isActive());
    }
};

QTEST_MAIN(TimerWidgetTest)
#include "tst_timerwidget.moc"
