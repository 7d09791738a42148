#include "mainwindow/tabitem.h"

TabItem::TabItem(QWidget *parent)
    : QPushButton(parent)
{
    setCheckable(true);
    connect(this, &QPushButton::clicked, this, [this] { emit tabItemClicked(this); });
}
