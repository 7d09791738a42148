#pragma once

// Cameras for machines that have none: each with its resolutions, refused or working.

#include <QPointer>
#include <QStringList>

#include "camera/camerabackend.h"

struct FakeCameraSpec
{
    QByteArray id;
    QString description;
    QList<QSize> resolutions;
    bool refused = false;
};

class FakeCameraHandle : public CameraHandle
{
public:
    FakeCameraHandle(const FakeCameraSpec &cameraSpec, QStringList *cameraLog, QObject *parent)
        : CameraHandle(parent)
        , spec(cameraSpec)
        , log(cameraLog)
    {
        *log << "open " + spec.id;
    }
    ~FakeCameraHandle() override { *log << "delete " + spec.id; }

    void setViewfinder(QCameraViewfinder *) override {}
    void load() override
    {
        *log << "load " + spec.id;
        if (!spec.refused)
            emit stateChanged(QCamera::LoadedState);
    }
    void start() override
    {
        *log << "start " + spec.id;
        emit stateChanged(QCamera::ActiveState);
    }
    void stop() override { *log << "stop " + spec.id; }
    void unload() override { *log << "unload " + spec.id; }
    bool isUnavailable() const override { return spec.refused; }
    QList<QSize> supportedResolutions() const override { return spec.resolutions; }
    QSize resolution() const override { return current; }
    void setResolution(const QSize &size) override
    {
        current = size;
        *log << "resolution " + spec.id + QString(" %1x%2").arg(size.width()).arg(size.height());
    }
    void fail() { emit failed(); }

    FakeCameraSpec spec;
    QStringList *log;
    QSize current;
};

class FakeCameraBackend : public CameraBackend
{
public:
    QList<FakeCameraSpec> cameras;
    QStringList log;
    QList<QPointer<FakeCameraHandle>> handles;

    QList<CameraDevice> availableCameras() override
    {
        QList<CameraDevice> devices;
        for (const FakeCameraSpec &spec : cameras)
            devices << CameraDevice{spec.id, spec.description};
        return devices;
    }
    CameraDevice defaultCamera() override
    {
        return cameras.isEmpty() ? CameraDevice{} : availableCameras().first();
    }
    CameraHandle *open(const CameraDevice &device, QObject *parent) override
    {
        for (const FakeCameraSpec &spec : cameras) {
            if (spec.id == device.id) {
                auto *handle = new FakeCameraHandle(spec, &log, parent);
                handles << handle;
                return handle;
            }
        }
        return nullptr;
    }
};
