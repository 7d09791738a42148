#include "camera/floatcameradialog.h"

#include <QTimer>

#include "app/unavailable.h"

FloatCameraDialog::FloatCameraDialog(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{}

void FloatCameraDialog::openCamera()
{
    QTimer::singleShot(0, this, [this] {
        showUnavailable(parentWidget(), QStringLiteral("悬浮摄像头"));
        emit toClose();
    });
}
