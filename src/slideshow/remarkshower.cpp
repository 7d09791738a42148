#include "slideshow/remarkshower.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "base/uimetrics.h"
#include "drawing/pixmaputils.h"

namespace {
constexpr int minimumSpeed = 5;
constexpr int maximumSpeed = 25;
constexpr int speedStep = 4;

// Disabled buttons show the greyed copy.
QIcon iconWithGreyedCopy(const QString &path)
{
    const QPixmap picture(path);
    QIcon icon(picture);
    icon.addPixmap(greyedPixmap(picture), QIcon::Disabled);
    return icon;
}
} // namespace

RemarkShower::RemarkShower(QWidget *parent)
    : QWidget(parent)
    , label(new QLabel(this))
    , startButton(new QPushButton(this))
    , stopButton(new QPushButton(this))
    , fasterButton(new QPushButton(this))
    , slowerButton(new QPushButton(this))
    , startIcon(iconWithGreyedCopy(QStringLiteral(":/icon/remarkshower/start.png")))
    , stopIcon(iconWithGreyedCopy(QStringLiteral(":/icon/remarkshower/stop.png")))
    , pauseIcon(iconWithGreyedCopy(QStringLiteral(":/icon/remarkshower/pause.png")))
    , fasterIcon(iconWithGreyedCopy(QStringLiteral(":/icon/remarkshower/addspeed.png")))
    , slowerIcon(iconWithGreyedCopy(QStringLiteral(":/icon/remarkshower/subspeed.png")))
    , margin(3 * spacingUnit())
{
    timer.setInterval(25);

    auto *container = new QWidget(this);
    auto *inner = new QHBoxLayout(container);
    inner->setContentsMargins(margin, margin, margin, margin);
    inner->setSpacing(0);
    inner->addWidget(label);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(container);
    for (QPushButton *button : {slowerButton, startButton, stopButton, fasterButton})
        row->addWidget(button);

    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, lightPanelColor());
    setPalette(palette);
    measureText();
    setFixedHeight(textRectangle.height() + 2 * margin);
    startButton->setToolTip(QStringLiteral("开始"));
    stopButton->setToolTip(QStringLiteral("停止"));
    fasterButton->setToolTip(QStringLiteral("加速"));
    slowerButton->setToolTip(QStringLiteral("减速"));
    const QString style =
        QStringLiteral(
            "QPushButton{background-color:transparent;border:0;border-style:none;}"
            "QPushButton:hover{background-color:") +
        hoverBackgroundColor().name() + QStringLiteral(";}");
    for (QPushButton *button : {slowerButton, startButton, stopButton, fasterButton}) {
        button->setStyleSheet(style);
        button->setFocusPolicy(Qt::NoFocus);
    }
    startButton->setIcon(startIcon);
    stopButton->setIcon(stopIcon);
    fasterButton->setIcon(fasterIcon);
    slowerButton->setIcon(slowerIcon);

    connect(startButton, &QPushButton::clicked, this, &RemarkShower::toggleScroll);
    connect(stopButton, &QPushButton::clicked, this, &RemarkShower::stopScroll);
    connect(fasterButton, &QPushButton::clicked, this, &RemarkShower::increaseSpeed);
    connect(slowerButton, &QPushButton::clicked, this, &RemarkShower::decreaseSpeed);
    connect(&timer, &QTimer::timeout, this, &RemarkShower::scrollRemark);
    label->installEventFilter(this);
    updateButtonStates(false);
    hide();
}

void RemarkShower::setRemark(const QString &text)
{
    remarkText = text;
    relayout();
}

void RemarkShower::setScrollSpeed(int value)
{
    if (value < minimumSpeed || value > maximumSpeed)
        return;
    speed = value;
    relayout();
}

void RemarkShower::setFontSize(int points)
{
    if (points < 8 || points > 14 || points == fontPoints)
        return;
    fontPoints = points;
    measureText();
    setFixedHeight(textRectangle.height() + 2 * margin);
    relayout();
}

void RemarkShower::measureText()
{
    QFont font = this->font();
    font.setPointSize(fontPoints);
    setFont(font);
    const QFontMetrics metrics(font);
    textRectangle = metrics.boundingRect(remarkText.isEmpty() ? QStringLiteral("A") : remarkText);
}

void RemarkShower::relayout()
{
    stopScroll();
    const int side = label->height();
    for (QPushButton *button : {slowerButton, startButton, stopButton, fasterButton}) {
        button->setFixedSize(side, side);
        button->setIconSize(QSize(side, side));
    }
    measureText();
    updateButtonStates(textRectangle.width() > label->width());
}

void RemarkShower::updateButtonStates(bool overflow)
{
    if (!overflow) {
        startButton->setEnabled(false);
        stopButton->setEnabled(false);
        fasterButton->setEnabled(false);
        slowerButton->setEnabled(false);
        return;
    }
    startButton->setEnabled(true);
    stopButton->setEnabled(false);
    fasterButton->setEnabled(speed < maximumSpeed);
    slowerButton->setEnabled(speed > minimumSpeed);
}

void RemarkShower::toggleScroll()
{
    if (state == Running) {
        state = Paused;
        startButton->setToolTip(QStringLiteral("开始"));
        startButton->setIcon(startIcon);
        timer.stop();
        return;
    }
    state = Running;
    startButton->setToolTip(QStringLiteral("暂停"));
    startButton->setIcon(pauseIcon);
    stopButton->setEnabled(true);
    timer.start();
}

void RemarkShower::stopScroll()
{
    timer.stop();
    stopButton->setEnabled(false);
    startButton->setEnabled(true);
    startButton->setIcon(startIcon);
    startButton->setToolTip(QStringLiteral("开始"));
    state = Stopped;
    offset = 0.0;
    // Also reached from the label's paint handler: ask for a new paint, never paint here.
    label->update();
}

void RemarkShower::scrollRemark()
{
    offset += speed / 10.0;
    label->update();
}

void RemarkShower::repaintRemarkLabel()
{
    if (remarkText.isEmpty())
        return;
    QPainter painter(label);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::darkGray);
    painter.setFont(font());
    const int shift = int(offset);
    painter.drawText(QRect(-shift, 0, label->width() + shift, label->height()), 0, remarkText);
    painter.end();
    // The text has left the strip: the next start begins at the left edge again.
    if (offset > textRectangle.width())
        stopScroll();
}

void RemarkShower::increaseSpeed()
{
    if (!slowerButton->isEnabled())
        slowerButton->setEnabled(true);
    if (speed >= maximumSpeed)
        return;
    speed = qMin(speed + speedStep, maximumSpeed);
    if (speed >= maximumSpeed)
        fasterButton->setEnabled(false);
}

void RemarkShower::decreaseSpeed()
{
    if (!fasterButton->isEnabled())
        fasterButton->setEnabled(true);
    if (speed <= minimumSpeed)
        return;
    speed = qMax(speed - speedStep, minimumSpeed);
    if (speed <= minimumSpeed)
        slowerButton->setEnabled(false);
}

bool RemarkShower::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == label && event->type() == QEvent::Paint) {
        repaintRemarkLabel();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RemarkShower::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}
