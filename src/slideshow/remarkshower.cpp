#include "slideshow/remarkshower.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include "app/uimetrics.h"

RemarkShower::RemarkShower(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(spacingUnit(), 0, spacingUnit(), 0);
    layout->addWidget(m_label);
    setLayout(layout);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, lightPanelColor());
    setPalette(palette);
    setFontSize(m_fontSize);
    hide();
}

void RemarkShower::setScrollSpeed(int speed)
{
    if (speed >= 5 && speed <= 25)
        m_scrollSpeed = speed;
}

void RemarkShower::setFontSize(int size)
{
    if (size < 8 || size > 14)
        return;
    m_fontSize = size;
    QFont font = m_label->font();
    font.setPointSize(size);
    m_label->setFont(font);
    setFixedHeight(QFontMetrics(font).height() * 2 + 2 * spacingUnit());
}

void RemarkShower::setRemark(const QString &text)
{
    m_label->setText(text);
}

QString RemarkShower::remark() const
{
    return m_label->text();
}
