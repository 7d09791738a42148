// A stand-in for the desktop's screen-cast portal, for tests in the Wayland session of
// tests/support/waylandsession.sh. The wlroots portal there cannot start a cast: with the pixman
// renderer the compositor offers no DMA-BUF format and that back end refuses shared memory
// alone. This one answers org.freedesktop.portal.ScreenCast as the portal does (a request
// object per call, answered by its Response signal) and serves a real PipeWire video node in
// shared memory, its frames read from the compositor with grim (the pointer drawn in).
//   QB_STANDIN_MODE: "" answers yes; "cancel": the user cancels the choice; "badtoken": a
//   restore token is refused; "stop": the stream ends 1.5 s after it starts.
//   QB_STANDIN_FORMAT: the one pixel layout the stream offers: "" or BGRx, BGRA, RGBx, RGBA,
//   xRGB, xBGR, or RGB (24-bit, which a screen cast's reader need not take).
// At /org/quillboard/PortalStandIn, SessionsMade and SessionsOpen count the sessions callers
// created and those not closed yet.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QMutex>
#include <QTimer>
#include <QVariantMap>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include "portalstandin.h"

struct IntPair
{
    int first = 0, second = 0;
};
QB_DBUS_PAIR(IntPair)
struct CastStream
{
    uint node = 0;
    QVariantMap properties;
};
QB_DBUS_PAIR(CastStream)
using CastStreams = QList<CastStream>;
Q_DECLARE_METATYPE(CastStreams)

namespace {
// The newest screen picture, BGRx.
QMutex frameLock;
QByteArray frame;
int frameWidth = 0, frameHeight = 0;
std::atomic<bool> quitting{false};

bool readScreen()
{
    FILE *pipe = popen("grim -c -t ppm - 2>/dev/null", "r");
    if (!pipe)
        return false;
    int width = 0, height = 0, depth = 0;
    const bool header = std::fscanf(pipe, "P6 %d %d %d", &width, &height, &depth) == 3 &&
                        std::fgetc(pipe) != EOF && width > 0 && height > 0 && depth == 255;
    QByteArray rgb(header ? width * height * 3 : 0, Qt::Uninitialized);
    const bool read =
        header && std::fread(rgb.data(), 1, size_t(rgb.size()), pipe) == size_t(rgb.size());
    pclose(pipe);
    if (!read)
        return false;
    QByteArray bgrx(width * height * 4, Qt::Uninitialized);
    const uchar *from = reinterpret_cast<const uchar *>(rgb.constData());
    uchar *to = reinterpret_cast<uchar *>(bgrx.data());
    for (int i = 0; i < width * height; ++i) {
        to[4 * i] = from[3 * i + 2];
        to[4 * i + 1] = from[3 * i + 1];
        to[4 * i + 2] = from[3 * i];
        to[4 * i + 3] = 255;
    }
    QMutexLocker locker(&frameLock);
    frame = bgrx;
    frameWidth = width;
    frameHeight = height;
    return true;
}

// A pixel layout of the stream: the SPA format and where red, green and blue go in each pixel.
struct Layout
{
    const char *name;
    spa_video_format format;
    int bytes, r, g, b;
};
const Layout layouts[] = {
    {"BGRx", SPA_VIDEO_FORMAT_BGRx, 4, 2, 1, 0}, {"BGRA", SPA_VIDEO_FORMAT_BGRA, 4, 2, 1, 0},
    {"RGBx", SPA_VIDEO_FORMAT_RGBx, 4, 0, 1, 2}, {"RGBA", SPA_VIDEO_FORMAT_RGBA, 4, 0, 1, 2},
    {"xRGB", SPA_VIDEO_FORMAT_xRGB, 4, 1, 2, 3}, {"xBGR", SPA_VIDEO_FORMAT_xBGR, 4, 3, 2, 1},
    {"RGB", SPA_VIDEO_FORMAT_RGB, 3, 0, 1, 2},
};
const Layout &chosenLayout()
{
    const QByteArray wanted = qgetenv("QB_STANDIN_FORMAT");
    for (const Layout &layout : layouts) {
        if (wanted == layout.name)
            return layout;
    }
    return layouts[0];
}

class Producer
{
public:
    bool start(int width, int height)
    {
        this->width = width;
        this->height = height;
        pw_init(nullptr, nullptr);
        loop = pw_thread_loop_new("standin", nullptr);
        context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0);
        pw_thread_loop_start(loop);
        pw_thread_loop_lock(loop);
        core = pw_context_connect(context, nullptr, 0);
        if (!core) {
            pw_thread_loop_unlock(loop);
            return false;
        }
        events.version = PW_VERSION_STREAM_EVENTS;
        events.param_changed = [](void *data, uint32_t id, const spa_pod *param) {
            static_cast<Producer *>(data)->paramChanged(id, param);
        };
        events.process = [](void *data) { static_cast<Producer *>(data)->process(); };
        stream = pw_stream_new(core, "standin-screen",
                               pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr));
        pw_stream_add_listener(stream, &listener, &events, this);
        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle size = SPA_RECTANGLE(uint32_t(width), uint32_t(height));
        const spa_fraction rate = SPA_FRACTION(25, 1);
        const spa_pod *params[1] = {static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format, SPA_POD_Id(layout.format),
            SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size), SPA_FORMAT_VIDEO_framerate,
            SPA_POD_Fraction(&rate)))};
        const int connected = pw_stream_connect(
            stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
            static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
            params, 1);
        pw_thread_loop_unlock(loop);
        return connected == 0;
    }
    uint32_t nodeId()
    {
        pw_thread_loop_lock(loop);
        const uint32_t id = pw_stream_get_node_id(stream);
        pw_thread_loop_unlock(loop);
        return id;
    }
    void trigger()
    {
        pw_thread_loop_lock(loop);
        pw_stream_trigger_process(stream);
        pw_thread_loop_unlock(loop);
    }
    void stop()
    {
        pw_thread_loop_lock(loop);
        pw_stream_disconnect(stream);
        pw_thread_loop_unlock(loop);
    }

