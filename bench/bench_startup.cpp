// Start-up time: from process start until the main window is mapped and viewable on the X
// server, median of 10 runs from a clean home each, with the shared libraries mapped at that
// moment. When xournalpp is installed it is started the same way, alternating with ours, and
// the ratio of the medians is printed. Needs an X server (for example: xvfb-run
// build/bench_startup).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/globals.h"
#include "platform/windowtree.h"

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

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n == 0 ? 0 : (values[(n - 1) / 2] + values[n / 2]) / 2;
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

} // namespace

int main(int argc, char *argv[])
{
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
                    qPrintable(programs[p].name), median(t), *std::min_element(t.begin(), t.end()),
                    *std::max_element(t.begin(), t.end()));
    }
    for (int p = 0; p < programs.size(); ++p)
        printLibraries(programs[p], libraries[p]);
    if (programs.size() > 1)
        std::printf("ratio Quillboard / Xournal++: %.2f\n", median(times[0]) / median(times[1]));
    return 0;
}
