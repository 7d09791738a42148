#pragma once

#include <QImage>
#include <QMutex>
#include <QSize>
#include <atomic>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct pw_registry;

// A PipeWire video stream of a screen (a portal's remote and node), read in shared-memory
// buffers of 32-bit BGRx/BGRA pixels on a thread loop of its own. Keeps the newest frame.
class PipeWireStream
{
public:
    PipeWireStream();
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream &) = delete;
    PipeWireStream &operator=(const PipeWireStream &) = delete;

    // Takes over a duplicate of remoteFd; false when the stream cannot be set up.
    bool open(int remoteFd, quint32 node);
    // Copies the newest frame's part (in frame pixels) into target, scaled to target's size
    // when they differ. False while no frame came or once the stream has ended.
    bool copyFrame(const QRect &part, QImage &target);
    // The newest frame's size; empty before the first one.
    QSize frameSize();
    // Counts the frames that came so far.
    quint64 frameCount() const { return frames.load(); }
    // The stream went away: the desktop ended it, or the compositor or PipeWire is gone.
    bool ended() const { return gone.load(); }

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
    std::atomic<quint64> frames{0};
    std::atomic<bool> gone{false};
};