private:
    void paramChanged(uint32_t id, const spa_pod *param)
    {
        if (!param || id != SPA_PARAM_Format)
            return;
        uint8_t buffer[256];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_pod *params[1] = {static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
            SPA_PARAM_BUFFERS_size, SPA_POD_Int(width * height * layout.bytes),
            SPA_PARAM_BUFFERS_stride, SPA_POD_Int(width * layout.bytes), SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
        pw_stream_update_params(stream, params, 1);
    }
    void process()
    {
        pw_buffer *buffer = pw_stream_dequeue_buffer(stream);
        if (!buffer)
            return;
        spa_data &data = buffer->buffer->datas[0];
        if (data.data) {
            QMutexLocker locker(&frameLock);
            const int pixels = width * height;
            const uint32_t bytes = uint32_t(pixels * layout.bytes);
            if (frameWidth == width && frameHeight == height && bytes <= data.maxsize) {
                const uchar *from = reinterpret_cast<const uchar *>(frame.constData());
                uchar *to = static_cast<uchar *>(data.data);
                // From BGRx into the layout; its fourth byte, if any, opaque.
                for (int i = 0; i < pixels; ++i, from += 4, to += layout.bytes) {
                    if (layout.bytes == 4)
                        std::memset(to, 255, 4);
                    to[layout.r] = from[2];
                    to[layout.g] = from[1];
                    to[layout.b] = from[0];
                }
            }
            data.chunk->offset = 0;
            data.chunk->stride = width * layout.bytes;
            data.chunk->size = bytes;
        }
        pw_stream_queue_buffer(stream, buffer);
    }

    const Layout &layout = chosenLayout();
    int width = 0, height = 0;
    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_stream *stream = nullptr;
    spa_hook listener{};
    pw_stream_events events{};
};
} // namespace

// A session a caller created; Close ends it, as the portal's own sessions do.
class StandInSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    StandInSession(const QString &path, int *open, QObject *parent)
        : QObject(parent)
        , path(path)
        , open(open)
    {
        ++*open;
    }
    ~StandInSession() override { --*open; }

public slots:
    void Close()
    {
        QDBusConnection::sessionBus().unregisterObject(path);
        deleteLater();
    }

private:
    QString path;
    int *open;
};

class StandInScreenCast : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ sourceTypes)
    Q_PROPERTY(uint AvailableCursorModes READ cursorModes)
    Q_PROPERTY(uint version READ version)
