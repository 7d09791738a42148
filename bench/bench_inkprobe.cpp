// Ink probe: how closely the ink on the screen follows the pointer. The main window runs in this
// process; XTest strokes (125 Hz, 8 px per event, horizontal) go through the X server as a pen
// would, and the stroke's rectangle is read back from the X framebuffer (XShmGetImage every
// 0.2 ms). For the pencil, pen and highlighter on a board and on a PDF page it prints the live
// ink's distance from the pointer (just before the next event), the newest segment's latency
// (from its event until ink reaches its end) and the first ink after the press. When xournalpp
// is installed, its pen is measured the same way on an X server of its own, stroke for stroke in
// turn with ours, and the ratios are printed.
// With --shot DIR the first stroke of each kind is saved halfway as DIR/ink-<kind>.png.
// Run: xvfb-run -a -s "-screen 0 1920x1080x24" build/bench_inkprobe [--strokes N] [--shot DIR]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "base/globals.h"
#include "canvas/canvas.h"
#include "documents/tabitem.h"
#include "drawing/paintproperty.h"
#include "mainwindow/mainwindow.h"
#include "pdf/pdfcanvas.h"

#include "benchstats.h"
#include "pdffixtures.h"
#include "windowsetup.h"

// X headers last: they define macros that clash with Qt's.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

namespace {
const int eventsPerStroke = 40;
const double eventMs = 8.0;
const int stepPx = 8;
const double pollMs = 0.2;
// Ink pixels differ from the picture before the press by more than this in some channel.
const int inkThreshold = 32;
// A segment counts as inked once the ink reaches this close to its end.
const double reachTolerance = 1.0;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(t - start).count();
}

struct StrokeResult
{
    bool ok = false;
    double firstInkMs = -1;
    std::vector<double> latencies;
    std::vector<double> distances;
};

// One X server: XTest input and shared-memory reads of a rectangle of the root window.
class XProbe
{
public:
    ~XProbe() { close(); }

    bool open(const QByteArray &name, const QSize &maxArea)
    {
        display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
        if (!display)
            return false;
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display, &event, &error, &major, &minor) ||
            !XShmQueryExtension(display))
            return false;
        root = DefaultRootWindow(display);
        // The server's software cursor is part of the framebuffer: it would read as ink.
        XFixesHideCursor(display, root);
        image = XShmCreateImage(display, DefaultVisual(display, DefaultScreen(display)),
                                DefaultDepth(display, DefaultScreen(display)), ZPixmap, nullptr,
                                &shm, maxArea.width(), maxArea.height());
        if (!image)
            return false;
        shm.shmid = shmget(IPC_PRIVATE, image->bytes_per_line * image->height, IPC_CREAT | 0600);
        shm.shmaddr = image->data = static_cast<char *>(shmat(shm.shmid, nullptr, 0));
        shm.readOnly = False;
        attached = XShmAttach(display, &shm);
        XSync(display, False);
        shmctl(shm.shmid, IPC_RMID, nullptr);
        return attached;
    }

    void close()
    {
        if (attached)
            XShmDetach(display, &shm);
        if (image) {
            shmdt(shm.shmaddr);
            image->data = nullptr;
            XDestroyImage(image);
        }
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        image = nullptr;
        attached = false;
    }

    Display *x() const { return display; }

    void moveTo(const QPoint &p)
    {
        XTestFakeMotionEvent(display, -1, p.x(), p.y(), CurrentTime);
        XFlush(display);
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XFlush(display);
    }
    void undoKey()
    {
        const KeyCode ctrl = XKeysymToKeycode(display, XK_Control_L);
        const KeyCode z = XKeysymToKeycode(display, XK_z);
        XTestFakeKeyEvent(display, ctrl, True, CurrentTime);
        XTestFakeKeyEvent(display, z, True, CurrentTime);
        XTestFakeKeyEvent(display, z, False, CurrentTime);
        XTestFakeKeyEvent(display, ctrl, False, CurrentTime);
        XFlush(display);
    }

    // The rectangle as 0xRRGGBB words; area must fit into the size given to open().
    bool grab(const QRect &area, std::vector<quint32> *out)
    {
        image->width = area.width();
        image->height = area.height();
        // The server writes the rows of the requested width packed, at 32 bits a pixel.
        image->bytes_per_line = area.width() * 4;
        if (!XShmGetImage(display, root, image, area.x(), area.y(), AllPlanes))
            return false;
        out->resize(size_t(area.width()) * area.height());
        for (int y = 0; y < area.height(); ++y) {
            const auto *line =
                reinterpret_cast<const quint32 *>(image->data + y * image->bytes_per_line);
            std::copy(line, line + area.width(), out->begin() + size_t(y) * area.width());
        }
        return true;
    }

    QSize screenSize() const
    {
        return QSize(DisplayWidth(display, DefaultScreen(display)),
                     DisplayHeight(display, DefaultScreen(display)));
    }

