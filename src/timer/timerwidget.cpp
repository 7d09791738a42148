#include "timer/timerwidget.h"

#include "app/unavailable.h"

TimerWidget::TimerWidget(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{}

void TimerWidget::showTimer(int h, int m, int s)
{
    m_h = h;
    m_m = m;
    m_s = s;
    showUnavailable(parentWidget(), QStringLiteral("倒计时"));
}

void TimerWidget::closeTimer()
{
    hide();
    emit closed();
}
