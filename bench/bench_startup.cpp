// Start-up time: from process start until the main window is mapped and viewable on the X
// server, median of 10 runs from a clean home each, with the shared libraries mapped at that
// moment. When xournalpp is installed it is started the same way, alternating with ours, and
// the ratio of the medians is printed. Then the first recording of a fresh process: from the
// record click to the first screen picture grabbed (the click loads the recording module),
// median of 10 processes. Needs an X server (for example: xvfb-run build/bench_startup).
// Another build of the program given as the argument is started alternating as well (to put
// before and after side by side in one sitting).
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>

#include "base/globals.h"
#include "documents/toolbarport.h"
#include "mainwindow/mainwindow.h"
#include "platform/framesource.h"
#include "platform/windowtree.h"
#include "recording/recordingbackend.h"
#include "recording/recordingengine.h"

#include "benchstats.h"
#include "windowsetup.h"

#include <X11/Xlib.h> // last: it defines macros that clash with Qt headers

namespace {

bool viewable(WindowHandle window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XWindowAttributes attributes;
    const bool ok =
        XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
    XCloseDisplay(display);
    return ok;
}

struct Program
{
    QString name;
    QString path;
    std::function<bool(const QString &)> isMainTitle;
};

struct Start
{
    double ms = -1;
    QSet<QString> libraries;
};

QSet<QString> mappedLibraries(qint64 pid)
{
    QSet<QString> libraries;
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return libraries;
    static const QRegularExpression library(QStringLiteral("(/\\S+\\.so(\\.[0-9.]+)?)$"));
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QRegularExpressionMatch match = library.match(QString::fromUtf8(line));
        if (match.hasMatch())
            libraries.insert(match.captured(1));
    }
    return libraries;
}

WindowHandle viewableMainWindow(const X11WindowTree &tree, const Program &program)
{
    for (WindowHandle window : tree.topLevelWindows()) {
        if (program.isMainTitle(tree.windowTitle(window).trimmed()) && viewable(window))
            return window;
    }
    return 0;
}

Start startOnce(const X11WindowTree &tree, const Program &program)
{
    Start start;
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.path() + "/data");
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_CACHE_HOME", home.path() + "/cache");
    env.remove("QT_QPA_PLATFORM");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program.path, QStringList());
    WindowHandle window = 0;
    while (timer.elapsed() < 20000 && !window) {
        window = viewableMainWindow(tree, program);
        if (!window)
            QThread::usleep(500);
    }
    if (window) {
        start.ms = timer.nsecsElapsed() / 1e6;
        start.libraries = mappedLibraries(process.processId());
    }
    process.kill();
    process.waitForFinished();
    return start;
}

int countMatching(const QSet<QString> &libraries, const QString &pattern)
{
    const QRegularExpression expression(pattern);
    return int(std::count_if(libraries.begin(), libraries.end(), [&](const QString &path) {
        return expression.match(path).hasMatch();
    }));
}

void printLibraries(const Program &program, const QSet<QString> &libraries)
{
    std::printf(
        "%s at its first window: %d shared libraries mapped (FFmpeg %d, OpenGL/Mesa %d, "
        "GStreamer %d, Qt Multimedia plugins %d)\n",
        qPrintable(program.name), int(libraries.size()),
        countMatching(libraries, "/lib(av|sw)[a-z]+\\.so"),
        countMatching(libraries, "swrast_dri|libLLVM|libGLX_mesa|libGL\\.so|libEGL"),
        countMatching(libraries, "libgst"),
        countMatching(libraries, "plugins/(mediaservice|audio|playlistformats)/"));
}

// The real screen and disk; the time of the first picture grabbed, in the writer's thread.
class FirstFrameBackend : public SystemRecordingBackend
{
    class Source : public FrameSource
    {
    public:
        Source(std::unique_ptr<FrameSource> inner, FirstFrameBackend &owner)
            : inner(std::move(inner))
            , owner(owner)
        {}
        bool open(const QRect &area) override { return inner->open(area); }
        QImage grab() override
        {
            QImage image = inner->grab();
            qint64 none = -1;
            if (!image.isNull())
                owner.firstFrameNs.compare_exchange_strong(none, owner.clock.nsecsElapsed());
            return image;
        }

