#include "toolbar/barbuttonlook.h"

#include <QPushButton>
#include <QToolButton>

void BarButtonLook::styleTool(QToolButton *button, const QIcon &icon, const QString &toolTip) const
{
    button->setFixedSize(side, side);
    button->setIconSize(QSize(side, side));
    if (!icon.isNull())
        button->setIcon(icon);
    button->setToolTip(toolTip);
    button->setStyleSheet(QString("QToolButton{background-color:transparent;border:0;"
                                  "border-style:none;border-radius:%1;}"
                                  "QToolButton:hover{background-color:%2;}")
                              .arg(radius)
                              .arg(hover));
}

void BarButtonLook::styleCheckable(QPushButton *button, const QIcon &icon,
                                   const QString &toolTip) const
{
    button->setCheckable(true);
    button->setFixedSize(side, side);
    button->setIconSize(QSize(side, side));
    button->setIcon(icon);
    button->setToolTip(toolTip);
    button->setStyleSheet(QString("QPushButton{background-color:transparent;border:0;"
                                  "border-radius:%1;}QPushButton:hover{background-color:%2;}"
                                  "QPushButton:checked{background-color:%3;}")
                              .arg(radius)
                              .arg(hover, checked));
}
