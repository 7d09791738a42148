#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "camera/camerabackend.h"

class QCameraViewfinder;
class QVBoxLayout;

// The camera preview of the side panel; its height follows the camera's picture shape.
class CameraWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CameraWidget(QWidget *parent = nullptr);
    ~CameraWidget() override;

    void setBackend(std::shared_ptr<CameraBackend> cameraBackend);
    void probeDefaultCamera(int panelWidth);
    // False when no camera started (none, none chosen, or refused).
    bool startCamera();
    void stopCamera();
    bool hasCamera() const { return camera != nullptr; }

signals:
    // A started camera stopped working; the widget is off again.
    void cameraFailed();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void defaultCameraSizeResponse(QCamera::State state);
    void responseStateChanged(QCamera::State state);
    void releaseProbe();
    void tell(const QString &text);

    QWidget *mainWindow = nullptr;
    int panelWidth = 0;
    QVBoxLayout *layout = nullptr;
    CameraHandle *camera = nullptr;
    CameraHandle *probe = nullptr;
    QPointer<QCameraViewfinder> viewfinder;
    std::shared_ptr<CameraBackend> backend;
    QPixmap logo{QStringLiteral(":/icon/personal/cameralogo.png")};
    // The logo at a fifth of the width, made again only when the width changes.
    QPixmap shownLogo;
};
