#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QTimer>
#include <functional>

#include "drawing/floatingwindow.h"

class QLabel;
class QPushButton;
class QSpinBox;

// A small always-on-top window that counts hours, minutes and seconds down to zero, then turns
// red and beeps. Keys it does not use go to the main window's shortcuts.
class TimerWidget : public FloatingWindow
{
    Q_OBJECT
public:
    explicit TimerWidget(QWidget *parent = nullptr);
    ~TimerWidget() override;

    void showTimer(int h, int m, int s);
    void closeTimer();
    QList<int> timeValues() const { return {storedHours, storedMinutes, storedSeconds}; }

    static int hmsToSeconds(int h, int m, int s) { return h * 3600 + m * 60 + s; }
    static QList<int> secondsToHms(int seconds)
    {
        return {seconds / 3600, (seconds % 3600) / 60, seconds % 60};
    }

    // Milliseconds of a monotonic clock, and the alarm (tests replace both).
    std::function<qint64()> clock;
    std::function<void()> beeper;

signals:
    void closed();

private:
    friend class TimerWidgetTest;

    void setupLayout();
    void setupUi();
    void setFocusPolicies();
    void styleButton(QPushButton *button);
    void styleSpinBox(QSpinBox *box);
    void styleLabel(QLabel *label);
    void setAlarmColour(bool normal);
    void setStartIcon(bool start);
    void setSpinBoxesEnabled(bool enabled);
    void toggleStartPause();
    void resetTimer();
    void tick();
    void updateStartEnabled();
    void scheduleTick();
    qint64 runningMs() const;

    int buttonSize = 0;
    int spacing = 0;
    int wideSpacing = 0;
    int panelHeight = 0;
    QPushButton *startPauseButton = nullptr;
    QPushButton *stopResetButton = nullptr;
    QPushButton *closeButton = nullptr;
    QWidget *digitPanel = nullptr;
    QSpinBox *hoursField = nullptr;
    QLabel *hoursLabel = nullptr;
    QSpinBox *minutesField = nullptr;
    QLabel *minutesLabel = nullptr;
    QSpinBox *secondsField = nullptr;
    QLabel *secondsLabel = nullptr;
    int storedHours = 0;
    int storedMinutes = 0;
    int storedSeconds = 0;
    int remaining = 0;
    int state = 0; // 0 idle, 1 running, 2 paused, 3 running again after a pause
    QTimer tickTimer;
    // Counted from the start, not by ticks, so late ticks do not add up.
    int startSeconds = 0;
    qint64 runStartMs = 0;
    qint64 elapsedBeforeMs = 0;
    QElapsedTimer monotonic;
};
