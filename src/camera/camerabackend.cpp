#include "camera/camerabackend.h"

#include <QBoxLayout>
#include <QCameraInfo>
#include <QCameraViewfinder>
#include <QCameraViewfinderSettings>
#include <cmath>

namespace {

CameraDevice deviceOf(const QCameraInfo &info)
{
    return {info.deviceName().toUtf8(), info.description()};
}

class QtCameraHandle : public CameraHandle
{
public:
    QtCameraHandle(const CameraDevice &device, QObject *parent)
        : CameraHandle(parent)
        , camera(new QCamera(device.id, this))
    {
        camera->setCaptureMode(QCamera::CaptureViewfinder);
        connect(camera, &QCamera::stateChanged, this, &CameraHandle::stateChanged);
        connect(camera, QOverload<QCamera::Error>::of(&QCamera::error), this,
                [this](QCamera::Error error) {
                    if (error != QCamera::NoError)
                        emit failed();
                });
    }
    void setViewfinder(QCameraViewfinder *viewfinder) override
    {
        camera->setViewfinder(viewfinder);
    }
    void load() override { camera->load(); }
    void start() override { camera->start(); }
    void stop() override { camera->stop(); }
    void unload() override { camera->unload(); }
    bool isUnavailable() const override
    {
        return camera->status() == QCamera::UnavailableStatus ||
               camera->error() == QCamera::ServiceMissingError;
    }
    QList<QSize> supportedResolutions() const override
    {
        return camera->supportedViewfinderResolutions();
    }
    QSize resolution() const override { return camera->viewfinderSettings().resolution(); }
    void setResolution(const QSize &size) override
    {
        QCameraViewfinderSettings settings = camera->viewfinderSettings();
        settings.setResolution(size);
        camera->setViewfinderSettings(settings);
    }

private:
    QCamera *camera;
};

class QtCameraBackend : public CameraBackend
{
public:
    QList<CameraDevice> availableCameras() override
    {
        QList<CameraDevice> devices;
        const QList<QCameraInfo> cameras = QCameraInfo::availableCameras();
        for (const QCameraInfo &info : cameras) {
            if (!info.isNull())
                devices << deviceOf(info);
        }
        return devices;
    }
    CameraDevice defaultCamera() override
    {
        const QCameraInfo info = QCameraInfo::defaultCamera();
        return info.isNull() ? CameraDevice() : deviceOf(info);
    }
    CameraHandle *open(const CameraDevice &device, QObject *parent) override
    {
        return new QtCameraHandle(device, parent);
    }
};

} // namespace

std::shared_ptr<CameraBackend> systemCameraBackend()
{
    static const std::shared_ptr<CameraBackend> backend = std::make_shared<QtCameraBackend>();
    return backend;
}

QSize tallestResolution(const QList<QSize> &resolutions, int width, const QSize &start)
{
    // Ratios compared by cross-multiplication: no division by a zero width.
    QSize best = start.width() > 0 && start.height() > 0 ? start : QSize(2, 1);
    for (const QSize &size : resolutions) {
        if (size.width() < width || size.width() <= 0)
            continue;
        if (qint64(size.height()) * best.width() > qint64(best.height()) * size.width())
            best = size;
    }
    return best;
}

int previewHeight(const QSize &resolution, int width)
{
    if (resolution.width() <= 0 || resolution.height() <= 0)
        return int(std::ceil(width / 2.0));
    return int(std::ceil(double(resolution.height()) * width / resolution.width()));
}

void releaseCamera(CameraHandle *&camera, QObject *owner, QWidget *viewfinder)
{
    if (!camera)
        return;
    CameraHandle *old = camera;
    camera = nullptr;
    old->disconnect(owner);
    old->stop();
    old->deleteLater();
    if (viewfinder)
        viewfinder->hide();
}

QCameraViewfinder *ensureViewfinder(QPointer<QCameraViewfinder> &viewfinder, QWidget *parent,
                                    QBoxLayout *layout)
{
    if (!viewfinder) {
        viewfinder = new QCameraViewfinder(parent);
        viewfinder->setFocusPolicy(Qt::NoFocus);
        viewfinder->hide();
        layout->addWidget(viewfinder);
    }
    return viewfinder;
}
