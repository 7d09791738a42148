#pragma once

#include <QList>
#include <QWidget>

// The countdown timer window. Not available in this build yet: showing it tells the user.
class TimerWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TimerWidget(QWidget *parent = nullptr);

    void showTimer(int h, int m, int s);
    void closeTimer();
    QList<int> timeValues() const { return {m_h, m_m, m_s}; }

signals:
    void closed();

private:
    int m_h = 0;
    int m_m = 0;
    int m_s = 0;
};
