#pragma once

#include <QByteArray>
#include <QCamera>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class QBoxLayout;
class QCameraViewfinder;

struct CameraDevice
{
    QByteArray id;
    QString description;

    bool isNull() const { return id.isEmpty(); }
    bool operator==(const CameraDevice &other) const { return id == other.id; }
    bool operator!=(const CameraDevice &other) const { return id != other.id; }
};

// One camera opened for a viewfinder.
class CameraHandle : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setViewfinder(QCameraViewfinder *viewfinder) = 0;
    virtual void load() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void unload() = 0;
    // The system refused the camera (QCamera::UnavailableStatus).
    virtual bool isUnavailable() const = 0;
    virtual QList<QSize> supportedResolutions() const = 0;
    virtual QSize resolution() const = 0;
    virtual void setResolution(const QSize &size) = 0;

signals:
    void stateChanged(QCamera::State state);
    // The camera stopped working after it was started.
    void failed();
};

// Stops camera, cuts it off from owner and releases it later; clears the pointer and hides the
// viewfinder that showed it.
void releaseCamera(CameraHandle *&camera, QObject *owner, QWidget *viewfinder);

// The viewfinder in viewfinder, made hidden in parent and layout when a camera first shows: a
// video widget in a window makes Qt set up OpenGL when the window is created.
QCameraViewfinder *ensureViewfinder(QPointer<QCameraViewfinder> &viewfinder, QWidget *parent,
                                    QBoxLayout *layout);

// Where cameras come from: Qt Multimedia, or what a test gives.
class CameraBackend
{
public:
    virtual ~CameraBackend() = default;
    virtual QList<CameraDevice> availableCameras() = 0;
    virtual CameraDevice defaultCamera() = 0;
    virtual CameraHandle *open(const CameraDevice &device, QObject *parent) = 0;
};

std::shared_ptr<CameraBackend> systemCameraBackend();

// Among the resolutions at least width wide, the one of the tallest shape (height / width)
// above the starting one; the first wins a tie. An empty start counts as 1:2.
QSize tallestResolution(const QList<QSize> &resolutions, int width, const QSize &start);
// The height that shows a picture of that resolution width wide; half the width when the
// resolution is empty.
int previewHeight(const QSize &resolution, int width);
