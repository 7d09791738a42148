#include "recording/recordingbackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStorageInfo>

#include <unistd.h>
#include <cerrno>

#include "base/filesystem.h"
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

bool RecordingBackend::folderWritable(const QString &folder)
{
    return FileSystem::isWritableDir(folder);
}

QString RecordingBackend::reserveFile(const QString &path, bool *created)
{
    *created = false;
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    for (int n = 0; n < 1000; ++n) {
        const QString candidate =
            n == 0 ? path : QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(suffix);
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            *created = true;
            return candidate;
        }
        if (!file.exists())
            return candidate; // not creatable at all: opening it reports the failure
    }
    return path;
}
