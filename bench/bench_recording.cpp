// Screen recording of 1920x1080 with a moving picture: effective frame rate, lost frames, CPU
// time per frame and output size, beside ffmpeg's x11grab with libx264 on the same display.
// Then a long recording with sound from a PulseAudio daemon of its own: how far the sound is
// from the picture at the start and at the end (a beep played with a black window, twice),
// frames lost (and what the machine did around each gap), resident memory at the start and the
// end, file size. Last a recording whose sound server is killed at minute 2: its length and
// offsets.
// Needs an X server of that size, e.g.:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench_recording [seconds, default 60]
//       [--sound-minutes=N, default 10; 0 leaves the run with sound out]
//       [--wayland, --wayland=gnome: once more inside a headless Wayland session of its own
//        (sway with the tests' stand-in portal, or GNOME with its own portal, whose dialog
//        tests/support/gnomedesktop.py answers), through the screen-cast portal and PipeWire;
//        no sound run, no ffmpeg x11grab there]
//       [--kill-minutes=N, default 3; 0 leaves the run with the server killed out]
// The moving picture runs in a child process so that its painting is not counted.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QX11Info>

#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "base/globals.h"
#include "mediaprobe.h"
#include "pulseserver.h"
#include "recording/videorecorder.h"

namespace {

class MovingPicture : public QWidget
{
public:
    MovingPicture()
        : QWidget(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        connect(&timer, &QTimer::timeout, this, [this] {
            ++tick;
            update();
        });
        timer.start(33);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor::fromHsv(tick % 360, 120, 230));
        gradient.setColorAt(1, QColor::fromHsv((tick + 180) % 360, 120, 120));
        painter.fillRect(rect(), gradient);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 24; ++i) {
            const double t = tick * 0.03 + i;
            const QPointF centre(width() / 2 + std::cos(t * 1.3) * width() * 0.4,
                                 height() / 2 + std::sin(t * 0.9) * height() * 0.4);
            painter.setBrush(QColor::fromHsv((i * 15) % 360, 200, 240));
            painter.drawEllipse(centre, 40 + i * 2, 40 + i * 2);
        }
        painter.setPen(Qt::black);
        QFont font = painter.font();
        font.setPixelSize(48);
        painter.setFont(font);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("frame %1").arg(tick));
    }

private:
    QTimer timer;
    int tick = 0;
};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures
{
    int frames = 0;
    int lost = 0;
    double cpu = 0;
    double megabytes = 0;
    QVector<double> gapsAt; // file seconds of the frames that follow a gap
};

// What the machine did while a recording ran, in windows of 100 ms: CPU time the host took from
// this virtual machine, and how late an idle thread of ours woke from a 10 ms sleep. A frame lost
// in a window where both are high was lost to the machine, not to the recorder's own work.
class MachineWatch
{
public:
    MachineWatch()
        : thread([this] { run(); })
    {}
    ~MachineWatch()
    {
        done = true;
        thread.join();
    }

    struct Window
    {
        double stolenMs = 0;
        double lateMs = 0;
    };
    std::vector<Window> windows() const
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return recorded;
    }

private:
    static double stolenMs()
    {
        // The eighth figure of the cpu line, in clock ticks summed over the processors.
        std::FILE *stat = std::fopen("/proc/stat", "r");
        unsigned long long ticks[8] = {};
        if (stat) {
            if (std::fscanf(stat, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &ticks[0],
                            &ticks[1], &ticks[2], &ticks[3], &ticks[4], &ticks[5], &ticks[6],
                            &ticks[7]) != 8)
                ticks[7] = 0;
            std::fclose(stat);
        }
        return ticks[7] * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    void run()
    {
        using namespace std::chrono;
        double lastStolen = stolenMs();
        Window window;
        auto windowEnds = steady_clock::now() + milliseconds(100);
        while (!done) {
            const auto due = steady_clock::now() + milliseconds(10);
            std::this_thread::sleep_until(due);
            const auto now = steady_clock::now();
            window.lateMs =
                std::max(window.lateMs, duration<double, std::milli>(now - due).count());
            if (now < windowEnds)
                continue;
            const double stolen = stolenMs();
            window.stolenMs = stolen - lastStolen;
            lastStolen = stolen;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                recorded.push_back(window);
            }
            window = Window();
            windowEnds += milliseconds(100);
        }
    }

    mutable std::mutex mutex;
    std::vector<Window> recorded;
    std::atomic<bool> done{false};
    std::thread thread;
};

