#include "recording/recordingbackend.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStorageInfo>

#include <unistd.h>
#include <cerrno>

#include "platform/qtpcmsource.h"
#include "platform/screencapture.h"

bool RecordingBackend::syncToDisk(int fd)
{
    // A file system that has no sync at all (EINVAL) says nothing about the disk.
    return fdatasync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

bool SystemRecordingBackend::hasDefaultAudioInput()
{
    return QtPcmSource::hasDefaultInput();
}

std::unique_ptr<FrameSource> SystemRecordingBackend::createFrameSource()
{
    // The area is given in primary-screen pixels; the root window starts at the virtual
    // desktop's corner.
    QPoint origin;
    QSize size;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        origin = screen->geometry().topLeft();
        size = screen->size() * screen->devicePixelRatio();
    }
    return ScreenCapture::createFrameSource(size, origin);
}

PcmSource *SystemRecordingBackend::createPcmSource()
{
    return new QtPcmSource;
}

qint64 SystemRecordingBackend::freeBytes(const QString &folder)
{
    if (!QDir(folder).exists())
        return -1;
    QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}