public:
    uint sourceTypes() const { return 1; }
    uint cursorModes() const { return 3; }
    uint version() const { return 4; }

    QString mode = qEnvironmentVariable("QB_STANDIN_MODE");
    Producer producer;
    bool producing = false;
    // The producer starts once; a second start would leave the first one's loop behind.
    bool started = false;
    QTimer pace;
    int tokens = 0;
    int sessionsMade = 0;
    int sessionsOpen = 0;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message)
    {
        const QString session =
            portalObjectPath("session", message, options, "session_handle_token");
        ++sessionsMade;
        QDBusConnection::sessionBus().registerObject(
            session, new StandInSession(session, &sessionsOpen, this),
            QDBusConnection::ExportAllSlots);
        return answer(message, options, 0, {{"session_handle", session}});
    }
    QDBusObjectPath SelectSources(const QDBusObjectPath &, const QVariantMap &options,
                                  const QDBusMessage &message)
    {
        const bool refused = mode == "badtoken" && options.contains("restore_token");
        return answer(message, options, refused ? 2 : 0, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath &, const QString &, const QVariantMap &options,
                          const QDBusMessage &message)
    {
        if (mode == "cancel")
            return answer(message, options, 1, {});
        if (!producing) {
            // The first grim may come before the compositor's output is up; past a few
            // seconds it will not come at all, and the caller must hear so.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            bool screen = readScreen();
            while (!screen && std::chrono::steady_clock::now() < deadline) {
                usleep(50000);
                screen = readScreen();
            }
            if (!screen) {
                std::fprintf(stderr, "portal stand-in: cannot read the screen with grim\n");
                return answer(message, options, 2, {});
            }
            if (!started) {
                QMutexLocker locker(&frameLock);
                started = true;
                producing = producer.start(frameWidth, frameHeight);
            }
            if (!producing) {
                std::fprintf(stderr, "portal stand-in: no PipeWire stream for the screen\n");
                return answer(message, options, 2, {});
            }
        }
        for (int i = 0; i < 200 && producer.nodeId() == SPA_ID_INVALID; ++i)
            usleep(10000);
        CastStream stream;
        stream.node = producer.nodeId();
        if (stream.node == SPA_ID_INVALID) {
            std::fprintf(stderr, "portal stand-in: the screen's PipeWire node got no id\n");
            return answer(message, options, 2, {});
        }
        int width = 0, height = 0;
        {
            QMutexLocker locker(&frameLock);
            width = frameWidth;
            height = frameHeight;
        }
        stream.properties.insert("size", QVariant::fromValue(IntPair{width, height}));
        stream.properties.insert("position", QVariant::fromValue(IntPair{0, 0}));
        stream.properties.insert("source_type", 1u);
        if (!pace.isActive()) {
            QObject::connect(&pace, &QTimer::timeout, [this] { producer.trigger(); });
            pace.start(40);
        }
        if (mode == "stop")
            QTimer::singleShot(1500, [this] {
                pace.stop();
                producer.stop();
            });
        return answer(message, options, 0,
                      {{"streams", QVariant::fromValue(CastStreams{stream})},
                       {"restore_token", QStringLiteral("standin-token-%1").arg(++tokens)}});
    }
    QDBusUnixFileDescriptor OpenPipeWireRemote(const QDBusObjectPath &, const QVariantMap &)
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = qgetenv("XDG_RUNTIME_DIR") + "/pipewire-0";
        std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
        QDBusUnixFileDescriptor descriptor(fd);
        ::close(fd);
        return descriptor;
    }

private:
    QDBusObjectPath answer(const QDBusMessage &message, const QVariantMap &options, uint response,
                           const QVariantMap &results)
    {
        return answerPortalRequest(QDBusConnection::sessionBus(), this, message, options, response,
                                   results);
    }
};

// What the tests ask of the stand-in itself.
class StandInCounts : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillboard.PortalStandIn")
public:
    explicit StandInCounts(const StandInScreenCast &cast)
        : cast(cast)
    {}

public slots:
    int SessionsMade() const { return cast.sessionsMade; }
    int SessionsOpen() const { return cast.sessionsOpen; }

private:
    const StandInScreenCast &cast;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<IntPair>();
    qDBusRegisterMetaType<CastStream>();
    qDBusRegisterMetaType<CastStreams>();
    StandInScreenCast cast;
    StandInCounts counts(cast);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(
            "/org/freedesktop/portal/desktop", &cast,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerObject("/org/quillboard/PortalStandIn", &counts,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService("org.freedesktop.portal.Desktop")) {
        std::fprintf(stderr, "portal stand-in: the portal's name is taken\n");
        return 1;
    }
    // Frames keep coming while the stand-in runs.
    std::thread reader([] {
        // About as often as the compositor would send damage at 25 frames a second.
        while (!quitting.load()) {
            const auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(40);
            readScreen();
            std::this_thread::sleep_until(next);
        }
    });
    const int status = app.exec();
    quitting.store(true);
    reader.join();
    return status;
}

#include "portalstandin.moc"