// The machine's worst moments in the run, and around each gap in the picture.
void printMachine(const MachineWatch &watch, const QVector<double> &gapsAt)
{
    const std::vector<MachineWatch::Window> windows = watch.windows();
    double stolen = 0, worstLate = 0;
    int stolenWindows = 0, lateWindows = 0;
    for (const MachineWatch::Window &window : windows) {
        stolen += window.stolenMs;
        stolenWindows += window.stolenMs > 20;
        lateWindows += window.lateMs > 40;
        worstLate = std::max(worstLate, window.lateMs);
    }
    std::printf(
        "machine  CPU taken by the host: %.1f s (in %d windows of 100 ms over 20 ms); an "
        "idle thread woke over 40 ms late in %d windows, worst %.0f ms\n",
        stolen / 1000, stolenWindows, lateWindows, worstLate);
    for (const double at : gapsAt) {
        MachineWatch::Window worst;
        const int from = std::max(0, int(at * 10) - 10);
        for (int i = from; i < std::min<int>(int(windows.size()), int(at * 10) + 10); ++i) {
            worst.stolenMs = std::max(worst.stolenMs, windows[size_t(i)].stolenMs);
            worst.lateMs = std::max(worst.lateMs, windows[size_t(i)].lateMs);
        }
        std::printf(
            "gap      before %.2f s: within a second the host took up to %.0f ms of a "
            "window, the idle thread woke up to %.0f ms late\n",
            at, worst.stolenMs, worst.lateMs);
    }
}

Figures measure(const QString &file, double cpu, MediaProbe *probed = nullptr)
{
    Figures figures;
    MediaProbe probe = probeMedia(file);
    if (probed)
        *probed = probe;
    std::sort(probe.videoTimes.begin(), probe.videoTimes.end());
    figures.frames = probe.videoTimes.size();
    for (int i = 1; i < probe.videoTimes.size(); ++i) {
        const int lost = int(std::lround((probe.videoTimes[i] - probe.videoTimes[i - 1]) * 20)) - 1;
        figures.lost += lost;
        if (lost > 0)
            figures.gapsAt.append(probe.videoTimes[i]);
    }
    figures.cpu = cpu;
    figures.megabytes = QFileInfo(file).size() / 1e6;
    return figures;
}

void print(const char *name, const Figures &f, double seconds)
{
    std::printf("%-8s %6.2f fps  %3d lost  %6.2f ms CPU/frame  %6.1f MB/min  (%d frames)\n", name,
                f.frames / seconds, f.lost, f.cpu * 1000 / std::max(1, f.frames),
                f.megabytes * 60 / seconds, f.frames);
}

// Records for the given minutes with the microphone, here the monitor of the daemon's sink.
// A recording of the whole area at its own size into file; error receives a stop error.
RecordingOptions setUp(VideoRecorder &recorder, const QSize &size, int audioMode,
                       const QString &file, QString &error)
{
    RecordingOptions options;
    options.areaWidth = options.outputWidth = size.width();
    options.areaHeight = options.outputHeight = size.height();
    options.audioMode = audioMode;
    options.outputFileName = file;
    QObject::connect(&recorder, &VideoRecorder::recorderStopError,
                     [&error](const QString &text) { error = text; });
    return options;
}

