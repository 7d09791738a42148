#pragma once

// Cameras for machines that have none: each with its resolutions, refused or working. Every
// call lands in the backend's log as "<call> <id>", a resolution as "resolution <w>x<h> <id>".

#include <QPointer>
#include <QStringList>

#include "camera/camerabackend.h"

struct FakeCameraSpec
{
    QByteArray id;
    QList<QSize> resolutions;
    bool refused = false;
    // Qt 5.15 lists a camera it cannot open and raises the error from inside load().
    bool failsInLoad = false;
};

class FakeCameraHandle : public CameraHandle
{
public:
    FakeCameraHandle(const FakeCameraSpec &cameraSpec, QStringList *cameraLog, QObject *parent)
        : CameraHandle(parent)
        , spec(cameraSpec)
        , log(cameraLog)
    {
        note("open");
    }
    ~FakeCameraHandle() override { note("delete"); }

    void note(const QString &call) { *log << call + ' ' + spec.id; }
    void setViewfinder(QCameraViewfinder *) override {}
    void load() override
    {
        note("load");
        if (spec.failsInLoad)
            emit failed();
        else if (!spec.refused)
            emit stateChanged(QCamera::LoadedState);
    }
    void start() override
    {
        note("start");
        emit stateChanged(QCamera::ActiveState);
    }
    void stop() override { note("stop"); }
    void unload() override { note("unload"); }
    bool isUnavailable() const override { return spec.refused; }
    QList<QSize> supportedResolutions() const override { return spec.resolutions; }
    QSize resolution() const override { return current; }
    void setResolution(const QSize &size) override
    {
        current = size;
        note(QString("resolution %1x%2").arg(size.width()).arg(size.height()));
    }

    FakeCameraSpec spec;
    QStringList *log;
    QSize current;
};

class FakeCameraBackend : public CameraBackend
{
public:
    QList<FakeCameraSpec> cameras;
    QStringList log;
    QPointer<FakeCameraHandle> lastOpened;

    QList<CameraDevice> availableCameras() override
    {
        QList<CameraDevice> devices;
        for (const FakeCameraSpec &spec : cameras)
            devices << CameraDevice{spec.id, QString::fromLatin1(spec.id)};
        return devices;
    }
    CameraDevice defaultCamera() override
    {
        return cameras.isEmpty() ? CameraDevice{} : availableCameras().first();
    }
    CameraHandle *open(const CameraDevice &device, QObject *parent) override
    {
        for (const FakeCameraSpec &spec : cameras) {
            if (spec.id == device.id)
                return lastOpened = new FakeCameraHandle(spec, &log, parent);
        }
        return nullptr;
    }
};