private:
    Display *display = nullptr;
    Window root = 0;
    XImage *image = nullptr;
    XShmSegmentInfo shm{};
    bool attached = false;
};

bool differs(quint32 a, quint32 b)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const int d = int((a >> shift) & 0xff) - int((b >> shift) & 0xff);
        if (d > inkThreshold || d < -inkThreshold)
            return true;
    }
    return false;
}

// Right edge of the ink relative to the stroke's start, or -1e9 without ink.
double inkReach(const std::vector<quint32> &now, const std::vector<quint32> &before,
                const QRect &area, int startX)
{
    for (int x = area.width() - 1; x >= 0; --x) {
        for (int y = 0; y < area.height(); ++y) {
            const size_t i = size_t(y) * area.width() + x;
            if (differs(now[i], before[i]))
                return area.x() + x + 1 - startX;
        }
    }
    return -1e9;
}

// A horizontal stroke from start: press, eventsPerStroke moves, release. With shot, the
// rectangle as the screen shows it halfway, just before the next event, is saved there.
StrokeResult probeStroke(XProbe &probe, const QPoint &start, const QString &shot)
{
    StrokeResult result;
    const int length = eventsPerStroke * stepPx;
    const QRect area(start.x() - 30, start.y() - 30, length + 60, 100);
    probe.moveTo(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    std::vector<quint32> before, now;
    if (!probe.grab(area, &before))
        return result;
    struct Sample
    {
        double ms;
        double reach;
    };
    std::vector<Sample> samples;
    std::vector<double> sent(eventsPerStroke + 1, 0.0);
    const Clock::time_point t0 = Clock::now();
    probe.button(true);
    int next = 1;
    bool released = false;
    const double endMs = (eventsPerStroke + 1) * eventMs + 80;
    for (double slot = 0;; slot += pollMs) {
        std::this_thread::sleep_until(t0 + std::chrono::microseconds(qint64(slot * 1000)));
        double t = msSince(t0, Clock::now());
        if (next <= eventsPerStroke && t >= next * eventMs) {
            if (next == eventsPerStroke / 2 + 1 && !shot.isEmpty())
                QImage(reinterpret_cast<const uchar *>(now.data()), area.width(), area.height(),
                       QImage::Format_RGB32)
                    .save(shot);
            probe.moveTo(start + QPoint(next * stepPx, 0));
            sent[next] = msSince(t0, Clock::now());
            ++next;
        } else if (!released && next > eventsPerStroke && t >= next * eventMs) {
            probe.button(false);
            released = true;
        }
        if (t > endMs)
            break;
        if (!probe.grab(area, &now))
            return result;
        t = msSince(t0, Clock::now());
        samples.push_back({t, inkReach(now, before, area, start.x())});
    }
    for (const Sample &s : samples) {
        if (s.reach > -1e8) {
            result.firstInkMs = s.ms;
            break;
        }
    }
    // Events near the end are left out: the release paints what is left.
    for (int i = 2; i <= eventsPerStroke - 3; ++i) {
        const double target = i * stepPx - reachTolerance;
        for (const Sample &s : samples) {
            if (s.ms >= sent[i] && s.reach >= target) {
                result.latencies.push_back(s.ms - sent[i]);
                break;
            }
        }
        double reach = -1e9;
        for (const Sample &s : samples) {
            if (s.ms >= sent[i + 1])
                break;
            reach = s.reach;
        }
        result.distances.push_back(qMax(0.0, i * stepPx - qMax(0.0, reach)));
    }
    result.ok = result.firstInkMs >= 0;
    return result;
}

struct Series
{
    QString name;
    std::vector<double> firstInk, latency, distance;
    QVector<QPoint> failed;
    void add(const StrokeResult &r, const QPoint &start)
    {
        if (!r.ok) {
            failed << start;
            return;
        }
        firstInk.push_back(r.firstInkMs);
        latency.insert(latency.end(), r.latencies.begin(), r.latencies.end());
        distance.insert(distance.end(), r.distances.begin(), r.distances.end());
    }
    void print() const
    {
        std::printf(
            "%-24s distance median %5.1f p95 %5.1f max %5.1f px | newest segment median "
            "%5.1f p95 %5.1f ms | first ink median %5.1f max %5.1f ms | %zu strokes",
            qPrintable(name), median(distance), percentile(distance, 0.95), maximum(distance),
            median(latency), percentile(latency, 0.95), median(firstInk), maximum(firstInk),
            firstInk.size());
        for (const QPoint &p : failed)
            std::printf(" [no ink at %d,%d]", p.x(), p.y());
        std::printf("\n");
    }
};

// Start points of strokes inside region, row by row.
QVector<QPoint> strokeStarts(const QRect &region)
{
    QVector<QPoint> starts;
    const int length = eventsPerStroke * stepPx + 60;
    for (int y = region.top() + 40; y + 60 < region.bottom(); y += 90) {
        for (int x = region.left() + 40; x + length < region.right(); x += length + 20)
            starts << QPoint(x, y);
    }
    return starts;
}

// Runs the probe on a thread of its own while this thread keeps the window's events going.
StrokeResult probeOnThread(XProbe &probe, const QPoint &start, bool undoAfter,
                           const QString &shot = QString())
{
    StrokeResult result;
    QEventLoop loop;
    std::thread worker([&] {
        result = probeStroke(probe, start, shot);
        if (undoAfter) {
            probe.undoKey();
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
        }
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return result;
}

// xournalpp on an X server of its own, its window over the whole screen.
struct Peer
{
    QProcess server;
    QProcess program;
    QTemporaryDir home;
    XProbe probe;
    QVector<QPoint> starts;

    ~Peer()
    {
        probe.close();
        program.kill();
        program.waitForFinished(3000);
        server.kill();
        server.waitForFinished(3000);
    }

    bool start(const QSize &screen)
    {
        int number = 140;
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            ++number;
        const QString name = QStringLiteral(":%1").arg(number);
        server.start(QStringLiteral("Xvfb"),
                     {name, "-screen", "0",
                      QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                      "-nolisten", "tcp"});
        if (!server.waitForStarted(5000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000 && !probe.open(name.toLatin1(), QSize(1000, 200))) {
            probe.close();
            QThread::msleep(100);
        }
        if (!probe.x())
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name);
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        env.insert("XDG_CACHE_HOME", home.path() + "/cache");
        env.insert("NO_AT_BRIDGE", "1");
        env.insert("GDK_BACKEND", "x11");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral("xournalpp"), QStringList());
        if (!program.waitForStarted(5000))
            return false;
        Window window = 0;
        for (timer.restart(); timer.elapsed() < 20000 && !window; QThread::msleep(200))
            window = largestWindow();
        if (!window)
            return false;
        XMoveResizeWindow(probe.x(), window, 0, 0, screen.width(), screen.height());
        XSync(probe.x(), False);
        QThread::msleep(2500);
        const QRect page = whitePage(screen);
        starts = strokeStarts(page.adjusted(0, 0, 0, -20));
        return !starts.isEmpty();
    }

    Window largestWindow()
    {
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        Window best = 0;
        int bestArea = 200 * 200;
        if (!XQueryTree(probe.x(), DefaultRootWindow(probe.x()), &rootReturn, &parent, &children,
                        &count))
            return 0;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(probe.x(), children[i], &a) && a.map_state == IsViewable &&
                a.width * a.height > bestArea) {
                best = children[i];
                bestArea = a.width * a.height;
            }
        }
        if (children)
            XFree(children);
        return best;
    }

    // The white page: the longest white run across the middle row, then down its middle.
    QRect whitePage(const QSize &screen)
    {
        std::vector<quint32> row, column;
        const int y = screen.height() / 2;
        QRect line(0, y, qMin(screen.width(), 1000), 1);
        int bestStart = 0, bestLength = 0;
        for (int x0 = 0; x0 < screen.width(); x0 += 1000) {
            line = QRect(x0, y, qMin(1000, screen.width() - x0), 1);
            if (!probe.grab(line, &row))
                return QRect();
            int run = 0;
            for (int x = 0; x < line.width(); ++x) {
                run = (row[x] & 0xffffff) == 0xffffff ? run + 1 : 0;
                if (run > bestLength) {
                    bestLength = run;
                    bestStart = x0 + x - run + 1;
                }
            }
        }
        const int cx = bestStart + bestLength / 2;
        int top = y, bottom = y;
        for (int y0 = 0; y0 < screen.height(); y0 += 200) {
            const QRect strip(cx, y0, 1, qMin(200, screen.height() - y0));
            if (!probe.grab(strip, &column))
                return QRect();
            for (int i = 0; i < strip.height(); ++i) {
                const bool white = (column[i] & 0xffffff) == 0xffffff;
                const int yy = y0 + i;
                if (white && yy < top && yy >= 0)
                    top = yy;
                if (white && yy > bottom)
                    bottom = yy;
            }
        }
        return QRect(QPoint(bestStart, top), QPoint(bestStart + bestLength - 1, bottom));
    }
};