    private:
        std::unique_ptr<FrameSource> inner;
        FirstFrameBackend &owner;
    };

public:
    std::unique_ptr<FrameSource> createFrameSource() override
    {
        return std::make_unique<Source>(SystemRecordingBackend::createFrameSource(), *this);
    }
    QElapsedTimer clock;
    std::atomic<qint64> firstFrameNs{-1};
};

// One fresh window records the whole screen without sound; prints the click to first frame.
int firstRecording(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/config");
    std::unique_ptr<MainWindow> window = startFirstRun(dir.path(), [&](MainWindow &m) {
        m.setHotKeyGrabber(std::make_unique<FakeGrabber>());
        m.settings.avoutpath = dir.path();
        m.settings.audiorecordtype = 3;
        m.settings.videoareatype = 0;
    });
    if (!QTest::qWaitForWindowExposed(window.get()))
        return 1;
    QTest::qWait(300);
    auto backend = std::make_shared<FirstFrameBackend>();
    window->setRecordingBackend(backend);
    backend->clock.start();
    window->toolBar()->clickRecordStart();
    QElapsedTimer waited;
    waited.start();
    while (backend->firstFrameNs < 0 && waited.elapsed() < 10000)
        QTest::qWait(1);
    const qint64 ns = backend->firstFrameNs;
    if (window->recorder()) {
        window->recorder()->stop();
        for (int i = 0; i < 1000 && window->recorder()->isRecording(); ++i)
            QTest::qWait(10);
    }
    std::printf("first-frame %.1f\n", ns < 0 ? -1.0 : ns / 1e6);
    return 0;
}

void benchFirstRecording()
{
    QList<double> times;
    for (int run = 0; run < 10; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--first-record")});
        child.waitForFinished(60000);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("first-frame (-?[0-9.]+)")).match(out);
        const double ms = match.hasMatch() ? match.captured(1).toDouble() : -1;
        if (ms < 0) {
            std::printf("first recording run %d: no frame grabbed\n", run + 1);
            return;
        }
        times.append(ms);
        std::printf("first recording run %d: %.1f ms\n", run + 1, ms);
    }
    std::printf("first record click to first grabbed frame: median %.1f ms (min %.1f, max %.1f)\n",
                median(times), minimum(times), maximum(times));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--first-record") == 0)
        return firstRecording(argc, argv);
    QCoreApplication app(argc, argv);
    X11WindowTree tree;
    if (!tree.isConnected()) {
        std::printf("bench_startup: no X server (set DISPLAY or run under xvfb-run)\n");
        return 0;
    }
    QList<Program> programs;
    programs.append({"Quillboard", QB_APP_PATH, [](const QString &t) { return t == appTitle; }});
    const QString other = QStandardPaths::findExecutable(QStringLiteral("xournalpp"));
    if (!other.isEmpty())
        programs.append({"Xournal++", other,
                         [](const QString &t) { return t.endsWith(QLatin1String("Xournal++")); }});
    else
        std::printf("xournalpp is not installed: Quillboard alone\n");
    if (argc > 1)
        programs.append({QStringLiteral("Quillboard at %1").arg(argv[1]), argv[1],
                         [](const QString &t) { return t == appTitle; }});

    QVector<QList<double>> times(programs.size());
    QVector<QSet<QString>> libraries(programs.size());
    for (int run = 0; run < 10; ++run) {
        for (int p = 0; p < programs.size(); ++p) {
            const Start start = startOnce(tree, programs[p]);
            if (start.ms < 0) {
                std::printf("%s run %d: no window within 20 s\n", qPrintable(programs[p].name),
                            run + 1);
                return 1;
            }
            times[p].append(start.ms);
            libraries[p] = start.libraries;
            std::printf("%s run %d: %.1f ms\n", qPrintable(programs[p].name), run + 1, start.ms);
        }
    }
    for (int p = 0; p < programs.size(); ++p) {
        const QList<double> &t = times[p];
        std::printf("%s start-up to mapped main window: median %.1f ms (min %.1f, max %.1f)\n",
                    qPrintable(programs[p].name), median(t), minimum(t), maximum(t));
    }
    for (int p = 0; p < programs.size(); ++p)
        printLibraries(programs[p], libraries[p]);
    if (programs.size() > 1)
        std::printf("ratio Quillboard / Xournal++: %.2f\n", median(times[0]) / median(times[1]));
    benchFirstRecording();
    return 0;
}
