#include <QtTest>

#include <QPushButton>
#include <QSpinBox>

#include "base/globals.h"
#include "mainwindow/mainwindow.h"
#include "timer/timerwidget.h"

#include "fakes.h"
#include "windowsetup.h"

// The countdown in the main window, on a clock the test moves.
class TimerWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void lateTicksAndPausesDoNotDrift()
    {
        QTemporaryDir dir;
        appDataDir = dir.path();
        MainWindow window;
        startWithFakes(window);
        auto *timer = window.findChild<TimerWidget *>();
        QVERIFY(timer);
        qint64 now = 0;
        int beeps = 0;
        timer->clock = [&] { return now; };
        timer->beeper = [&] { ++beeps; };
        auto fields = [timer] {
            return QList<int>{timer->hoursField->value(), timer->minutesField->value(),
                              timer->secondsField->value()};
        };
        // Moves the clock to when the next tick is due, plus a lag, and lets the tick run.
        auto nextTick = [&](int lagMs) {
            now += timer->tickTimer.interval() + lagMs;
            timer->tickTimer.stop();
            timer->tick();
        };

        window.settings.timer_m = 5;
        window.onCountdownTimerClicked();
        timer->startPauseButton->click();
        QCOMPARE(timer->tickTimer.timerType(), Qt::PreciseTimer);
        now += 2500;
        timer->startPauseButton->click(); // pause at 2.5 s, for a minute
        QVERIFY(!timer->tickTimer.isActive());
        now += 60000;
        timer->startPauseButton->click();
        QVERIFY(timer->tickTimer.isActive());
        QCOMPARE(timer->tickTimer.interval(), 500); // to the next whole second
        nextTick(0);
        QCOMPARE(fields(), (QList<int>{0, 4, 57}));
        // Every tick comes 40 ms late, as a coarse timer's do; five minutes still end on time.
        for (int ticks = 0; timer->tickTimer.isActive() && ticks < 1000; ++ticks)
            nextTick(40);
        QVERIFY2(qAbs(now - 360000) <= 500, qPrintable(QString::number(now)));
        // Zero turns red, beeps once and ends the countdown; reset brings the start time back.
        QVERIFY(timer->digitPanel->styleSheet().contains("red"));
        QVERIFY(!timer->startPauseButton->isEnabled());
        QCOMPARE(beeps, 1);
        timer->stopResetButton->click();
        QCOMPARE(fields(), (QList<int>{0, 5, 0}));
        QVERIFY(!timer->digitPanel->styleSheet().contains("red") && timer->hoursField->isEnabled());
    }
};

QTEST_MAIN(TimerWidgetTest)
#include "tst_timerwidget.moc"
