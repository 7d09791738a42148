#include "platform/pipewirestream.h"

#include <fcntl.h>
#include <unistd.h>
#include <QMutexLocker>
#include <QPainter>
#include <cstring>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

namespace {
// The layouts we read, in the order we prefer them; the desktop picks one.
struct FormatPair
{
    spa_video_format spa;
    CastPixelFormat ours;
};
constexpr FormatPair knownFormats[] = {
    {SPA_VIDEO_FORMAT_BGRx, CastPixelFormat::BGRx}, {SPA_VIDEO_FORMAT_BGRA, CastPixelFormat::BGRA},
    {SPA_VIDEO_FORMAT_RGBx, CastPixelFormat::RGBx}, {SPA_VIDEO_FORMAT_RGBA, CastPixelFormat::RGBA},
    {SPA_VIDEO_FORMAT_xRGB, CastPixelFormat::xRGB}, {SPA_VIDEO_FORMAT_xBGR, CastPixelFormat::xBGR},
};

void paramChanged(void *data, uint32_t id, const struct spa_pod *param)
{
    static_cast<PipeWireStream *>(data)->onParamChanged(id, param);
}
void process(void *data)
{
    static_cast<PipeWireStream *>(data)->onProcess();
}
void stateChanged(void *data, enum pw_stream_state, enum pw_stream_state state, const char *)
{
    static_cast<PipeWireStream *>(data)->onStateChanged(state);
}
void coreError(void *data, uint32_t id, int, int, const char *)
{
    if (id == PW_ID_CORE)
        static_cast<PipeWireStream *>(data)->onCoreError();
}

void globalRemoved(void *data, uint32_t id)
{
    static_cast<PipeWireStream *>(data)->onGlobalRemoved(id);
}

// The event tables are plain C structs: zeroed, stamped with their version, then given the
// callbacks this stream listens to.
template <typename Events, typename Fill>
Events makeEvents(uint32_t version, Fill fill)
{
    Events events{};
    events.version = version;
    fill(events);
    return events;
}
const pw_registry_events registryEvents = makeEvents<pw_registry_events>(
    PW_VERSION_REGISTRY_EVENTS,
    [](pw_registry_events &events) { events.global_remove = globalRemoved; });
const pw_stream_events streamEvents =
    makeEvents<pw_stream_events>(PW_VERSION_STREAM_EVENTS, [](pw_stream_events &events) {
        events.state_changed = stateChanged;
        events.param_changed = paramChanged;
        events.process = process;
    });
const pw_core_events coreEvents = makeEvents<pw_core_events>(
    PW_VERSION_CORE_EVENTS, [](pw_core_events &events) { events.error = coreError; });
} // namespace

PipeWireStream::PipeWireStream()
{
    pw_init(nullptr, nullptr);
}

PipeWireStream::~PipeWireStream()
{
    close();
}

bool PipeWireStream::open(int remoteFd, quint32 node)
{
    close();
    const int fd = fcntl(remoteFd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0)
        return false;
    loop = pw_thread_loop_new("quillboard-cast", nullptr);
    if (!loop) {
        ::close(fd);
        return false;
    }
    context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0);
    if (!context || pw_thread_loop_start(loop) < 0) {
        ::close(fd);
        close();
        return false;
    }
    pw_thread_loop_lock(loop);
    core = pw_context_connect_fd(context, fd, nullptr, 0);
    bool ok = core != nullptr;
    if (ok) {
        coreListener = new spa_hook{};
        pw_core_add_listener(core, coreListener, &coreEvents, this);
        // The screen's node going away (the desktop ended the cast) leaves the stream waiting
        // quietly for another: the registry tells.
        watchedNode = node;
        registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
        if (registry) {
            registryListener = new spa_hook{};
            pw_registry_add_listener(registry, registryListener, &registryEvents, this);
        }
        stream = pw_stream_new(core, "quillboard-screen",
                               pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                 "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        ok = stream != nullptr;
    }
    if (ok) {
        streamListener = new spa_hook{};
        pw_stream_add_listener(stream, streamListener, &streamEvents, this);
        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle defaultSize = SPA_RECTANGLE(1920, 1080);
        const spa_rectangle minSize = SPA_RECTANGLE(1, 1);
        const spa_rectangle maxSize = SPA_RECTANGLE(16384, 16384);
        const spa_fraction defaultRate = SPA_FRACTION(30, 1);
        const spa_fraction minRate = SPA_FRACTION(0, 1);
        const spa_fraction maxRate = SPA_FRACTION(240, 1);
        const spa_pod *params[1];
        params[0] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(7, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                                   SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx,
                                   SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB,
                                   SPA_VIDEO_FORMAT_xBGR),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
            SPA_FORMAT_VIDEO_framerate,
            SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
        ok = pw_stream_connect(stream, PW_DIRECTION_INPUT, node,
                               static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                            PW_STREAM_FLAG_MAP_BUFFERS),
                               params, 1) == 0;
    }
    pw_thread_loop_unlock(loop);
    if (!ok)
        close();
    return ok;
}