// What a player meets: opening the file (streams and index) and a seek to its middle, in ms.
QPair<double, double> openAndSeek(const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, file.toUtf8().constData(), nullptr, nullptr) < 0)
        return {NAN, NAN};
    avformat_find_stream_info(input, nullptr);
    const double opened = timer.nsecsElapsed() / 1e6;
    timer.restart();
    AVPacket *packet = av_packet_alloc();
    av_seek_frame(input, -1, input->duration / 2, AVSEEK_FLAG_BACKWARD);
    av_read_frame(input, packet);
    const double sought = timer.nsecsElapsed() / 1e6;
    av_packet_free(&packet);
    avformat_close_input(&input);
    return {opened, sought};
}

// The recording as it is left, against a rewrite into a plain MP4 with its index in front.
void playerFigures(const QString &file)
{
    const auto fragmented = openAndSeek(file);
    QElapsedTimer timer;
    timer.start();
    const QString plain = file + ".plain.mp4";
    AVFormatContext *input = nullptr, *output = nullptr;
    avformat_open_input(&input, file.toUtf8().constData(), nullptr, nullptr);
    avformat_find_stream_info(input, nullptr);
    avformat_alloc_output_context2(&output, nullptr, nullptr, plain.toUtf8().constData());
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream *stream = avformat_new_stream(output, nullptr);
        avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar);
        stream->codecpar->codec_tag = 0;
    }
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "faststart", 0);
    AVPacket *packet = av_packet_alloc();
    if (avio_open(&output->pb, plain.toUtf8().constData(), AVIO_FLAG_WRITE) >= 0 &&
        avformat_write_header(output, &options) >= 0) {
        while (av_read_frame(input, packet) >= 0) {
            av_packet_rescale_ts(packet, input->streams[packet->stream_index]->time_base,
                                 output->streams[packet->stream_index]->time_base);
            av_interleaved_write_frame(output, packet);
        }
        av_write_trailer(output);
    }
    av_dict_free(&options);
    av_packet_free(&packet);
    avio_closep(&output->pb);
    avformat_free_context(output);
    avformat_close_input(&input);
    const double rewrite = timer.elapsed() / 1000.0;
    const auto faststart = openAndSeek(plain);
    std::printf(
        "player   as left (fragmented): open %.1f ms, seek to the middle %.1f ms; "
        "rewritten with the index in front: %.1f s to rewrite, open %.1f ms, seek %.1f "
        "ms, %.1f MB against %.1f MB\n",
        fragmented.first, fragmented.second, rewrite, faststart.first, faststart.second,
        QFileInfo(plain).size() / 1e6, QFileInfo(file).size() / 1e6);
    QFile::remove(plain);
}

