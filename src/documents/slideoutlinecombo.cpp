#include "documents/slideoutlinecombo.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

void SlideOutlineCombo::setShownPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

QRect SlideOutlineCombo::shownPictureRect() const
{
    if (m_picture.isNull())
        return QRect();
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .adjusted(1, 1, -1, -1);
    QSize size = m_picture.size() / m_picture.devicePixelRatio();
    size.scale(field.size(), Qt::KeepAspectRatio);
    QRect at(QPoint(), size);
    at.moveCenter(field.center());
    return at;
}

void SlideOutlineCombo::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The item's own icon is larger than the box and tinted as the list's current item.
    option.currentIcon = QIcon();
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(shownPictureRect(), m_picture);
}
