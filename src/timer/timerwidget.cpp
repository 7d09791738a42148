#include "timer/timerwidget.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

#include "base/uimetrics.h"
#include "drawing/canvashost.h"

TimerWidget::TimerWidget(QWidget *parent)
    : FloatingWindow(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint)
    , buttonSize(titleBarButtonSize())
    , spacing(spacingUnit())
    , wideSpacing(4 * spacingUnit())
    , panelHeight(2 * toolStripHeight())
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    monotonic.start();
    clock = [this] { return monotonic.elapsed(); };
    beeper = [] { QApplication::beep(); };
    tickTimer.setParent(this);
    tickTimer.setTimerType(Qt::PreciseTimer);
    tickTimer.setSingleShot(true);
    tickTimer.setInterval(1000);

    startPauseButton = new QPushButton(this);
    stopResetButton = new QPushButton(this);
    closeButton = new QPushButton(this);
    digitPanel = new QWidget(this);
    hoursField = new QSpinBox(digitPanel);
    hoursLabel = new QLabel(tr("时"), digitPanel);
    minutesField = new QSpinBox(digitPanel);
    minutesLabel = new QLabel(tr("分"), digitPanel);
    secondsField = new QSpinBox(digitPanel);
    secondsLabel = new QLabel(tr("秒"), digitPanel);
    setupLayout();
    setupUi();

    connect(startPauseButton, &QPushButton::clicked, this, [this] { toggleStartPause(); });
    connect(stopResetButton, &QPushButton::clicked, this, [this] { resetTimer(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { closeTimer(); });
    connect(&tickTimer, &QTimer::timeout, this, [this] { tick(); });
    for (QSpinBox *field : {hoursField, minutesField, secondsField})
        connect(field, QOverload<int>::of(&QSpinBox::valueChanged), this,
                [this] { updateStartEnabled(); });
    setFocusPolicies();
    hide();
}

TimerWidget::~TimerWidget()
{
    resetTimer();
}

void TimerWidget::setupLayout()
{
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(spacing);
    buttonRow->addWidget(startPauseButton);
    buttonRow->addWidget(stopResetButton);
    buttonRow->addWidget(closeButton);
    auto *digits = new QHBoxLayout(digitPanel);
    digits->setContentsMargins(wideSpacing, 0, wideSpacing, 0);
    digits->setSpacing(0);
    digits->setAlignment(Qt::AlignCenter);
    digits->addWidget(hoursField);
    digits->addWidget(hoursLabel);
    digits->addWidget(minutesField);
    digits->addWidget(minutesLabel);
    digits->addWidget(secondsField);
    digits->addWidget(secondsLabel);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(wideSpacing, wideSpacing, wideSpacing, wideSpacing);
    layout->setSpacing(wideSpacing);
    layout->addLayout(buttonRow);
    layout->addWidget(digitPanel);
}

void TimerWidget::styleButton(QPushButton *button)
{
    button->setFixedSize(buttonSize, buttonSize);
    button->setStyleSheet(
        QStringLiteral("QPushButton{background-color:transparent;border:1 solid ") +
        borderColor().name() + QStringLiteral(";border-radius:") +
        QString::number(int(std::floor(buttonSize * 0.5))) +
        QStringLiteral(";}QPushButton:hover{background-color:") + hoverBackgroundColor().name() +
        QStringLiteral(";}"));
}

void TimerWidget::styleSpinBox(QSpinBox *box)
{
    const int side = panelHeight - 4 * wideSpacing;
    QFont font = box->font();
    font.setPixelSize(qMax(1, int(std::ceil(0.75 * side))));
    box->setFont(font);
    box->setFixedSize(side, side);
    box->setWrapping(true);
    box->setAlignment(Qt::AlignRight);
    box->setStyleSheet(QStringLiteral(
        "QSpinBox{color:white;border:0;border-style:none;background-color:transparent;"
        "selection-color:white;selection-background-color:#1480ec;}"
        "QSpinBox::up-button{width:0;}QSpinBox::down-button{width:0;}"));
}

void TimerWidget::styleLabel(QLabel *label)
{
    label->setStyleSheet(
        QStringLiteral("QLabel{color:white;font-style:italic;background-color:transparent;}"));
}

void TimerWidget::setupUi()
{
    for (QPushButton *button : {startPauseButton, stopResetButton, closeButton})
        styleButton(button);
    startPauseButton->setToolTip(tr("开始/暂停"));
    startPauseButton->setIcon(QIcon(QStringLiteral(":/icon/countdowntimer/start.png")));
    startPauseButton->setEnabled(false);
    stopResetButton->setToolTip(tr("停止/重置"));
    stopResetButton->setIcon(QIcon(QStringLiteral(":/icon/countdowntimer/stop.png")));
    stopResetButton->setEnabled(false);
    closeButton->setToolTip(tr("关闭"));
    closeButton->setIcon(QIcon(QStringLiteral(":/icon/countdowntimer/close.png")));
    setAlarmColour(true);
    for (QSpinBox *field : {hoursField, minutesField, secondsField})
        styleSpinBox(field);
    hoursField->setRange(0, 24);
    minutesField->setRange(0, 59);
    secondsField->setRange(0, 59);
    for (QLabel *label : {hoursLabel, minutesLabel, secondsLabel})
        styleLabel(label);
}

void TimerWidget::setFocusPolicies()
{
    for (QWidget *widget :
         {static_cast<QWidget *>(startPauseButton), static_cast<QWidget *>(stopResetButton),
          static_cast<QWidget *>(closeButton), digitPanel, static_cast<QWidget *>(hoursLabel),
          static_cast<QWidget *>(minutesLabel), static_cast<QWidget *>(secondsLabel)})
        widget->setFocusPolicy(Qt::NoFocus);
    for (QSpinBox *field : {hoursField, minutesField, secondsField})
        field->setFocusPolicy(Qt::ClickFocus);
}

void TimerWidget::setAlarmColour(bool normal)
{
    digitPanel->setStyleSheet(normal ? QStringLiteral("QWidget{background-color:#1480ec;}")
                                     : QStringLiteral("QWidget{background-color:red;}"));
}

void TimerWidget::setStartIcon(bool start)
{
    startPauseButton->setIcon(QIcon(start ? QStringLiteral(":/icon/countdowntimer/start.png")
                                          : QStringLiteral(":/icon/countdowntimer/pause.png")));
}

void TimerWidget::setSpinBoxesEnabled(bool enabled)
{
    for (QSpinBox *field : {hoursField, minutesField, secondsField})
        field->setEnabled(enabled);
}

void TimerWidget::showTimer(int h, int m, int s)
{
    show();
    storedHours = h;
    storedMinutes = m;
    storedSeconds = s;
    hoursField->setValue(h);
    minutesField->setValue(m);
    secondsField->setValue(s);
}

void TimerWidget::closeTimer()
{
    resetTimer();
    hide();
    emit closed();
}

void TimerWidget::updateStartEnabled()
{
    startPauseButton->setEnabled(hoursField->value() != 0 || minutesField->value() != 0 ||
                                 secondsField->value() != 0);
}

qint64 TimerWidget::runningMs() const
{
    return elapsedBeforeMs + (clock() - runStartMs);
}

void TimerWidget::scheduleTick()
{
    // The next whole second since the start, whenever this tick came.
    const qint64 elapsed = runningMs();
    tickTimer.start(int(1000 - elapsed % 1000));
}

void TimerWidget::toggleStartPause()
{
    if (state == 0) {
        storedHours = hoursField->value();
        storedMinutes = minutesField->value();
        storedSeconds = secondsField->value();
        remaining = startSeconds = hmsToSeconds(storedHours, storedMinutes, storedSeconds);
        elapsedBeforeMs = 0;
        runStartMs = clock();
        state = 1;
        scheduleTick();
        setStartIcon(false);
        stopResetButton->setEnabled(true);
        setSpinBoxesEnabled(false);
    } else if (state == 1 || state == 3) {
        elapsedBeforeMs = runningMs();
        state = 2;
        tickTimer.stop();
        setStartIcon(true);
    } else if (state == 2) {
        runStartMs = clock();
        state = 3;
        scheduleTick();
        setStartIcon(false);
    }
}

void TimerWidget::tick()
{
    remaining = qMax(0, startSeconds - int(runningMs() / 1000));
    const QList<int> hms = secondsToHms(remaining);
    hoursField->setValue(hms.at(0));
    minutesField->setValue(hms.at(1));
    secondsField->setValue(hms.at(2));
    if (remaining <= 0) {
        tickTimer.stop();
        setAlarmColour(false);
        if (beeper)
            beeper();
        return;
    }
    scheduleTick();
}

void TimerWidget::resetTimer()
{
    state = 0;
    tickTimer.stop();
    setAlarmColour(true);
    setStartIcon(true);
    stopResetButton->setEnabled(false);
    setSpinBoxesEnabled(true);
    hoursField->setValue(storedHours);
    minutesField->setValue(storedMinutes);
    secondsField->setValue(storedSeconds);
}
