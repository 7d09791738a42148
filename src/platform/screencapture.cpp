#include "platform/screencapture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "platform/moduleloader.h"
#include "platform/portalscreencast.h"
#include "platform/screencaststream.h"
#include "platform/x11framesource.h"

namespace {
QString tokenFilePath;
ScreenCastStreamEntry streamEntry = nullptr;

// The session prepare() started for the next recording, and its stream once a picture was
// asked of it before the recording; the recording's frame source takes both.
struct PreparedCast
{
    std::unique_ptr<PortalScreenCast> cast;
    std::unique_ptr<ScreenCastStream> stream;
    void reset()
    {
        // The stream first: it reads from the session's remote.
        stream.reset();
        cast.reset();
    }
};
PreparedCast prepared;

// The PipeWire side comes from its module, loaded on the first screen cast. False with the
// message for the user in *error when it cannot be loaded.
bool loadStreamModule(QString *error)
{
    if (streamEntry)
        return true;
    QString reason;
    streamEntry = reinterpret_cast<ScreenCastStreamEntry>(
        ModuleLoader::resolve(ModuleLoader::defaultFolders(), QStringLiteral(QB_PIPEWIRE_MODULE),
                              QB_PIPEWIRE_ENTRY, &reason));
    if (streamEntry)
        return true;
    qWarning("screen cast: %s", qPrintable(reason));
    if (error)
        *error = QStringLiteral("屏幕画面组件无法加载，请重新安装墨岚白板。\n") + reason;
    return false;
}

// Runs the event loop (no input) until done() holds or the limit passes.
bool waitFor(const std::function<bool()> &done, int timeout)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeout)
            loop.quit();
    });
    poll.start(10);
    if (!done())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}

// The part of a frame of frameSize that shows the area given in screen pixels.
QRect framePart(const QRect &area, const QSize &screenSize, const QSize &frameSize)
{
    if (screenSize.isEmpty() || screenSize == frameSize)
        return area;
    const qreal sx = qreal(frameSize.width()) / screenSize.width();
    const qreal sy = qreal(frameSize.height()) / screenSize.height();
    return QRectF(area.x() * sx, area.y() * sy, area.width() * sx, area.height() * sy)
        .toAlignedRect();
}
} // namespace

bool ScreenCapture::isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE")
                   .compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

void ScreenCapture::setTokenFile(const QString &path)
{
    tokenFilePath = path;
}

bool ScreenCapture::prepare(QString *error)
{
    prepared.reset();
    if (!isWaylandSession())
        return true;
    if (!loadStreamModule(error))
        return false;
    auto cast = std::make_unique<PortalScreenCast>(tokenFilePath);
    if (!cast->start()) {
        if (error)
            *error = cast->error();
        return false;
    }
    prepared.cast = std::move(cast);
    return true;
}

void ScreenCapture::discardPrepared()
{
    prepared.reset();
}

// Opens the prepared session's stream and waits, with a limit, for its first frame.
static ScreenCastStream *preparedStream()
{
    if (!prepared.cast || !loadStreamModule(nullptr))
        return nullptr;
    if (!prepared.stream) {
        std::unique_ptr<ScreenCastStream> stream(streamEntry());
        if (!stream->open(prepared.cast->pipeWireRemote().fileDescriptor(),
                          prepared.cast->nodeId()))
            return nullptr;
        prepared.stream = std::move(stream);
    }
    ScreenCastStream *frames = prepared.stream.get();
    waitFor([frames] { return frames->frameCount() > 0 || frames->ended(); }, 5000);
    return frames->frameCount() > 0 && !frames->ended() ? frames : nullptr;
}

QPixmap ScreenCapture::grabPrepared(const QRect &area, const QSize &screenSize)
{
    ScreenCastStream *stream = area.isEmpty() ? nullptr : preparedStream();
    if (!stream)
        return QPixmap();
    QImage picture(area.size(), QImage::Format_RGB32);
    if (picture.isNull() ||
        !stream->copyFrame(framePart(area, screenSize, stream->frameSize()), picture))
        return QPixmap();
    return QPixmap::fromImage(picture);
}

std::unique_ptr<FrameSource> ScreenCapture::createFrameSource(const QSize &screenSize,
                                                              const QPoint &origin)
{
    if (!isWaylandSession())
        return std::make_unique<X11FrameSource>(origin);
    auto source = std::make_unique<PortalFrameSource>(std::move(prepared.cast), screenSize);
    source->stream = std::move(prepared.stream);
    return source;
}

QPixmap ScreenCapture::grabScreen(const QSize &screenSize, QString *error)
{
    if (!isWaylandSession()) {
        QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->grabWindow(0) : QPixmap();
    }
    if (!loadStreamModule(error))
        return QPixmap();
    auto cast = std::make_unique<PortalScreenCast>(tokenFilePath);
    if (!cast->start()) {
        qWarning("screen cast: %s", qPrintable(cast->error()));
        if (error)
            *error = cast->error();
        return QPixmap();
    }
    PortalFrameSource source(std::move(cast), screenSize);
    const QSize size = screenSize.isEmpty() ? QSize(1, 1) : screenSize;
    if (!source.open(QRect(QPoint(0, 0), size))) {
        qWarning("screen cast: no frame came");
        if (error)
            *error = QStringLiteral("没有得到桌面的画面，请重试");
        return QPixmap();
    }
    return QPixmap::fromImage(source.grab().copy());
}

PortalFrameSource::PortalFrameSource(std::unique_ptr<PortalScreenCast> started,
                                     const QSize &screenSize)
    : cast(std::move(started))
    , screen(screenSize)
{}

PortalFrameSource::~PortalFrameSource()
{
    // The stream first: it reads from the session's remote.
    stream.reset();
    cast.reset();
}

bool PortalFrameSource::open(const QRect &wanted)
{
    area = wanted;
    if (area.isEmpty() || !loadStreamModule(nullptr))
        return false;
    if (!cast) {
        stream.reset();
        cast = std::make_unique<PortalScreenCast>(tokenFilePath);
        if (!cast->start())
            return false;
    }
    // The prepared session's stream may be open already, a frame in hand.
    if (!stream) {
        stream.reset(streamEntry());
        if (!stream->open(cast->pipeWireRemote().fileDescriptor(), cast->nodeId()))
            return false;
    }
    ScreenCastStream *frames = stream.get();
    // Never a black stand-in: without a first frame there is no recording.
    if (!waitFor([frames] { return frames->frameCount() > 0 || frames->ended(); },
                 firstFrameTimeout) ||
        frames->ended())
        return false;
    picture = QImage(area.size(), QImage::Format_RGB32);
    return !picture.isNull();
}

QImage PortalFrameSource::grab()
{
    if (picture.isNull())
        return QImage();
    const QSize frameSize = stream->frameSize();
    if (frameSize.isEmpty())
        return QImage();
    if (!stream->copyFrame(framePart(area, screen, frameSize), picture))
        return QImage();
    return picture;
}
