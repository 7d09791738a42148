#include "online/advertise.h"

#include <QTimer>

Advertise::Advertise(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    hide();
}

void Advertise::start()
{
    QTimer::singleShot(0, this, [this] { emit linkErrored(); });
}
