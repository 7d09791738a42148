// The live show under X: seconds from the open to the first live slide, cold (a new office
// profile) and warm (the office already running), milliseconds from a "next step" and a
// "next page" command to the show's next frame on screen, and the longest gap between two
// repaints of the window while the office starts and while a call hangs (the bridge and the
// office stopped until the time limit gives the show up). Run it on an X display (xvfb-run).
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

#include "../tests/boxanswerer.h"
#include "../tests/slidefixtures.h"
#include "../tests/windowsetup.h"
#include "canvas/canvas.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabitem.h"
#include "platform/processslideshowbridge.h"

namespace {

// Counts the window's repaints and keeps the longest gap between two.
class PaintGaps : public QObject
{
public:
    qint64 longest = 0;
    QElapsedTimer clock;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            if (clock.isValid())
                longest = std::max(longest, clock.restart());
            else
                clock.start();
        }
        return false;
    }
};

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

QImage hostShot(QWindow *host)
{
    const QPoint at = host->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), host->width(), host->height())
        .toImage();
}

// Milliseconds from the command to the first changed frame of the show.
double commandToFrame(MainWindow &w, int command)
{
    QWindow *host = w.slideShowHostWindow();
    const QImage before = hostShot(host);
    QElapsedTimer t;
    t.start();
    w.navigateSlideShow(command);
    waitFor([&] { return hostShot(host) != before; }, 3000);
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir data;
    appDataDir = data.path();
    const QString pptx = makeWithSoffice(
        data.filePath("deck.fodp"),
        flatPresentationXml({{"一", {}, {}}, {"二", {"备注"}, {}, false, true}, {"三", {}, {}}}),
        "pptx", data.filePath("make-profile"));
    if (pptx.isEmpty())
        return std::puts("needs LibreOffice"), 1;
    MainWindow w;
    runStartUpSteps(w);
    w.show();
    BoxAnswerer boxes("确定");
    PaintGaps gaps;
    w.installEventFilter(&gaps);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &w, [&] { w.update(); });
    repaint.start(16);
    for (const char *run : {"cold", "warm"}) {
        gaps.longest = 0;
        gaps.clock.invalidate();
        QElapsedTimer t;
        t.start();
        w.openFiles({pptx});
        if (!waitFor([&] { return w.isSlideShowAlive(); }, 90000))
            return std::puts("no live show"), 1;
        std::printf("open to first live slide, %s: %.2f s (longest repaint gap %lld ms)\n", run,
                    t.nsecsElapsed() / 1e9, gaps.longest);
        w.navigateSlideShow(4);
        waitFor([&] { return w.slidePage() == 2; }, 3000);
        QTest::qWait(500);
        std::printf("  next step to the show's next frame: %.1f ms\n", commandToFrame(w, 2));
        QTest::qWait(500);
        std::printf("  next page to the show's next frame: %.1f ms\n", commandToFrame(w, 4));
        if (QByteArray(run) == "warm") {
            auto *bridge = qobject_cast<ProcessSlideShowBridge *>(w.slideShowBridge());
            if (bridge && bridge->processId() > 0) {
                QTest::qWait(500);
                ::kill(-pid_t(bridge->processId()), SIGSTOP);
                gaps.longest = 0;
                gaps.clock.invalidate();
                QElapsedTimer hung;
                hung.start();
                w.navigateSlideShow(4);
                waitFor([&] { return !w.isSlideShowAlive(); }, 10000);
                std::printf("hung call: show given up after %.2f s (longest repaint gap %lld ms)\n",
                            hung.nsecsElapsed() / 1e9, gaps.longest);
            }
        }
        w.closeTab(w.currentTabItem());
        QTest::qWait(500);
    }
    w.close();
    return 0;
}
