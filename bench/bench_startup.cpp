// Start-up time: from process start until the main window is mapped and viewable on the X
// server, median of 10 runs. Needs an X server (for example: xvfb-run build/bench_startup).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "app/globals.h"
#include "app/windowsearch.h"
#include "platform/windowtree.h"

#include <X11/Xlib.h> // last: it defines macros that clash with Qt headers

static bool viewable(WindowHandle window)
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    X11WindowTree tree;
    if (!tree.isConnected()) {
        std::printf("bench_startup: no X server (set DISPLAY or run under xvfb-run)\n");
        return 0;
    }
    QList<double> times;
    for (int run = 0; run < 10; ++run) {
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dir.path() + "/data");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.remove("QT_QPA_PLATFORM");
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(QB_APP_PATH, QStringList());
        WindowHandle window = 0;
        while (timer.elapsed() < 20000) {
            if (findTopLevelWindowByTitle(tree, appTitle, window) && viewable(window))
                break;
            window = 0;
            QThread::usleep(500);
        }
        const double ms = timer.nsecsElapsed() / 1e6;
        process.kill();
        process.waitForFinished();
        if (!window) {
            std::printf("run %d: no window within 20 s\n", run + 1);
            return 1;
        }
        times.append(ms);
        std::printf("run %d: %.1f ms\n", run + 1, ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to mapped main window: median %.1f ms (min %.1f, max %.1f)\n",
                (times[4] + times[5]) / 2, times.first(), times.last());
    return 0;
}