// killAtMinutes > 0: the daemon is killed then, and the recording runs on to its end.
int soundRun(PulseServer &server, const QString &dir, const QSize &size, int minutes,
             int killAtMinutes = 0)
{
    const char *name = killAtMinutes > 0 ? "killed" : "sound";
    VideoRecorder recorder;
    QString error;
    const RecordingOptions options = setUp(recorder, size, 0, dir + "/" + name + ".mp4", error);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    recorder.start(options);
    const MachineWatch watch;
    wait(3000);
    const double memoryAtStart = residentMegabytes();
    const bool marked = server.markScreenAndSound();
    if (killAtMinutes > 0) {
        wait(int(std::max<qint64>(0, killAtMinutes * 60000 - clock.elapsed())));
        server.crash();
    }
    wait(int(std::max<qint64>(0, minutes * 60000 - clock.elapsed())));
    const bool markedAgain = server.markScreenAndSound() || killAtMinutes > 0;
    wait(1500);
    const double memoryAtEnd = residentMegabytes();
    const double recorded = clock.elapsed() / 1000.0;
    QElapsedTimer stopping;
    stopping.start();
    recorder.stop();
    while (recorder.isRecording())
        wait(10);
    const double stopSeconds = stopping.elapsed() / 1000.0;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const bool told = killAtMinutes > 0 ? error.contains("没有声音") : error.isEmpty();
    if (!told || !marked || !markedAgain) {
        std::printf(
            "%-8s recording failed: %s\n", name,
            qPrintable(error.isEmpty() ? QStringLiteral("no mark shown or nothing told") : error));
        return 1;
    }
    std::printf(
        "%dx%d, %.0f s, moving picture and sound%s\n", size.width(), size.height(), recorded,
        killAtMinutes > 0
            ? qPrintable(QStringLiteral(", sound server killed at %1 s").arg(killAtMinutes * 60))
            : "");
    MediaProbe sync;
    const Figures figures = measure(recorder.options().outputFileName, cpu, &sync);
    print(name, figures, recorded);
    printMachine(watch, figures.gapsAt);
    const QVector<double> offsets = sync.markOffsets();
    std::printf("sync    ");
    for (int i = 0; i < offsets.size(); ++i)
        std::printf(" at %.1f s %+.0f ms%s", sync.markOnsets[i], offsets[i] * 1000,
                    i + 1 < offsets.size() ? "," : "");
    std::printf("  (sound after picture, goal |offset| <= 45 ms%s)\n",
                killAtMinutes > 0 ? "; none after the kill" : "");
    std::printf("lengths  picture %.3f s, sound %.3f s; stop took %.2f s\n", sync.videoDuration,
                sync.audioDuration(), stopSeconds);
    std::printf("memory   %.1f MB resident at the start, %.1f MB at the end; file %.1f MB\n",
                memoryAtStart, memoryAtEnd,
                QFileInfo(recorder.options().outputFileName).size() / 1e6);
    if (killAtMinutes > 0)
        std::printf("told     %s\n", qPrintable(error));
    else
        playerFigures(recorder.options().outputFileName);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The Wayland run: the same program again, inside the session the tests use.
    for (int i = 1; i < argc; ++i) {
        const bool gnome = std::strcmp(argv[i], "--wayland=gnome") == 0;
        if ((!gnome && std::strcmp(argv[i], "--wayland") != 0) || std::getenv("QB_WAYLAND_BASE"))
            continue;
        std::vector<char *> inside{
            const_cast<char *>("bash"), const_cast<char *>(QB_WAYLAND_SESSION_SCRIPT),
            const_cast<char *>(gnome ? "--desktop=gnome" : "--desktop=sway")};
        inside.insert(inside.end(), argv, argv + argc);
        inside.push_back(nullptr);
        std::fflush(stdout);
        execvp("bash", inside.data());
        std::perror("bash");
        return 1;
    }
    QApplication app(argc, argv);
    const bool gnome = app.arguments().contains("--wayland=gnome");
    const bool wayland = gnome || app.arguments().contains("--wayland");
    if (wayland && !qEnvironmentVariableIsEmpty("QB_WAYLAND_UNAVAILABLE")) {
        std::printf("bench_recording: no Wayland session: %s\n",
                    qPrintable(qEnvironmentVariable("QB_WAYLAND_UNAVAILABLE")));
        return 0;
    }
    if (!QX11Info::isPlatformX11()) {
        std::printf("bench_recording: needs an X server (run under xvfb-run)\n");
        return 0;
    }
    if (app.arguments().contains("--animate")) {
        MovingPicture picture;
        picture.setGeometry(QGuiApplication::primaryScreen()->geometry());
        picture.show();
        return app.exec();
    }
    av_log_set_level(AV_LOG_ERROR);
    int seconds = 60, soundMinutes = 10, killMinutes = 3;
    for (const QString &argument : app.arguments().mid(1)) {
        if (argument.startsWith("--wayland"))
            soundMinutes = killMinutes = 0;
        else if (argument.startsWith("--sound-minutes="))
            soundMinutes = std::max(0, argument.mid(16).toInt());
        else if (argument.startsWith("--kill-minutes="))
            killMinutes = std::max(0, argument.mid(15).toInt());
        else
            seconds = std::max(2, argument.toInt());
    }
    const QSize size = QGuiApplication::primaryScreen()->size();
    QTemporaryDir dir;
    appDataDir = dir.path();

    // The wlroots portal of that session cannot cast from a software-rendered compositor: the
    // tests' stand-in portal serves the screen there (grim's pictures on a PipeWire node).
    // GNOME's own portal asks: its dialog is answered while the recording starts.
    QProcess portal;
    if (gnome) {
        portal.start("python3", {QB_GNOME_HELPER, "share", "60"});
        portal.waitForStarted();
    } else if (wayland) {
        portal.setProcessChannelMode(QProcess::ForwardedChannels);
        portal.start(QStringLiteral(QB_PORTAL_STANDIN), QStringList());
        portal.waitForStarted();
        wait(1000);
    }

    QProcess animation;
    animation.start(app.applicationFilePath(), {"--animate"});
    animation.waitForStarted();
    wait(1500);

    VideoRecorder recorder;
    QString error;
    // No microphone on a build machine.
    const RecordingOptions options = setUp(recorder, size, 3, dir.path() + "/ours.mp4", error);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    recorder.start(options);
    if (gnome) {
        portal.terminate();
        clock.restart(); // the dialog's time is no recording time
    }
    wait(seconds * 1000);
    const double recorded = clock.elapsed() / 1000.0;
    recorder.stop();
    while (recorder.isRecording())
        wait(10);
    const double cpuOurs = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    if (!error.isEmpty()) {
        std::printf("recording failed: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%dx%d, %d s, moving picture\n", size.width(), size.height(), seconds);
    const Figures ours = measure(recorder.options().outputFileName, cpuOurs);
    print("ours", ours, recorded);

    QProcess ffmpeg;
    const QString ffmpegFile = dir.path() + "/ffmpeg.mp4";
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    if (!wayland)
        ffmpeg.start("ffmpeg", {"-y",
                                "-loglevel",
                                "error",
                                "-f",
                                "x11grab",
                                "-framerate",
                                "20",
                                "-video_size",
                                QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                                "-i",
                                qEnvironmentVariable("DISPLAY"),
                                "-t",
                                QString::number(seconds),
                                "-c:v",
                                "libx264",
                                "-preset",
                                "superfast",
                                "-pix_fmt",
                                "yuv420p",
                                ffmpegFile});
    if (wayland) {
        std::printf(
            "(Wayland session, %s: screen-cast portal and PipeWire; x11grab sees "
            "nothing)\n",
            gnome ? "GNOME" : "sway");
    } else if (!ffmpeg.waitForStarted()) {
        std::printf("ffmpeg   not installed: no comparison\n");
    } else {
        ffmpeg.waitForFinished((seconds + 60) * 1000);
        const Figures theirs = measure(ffmpegFile, cpuSeconds(RUSAGE_CHILDREN) - childBefore);
        print("ffmpeg", theirs, seconds);
        const double ratio =
            (ours.cpu / std::max(1, ours.frames)) / (theirs.cpu / std::max(1, theirs.frames));
        std::printf("CPU per frame, ours / ffmpeg: %.2f\n", ratio);
    }
    int status = 0;
    if (soundMinutes + killMinutes > 0) {
        // Qt's sound engine connects once per process: both runs use one daemon, the last
        // one kills it.
        PulseServer server;
        const QString failed =
            PulseServer::installed() ? server.start() : QStringLiteral("pulseaudio not installed");
        if (!failed.isEmpty()) {
            std::printf("sound    %s: no run with sound\n", qPrintable(failed));
            status = PulseServer::installed() ? 1 : 0;
        } else {
            if (soundMinutes > 0)
                status = soundRun(server, dir.path(), size, soundMinutes);
            if (killMinutes >= 3)
                status |= soundRun(server, dir.path(), size, killMinutes, 2);
            else if (killMinutes > 0)
                std::printf("killed   the server is killed at minute 2: needs 3 minutes or more\n");
        }
    }
    animation.kill();
    animation.waitForFinished();
    portal.kill();
    portal.waitForFinished();
    return status;
}