void PipeWireStream::close()
{
    if (loop)
        pw_thread_loop_stop(loop);
    if (stream)
        pw_stream_destroy(stream);
    stream = nullptr;
    if (registryListener)
        spa_hook_remove(registryListener);
    if (registry)
        pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
    registry = nullptr;
    delete registryListener;
    registryListener = nullptr;
    if (core)
        pw_core_disconnect(core);
    core = nullptr;
    if (context)
        pw_context_destroy(context);
    context = nullptr;
    if (loop)
        pw_thread_loop_destroy(loop);
    loop = nullptr;
    delete streamListener;
    streamListener = nullptr;
    delete coreListener;
    coreListener = nullptr;
}

void PipeWireStream::onParamChanged(quint32 id, const spa_pod *param)
{
    if (!param || id != SPA_PARAM_Format)
        return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0)
        return;
    // A layout we cannot read must not become a black film: the stream fails instead.
    const FormatPair *known = nullptr;
    for (const FormatPair &pair : knownFormats) {
        if (pair.spa == info.format)
            known = &pair;
    }
    if (!known) {
        qWarning("screen cast: the desktop offers pixel format %u, which is not read here",
                 unsigned(info.format));
        gone.store(true);
        return;
    }
    pixelFormat = known->ours;
    negotiatedSize = QSize(int(info.size.width), int(info.size.height));
    // Shared memory only: we read the pixels ourselves.
    uint8_t buffer[256];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod *params[1];
    params[0] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
    pw_stream_update_params(stream, params, 1);
}

void PipeWireStream::onProcess()
{
    pw_buffer *newest = nullptr;
    // Only the newest buffer matters: older ones go straight back.
    while (pw_buffer *next = pw_stream_dequeue_buffer(stream)) {
        if (newest)
            pw_stream_queue_buffer(stream, newest);
        newest = next;
    }
    if (!newest)
        return;
    const spa_buffer *buffer = newest->buffer;
    const spa_data &data = buffer->datas[0];
    const spa_chunk *chunk = data.chunk;
    const int width = negotiatedSize.width(), height = negotiatedSize.height();
    const int stride = chunk && chunk->stride > 0 ? chunk->stride : width * 4;
    const bool usable =
        data.data && chunk && chunk->size > 0 && width > 0 && height > 0 &&
        !(chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) && stride >= width * 4 &&
        quint64(chunk->offset) + quint64(stride) * quint64(height - 1) + quint64(width) * 4 <=
            quint64(data.maxsize);
    if (usable) {
        const uchar *pixels = static_cast<const uchar *>(data.data) + chunk->offset;
        QMutexLocker locker(&frameLock);
        const QImage::Format format = QImage::Format_RGB32;
        if (frame.size() != negotiatedSize || frame.format() != format)
            frame = QImage(negotiatedSize, format);
        if (!frame.isNull()) {
            for (int y = 0; y < height; ++y)
                castRowToRgb32(pixels + qsizetype(y) * stride, frame.scanLine(y), width,
                               pixelFormat);
            frames.fetch_add(1);
        }
    }
    pw_stream_queue_buffer(stream, newest);
}

void PipeWireStream::onStateChanged(int state)
{
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
        gone.store(true);
}

void PipeWireStream::onGlobalRemoved(quint32 id)
{
    if (id == watchedNode)
        gone.store(true);
}

void PipeWireStream::onCoreError()
{
    gone.store(true);
}

QSize PipeWireStream::frameSize()
{
    QMutexLocker locker(&frameLock);
    return frame.size();
}

bool PipeWireStream::copyFrame(const QRect &part, QImage &target)
{
    if (gone.load() || target.isNull())
        return false;
    QMutexLocker locker(&frameLock);
    if (frame.isNull())
        return false;
    // Outside the monitor stays black: an area partly off it still records what it covers.
    if (!frame.rect().contains(part))
        target.fill(Qt::black);
    if (part.size() == target.size() && frame.rect().contains(part)) {
        const int bytes = part.width() * 4;
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(target.scanLine(y), frame.constScanLine(part.y() + y) + part.x() * 4,
                        size_t(bytes));
        return true;
    }
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), target.size()), frame, part);
    return true;
}

extern "C" Q_DECL_EXPORT ScreenCastStream *createPipeWireStream()
{
    return new PipeWireStream;
}
