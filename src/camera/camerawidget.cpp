#include "camera/camerawidget.h"

#include <QCameraViewfinder>
#include <QPainter>
#include <QVBoxLayout>

#include "base/messagebox.h"
#include "camera/cameradialog.h"
#include "drawing/canvashost.h"

CameraWidget::CameraWidget(QWidget *parent)
    : QWidget(parent)
    , mainWindow(parent)
    , backend(systemCameraBackend())
{
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignTop);
}

CameraWidget::~CameraWidget()
{
    stopCamera();
    releaseProbe();
}

void CameraWidget::setBackend(std::shared_ptr<CameraBackend> cameraBackend)
{
    backend = std::move(cameraBackend);
}

void CameraWidget::tell(const QString &text)
{
    if (auto *host = dynamic_cast<CanvasHost *>(mainWindow))
        host->showMessage(text);
    else
        showMessageBox(this, QStringLiteral("墨岚白板消息"), text);
}

void CameraWidget::probeDefaultCamera(int width)
{
    // Only the width is kept: asking for the default camera loads Qt Multimedia's plugins and
    // GStreamer, a good part of the start-up. The panel takes the camera's shape when a camera
    // is opened (responseStateChanged).
    panelWidth = width;
}

void CameraWidget::defaultCameraSizeResponse(QCamera::State state)
{
    if (state != QCamera::LoadedState || !probe)
        return;
    const QSize best = tallestResolution(probe->supportedResolutions(), panelWidth, QSize());
    setFixedHeight(previewHeight(best, panelWidth));
    // Only the shape was wanted: a loaded camera would stay claimed until the program ends.
    releaseProbe();
}

void CameraWidget::releaseProbe()
{
    if (!probe)
        return;
    CameraHandle *old = probe;
    probe = nullptr;
    old->disconnect(this);
    old->unload();
    old->deleteLater();
}

bool CameraWidget::startCamera()
{
    const QList<CameraDevice> cameras = backend->availableCameras();
    if (cameras.isEmpty()) {
        tell(QStringLiteral("没有检测到可用的摄像头设备，请检查是否安装摄像头和驱动装置"));
        return false;
    }
    CameraDevice chosen = cameras.first();
    if (cameras.size() > 1) {
        CameraDialog dialog(this);
        if (dialog.chooseCamera(cameras) != QDialog::Accepted)
            return false;
        chosen = cameras.value(dialog.selectedIndex(), cameras.first());
    }
    stopCamera();
    releaseProbe();
    camera = backend->open(chosen, this);
    if (!camera) {
        tell(QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限"));
        return false;
    }
    connect(camera, &CameraHandle::stateChanged, this,
            [this](QCamera::State state) { responseStateChanged(state); });
    connect(camera, &CameraHandle::failed, this, [this] {
        stopCamera();
        emit cameraFailed();
        tell(QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限"));
    });
    camera->setViewfinder(ensureViewfinder(viewfinder, this, layout));
    viewfinder->show();
    camera->load();
    // A camera that cannot be opened fails from inside load(): the failure was told and the
    // camera released already.
    if (!camera)
        return false;
    if (camera->isUnavailable()) {
        stopCamera();
        tell(QStringLiteral("启动摄像头错误，请求被拒绝，请检查是否已关闭本地摄像头访问权限"));
        return false;
    }
    camera->start();
    return true;
}

void CameraWidget::responseStateChanged(QCamera::State state)
{
    if (state != QCamera::ActiveState || !camera)
        return;
    const QList<QSize> resolutions = camera->supportedResolutions();
    const QSize best = tallestResolution(resolutions, width(), camera->resolution());
    if (resolutions.contains(best))
        camera->setResolution(best);
    const int c = width();
    const int d = previewHeight(best, c);
    viewfinder->resize(c, d);
    setFixedHeight(d);
}

void CameraWidget::stopCamera()
{
    releaseCamera(camera, this, viewfinder);
}

void CameraWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (logo.isNull() || width() < 5)
        return;
    if (shownLogo.width() != width() / 5)
        shownLogo = logo.scaledToWidth(width() / 5, Qt::SmoothTransformation);
    painter.drawPixmap((width() - shownLogo.width()) / 2, (height() - shownLogo.height()) / 2,
                       shownLogo);
}