struct OurTarget
{
    QString name;
    TabItem *tab;
    BoardEditing *board;
    QWidget *widget;
    int tool;
    QRect region;
};
} // namespace

int main(int argc, char *argv[])
{
    XInitThreads();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    int strokes = 20;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--strokes"));
    if (at > 0 && at + 1 < args.size())
        strokes = qMax(1, args.at(at + 1).toInt());
    const int shotAt = args.indexOf(QStringLiteral("--shot"));
    const QString shotDir =
        shotAt > 0 && shotAt + 1 < args.size() ? args.at(shotAt + 1) : QString();

    XProbe ours;
    if (!ours.open(QByteArray(), QSize(1000, 200))) {
        std::printf(
            "bench_inkprobe: needs an X server with XTest and MIT-SHM (run under "
            "xvfb-run)\n");
        return 0;
    }
    QTemporaryDir data;
    appDataDir = data.path();
    QApplication::setFont(QFont(QStringLiteral("SimHei"), 8));
    MainWindow window;
    mainWindow = &window;
    runStartUpSteps(window, [](MainWindow &m) { m.settings.winw = 0; });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("bench_inkprobe: the window did not show\n");
        return 1;
    }
    PaintProperty *tools = window.tools();
    tools->lineBoldSize = 4;
    tools->foreColor = QStringLiteral("#2040a0");
    tools->highlightSize = 2;

    window.newWhiteboardTab(QStringLiteral("#ffffff"));
    QTest::qWait(300);
    TabItem *boardTab = window.currentTabItem();
    const QString pdf = data.filePath(QStringLiteral("ink.pdf"));
    if (!writeTestPdf(pdf, a4Pages(2)) || !window.openPdfTab(pdf, QStringLiteral("ink.pdf"))) {
        std::printf("bench_inkprobe: could not open the test PDF\n");
        return 1;
    }
    QTest::qWait(800);
    TabItem *pdfTab = window.currentTabItem();
    if (!boardTab || !boardTab->canvas || !pdfTab || !pdfTab->pdfCanvas) {
        std::printf("bench_inkprobe: no board or PDF tab\n");
        return 1;
    }
    const auto visibleGlobal = [](QWidget *w) {
        const QRect r = w->visibleRegion().boundingRect();
        return QRect(w->mapToGlobal(r.topLeft()), r.size());
    };
    window.switchToTab(boardTab);
    QTest::qWait(300);
    const QRect boardRegion = visibleGlobal(boardTab->canvas);
    window.switchToTab(pdfTab);
    QTest::qWait(300);
    PdfCanvas *pdfCanvas = pdfTab->pdfCanvas;
    // The shown part of the page that fills most of the view (tab switches may scroll it).
    const auto pdfRegion = [&]() {
        QRect best;
        for (int i = 0; i < pdfCanvas->pageTops().size(); ++i) {
            const QRect page(QPoint(0, pdfCanvas->pageTops().at(i)),
                             QPoint(pdfCanvas->width() - 1, pdfCanvas->pageBottoms().at(i) - 1));
            const QRect shown = visibleGlobal(pdfCanvas).intersected(
                QRect(pdfCanvas->mapToGlobal(page.topLeft()), page.size()));
            if (shown.height() > best.height())
                best = shown;
        }
        return best;
    };

    QVector<OurTarget> targets;
    const struct
    {
        const char *name;
        int tool;
    } toolNames[] = {{"pencil", PaintTool::Pencil},
                     {"pen", PaintTool::Pen},
                     {"highlighter", PaintTool::Highlighter}};
    for (const auto &t : toolNames) {
        targets.append({QStringLiteral("board %1").arg(t.name), boardTab, boardTab->canvas,
                        boardTab->canvas, t.tool, boardRegion});
    }
    for (const auto &t : toolNames) {
        targets.append({QStringLiteral("PDF page %1").arg(t.name), pdfTab, pdfCanvas, pdfCanvas,
                        t.tool, QRect()});
    }

    Peer peer;
    const bool withPeer = QStandardPaths::findExecutable(QStringLiteral("xournalpp")).size() > 0 &&
                          peer.start(ours.screenSize());
    if (!withPeer)
        std::printf("xournalpp: not installed or did not start; only ours is measured\n");

    QVector<Series> series(targets.size());
    for (int i = 0; i < targets.size(); ++i)
        series[i].name = targets.at(i).name;
    Series peerSeries;
    peerSeries.name = QStringLiteral("xournalpp pen");
    for (int k = 0; k < strokes; ++k) {
        for (int i = 0; i < targets.size(); ++i) {
            const OurTarget &t = targets.at(i);
            if (window.currentTabItem() != t.tab) {
                window.switchToTab(t.tab);
                QTest::qWait(200);
            }
            tools->paintTool = t.tool;
            t.board->applyPaintTool();
            QTest::qWait(20);
            // Only where the board itself takes the whole stroke (no tool strip over it).
            QVector<QPoint> starts;
            for (const QPoint &p : strokeStarts(t.region.isNull() ? pdfRegion() : t.region)) {
                const QPoint end = p + QPoint(eventsPerStroke * stepPx, 0);
                if (QApplication::widgetAt(p) == t.widget &&
                    QApplication::widgetAt(end) == t.widget &&
                    QApplication::widgetAt(p + QPoint(0, 40)) == t.widget)
                    starts << p;
            }
            if (starts.isEmpty()) {
                std::printf("%s: no room for a stroke\n", qPrintable(t.name));
                return 1;
            }
            const QPoint start = starts.at(k % starts.size());
            const QString name = QString(t.name).replace(' ', '-');
            const QString shot =
                k == 0 && !shotDir.isEmpty() ? shotDir + "/ink-" + name + ".png" : QString();
            series[i].add(probeOnThread(ours, start, false, shot), start);
            QTest::qWait(30);
            t.board->undo();
            QTest::qWait(40);
            if (withPeer) {
                const QPoint start = peer.starts.at(k % peer.starts.size());
                const QString shot = k == 0 && i == 0 && !shotDir.isEmpty()
                                         ? shotDir + "/ink-xournalpp-pen.png"
                                         : QString();
                peerSeries.add(probeOnThread(peer.probe, start, true, shot), start);
            }
        }
    }
    std::printf("ink probe: %d strokes each, %d events at %.0f Hz, %d px per event\n", strokes,
                eventsPerStroke, 1000.0 / eventMs, stepPx);
    for (const Series &s : series)
        s.print();
    if (withPeer) {
        peerSeries.print();
        const double peerLatency = median(peerSeries.latency);
        const double peerFirst = median(peerSeries.firstInk);
        for (const Series &s : series) {
            std::printf("%-24s newest segment %.2fx xournalpp's, first ink %.2fx\n",
                        qPrintable(s.name), median(s.latency) / peerLatency,
                        median(s.firstInk) / peerFirst);
        }
    }
    mainWindow = nullptr;
    return 0;
}
