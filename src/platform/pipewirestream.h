#pragma once

#include <QMutex>
#include <atomic>

#include "platform/castpixels.h"
#include "platform/screencaststream.h"

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct pw_registry;

// A PipeWire video stream of a screen, read in shared-memory buffers of 32-bit pixels (the
// layouts of CastPixelFormat) on a thread loop of its own. Keeps the newest frame.
class PipeWireStream : public ScreenCastStream
{
public:
    PipeWireStream();
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream &) = delete;
    PipeWireStream &operator=(const PipeWireStream &) = delete;

    bool open(int remoteFd, quint32 node) override;
    bool copyFrame(const QRect &part, QImage &target) override;
    QSize frameSize() override;
    quint64 frameCount() const override { return frames.load(); }
    bool ended() const override { return gone.load(); }

    // Called on the PipeWire thread.
    void onParamChanged(quint32 id, const struct spa_pod *param);
    void onProcess();
    void onStateChanged(int state);
    void onCoreError();
    void onGlobalRemoved(quint32 id);

private:
    void close();

    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_stream *stream = nullptr;
    struct spa_hook *coreListener = nullptr;
    struct spa_hook *streamListener = nullptr;
    pw_registry *registry = nullptr;
    struct spa_hook *registryListener = nullptr;
    quint32 watchedNode = 0;
    QMutex frameLock;
    QImage frame; // the newest frame, owned
    QSize negotiatedSize;
    CastPixelFormat pixelFormat = CastPixelFormat::BGRx;
    std::atomic<quint64> frames{0};
    std::atomic<bool> gone{false};
};
