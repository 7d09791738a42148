#include "camera/camerawidget.h"

#include "app/unavailable.h"

CameraWidget::CameraWidget(QWidget *parent)
    : QWidget(parent)
{}

void CameraWidget::probeDefaultCamera(int panelWidth)
{
    setFixedHeight(panelWidth / 2);
}

bool CameraWidget::startCamera()
{
    showUnavailable(window(), QStringLiteral("摄像头"));
    return false;
}
