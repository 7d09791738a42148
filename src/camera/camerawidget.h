#pragma once

#include <QWidget>

// The camera preview of the side panel. Cameras are not available in this build yet.
class CameraWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CameraWidget(QWidget *parent = nullptr);

    void probeDefaultCamera(int panelWidth);
    // Tells the user; false because no camera started.
    bool startCamera();
    void stopCamera() {}
};
