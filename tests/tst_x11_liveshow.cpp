#include <xcb/xcb.h>
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QX11Info>

#include <csignal>
#include <memory>

#include <unistd.h>

#include "canvas/canvas.h"
#include "documents/slideoutlinecombo.h"
#include "documents/tabitem.h"
#include "platform/childprocess.h"
#include "platform/documentconverter.h"
#include "platform/processslideshowbridge.h"
#include "platform/x11inputcatcher.h"
#include "slideshow/inkoverlay.h"
#include "slideshow/liveshow.h"
#include "slideshow/presentationloader.h"
#include "slideshow/remarkshower.h"

#include "boxanswerer.h"
#include "ownxvfb.h"
#include "processtree.h"
#include "requiredprograms.h"
#include "screenshotdir.h"
#include "slidefixtures.h"
#include "x11window.h"

namespace {

// Processes of a process group (the bridge's holds our office), by the kernel's table.
QList<qint64> groupMembers(qint64 group, const QString &name = QString())
{
    QList<qint64> pids;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QByteArray stat = FileSystem::readAll("/proc/" + entry + "/stat");
        // pid (comm) state ppid pgrp ...
        const int close = stat.lastIndexOf(')');
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        const QString comm =
            QString::fromUtf8(stat.mid(stat.indexOf('(') + 1, close - stat.indexOf('(') - 1));
        if (fields.size() > 2 && fields.at(2).toLongLong() == group && fields.at(0) != "Z" &&
            (name.isEmpty() || comm == name))
            pids << pid;
    }
    return pids;
}

// The office's pipe for finding other copies of itself, as the process pid listens on it.
QString instancePipeOf(qint64 pid)
{
    QSet<QByteArray> sockets;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
        char link[64];
        const ssize_t n =
            ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), link, sizeof link);
        if (n > 0)
            sockets << QByteArray(link, int(n));
    }
    // Num RefCount Protocol Flags Type St Inode Path
    const QByteArray prefix =
        QStringLiteral("/tmp/OSL_PIPE_%1_SingleOfficeIPC_").arg(::getuid()).toUtf8();
    for (const QByteArray &line : FileSystem::readAll("/proc/net/unix").split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 8 && fields.at(7).startsWith(prefix) &&
            sockets.contains("socket:[" + fields.at(6) + ']'))
            return QString::fromUtf8(fields.at(7));
    }
    return QString();
}

qint64 bridgeGroup(MainWindow &w)
{
    auto *bridge = qobject_cast<ProcessSlideShowBridge *>(w.slideShowBridge());
    return bridge ? bridge->processId() : 0;
}

template <class Area>
QImage screenArea(Area *widget)
{
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

// The middle of the click box in a picture of its slide.
bool boxIn(const QImage &shot)
{
    const QRectF box = shownBoxArea();
    const QColor c = shot.pixelColor(int(shot.width() * box.center().x()),
                                     int(shot.height() * box.center().y()));
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

// The click box, as the show draws it in its window.
bool boxShown(QWindow *host)
{
    return boxIn(screenArea(host));
}

// The overlay's backdrop (without a compositing manager) shows the click box; false with
// no backdrop.
bool boxInBackdrop(MainWindow &w, bool box)
{
    const QImage backdrop = w.slideInkOverlay()->backdrop().toImage();
    return !backdrop.isNull() && boxIn(backdrop) == box;
}

QString presentation(X11Window &x, const QString &name)
{
    return makeWithSoffice(x.data.filePath(name + ".fodp"),
                           flatPresentationXml({{"第一页", {"复习"}, {}},
                                                {"第二页", {"先看图，", "再点击"}, {}, false, true},
                                                {"隐藏页", {"不该出现"}, "#ff0000", true},
                                                {"第三页", {}, {}}}),
                           "pptx", x.data.filePath("make-profile"));
}

// Whether the screen shows dark ink within a few pixels of the board's point at.
bool inkOnScreen(QWidget *canvas, const QPoint &at)
{
    const QPoint global = canvas->mapToGlobal(at) - QPoint(3, 3);
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 7, 7).toImage();
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixelColor(x, y).lightness() < 80)
                return true;
        }
    }
    return false;
}

// Whether the show's X window lies exactly over the page picture, in device pixels.
bool showInPlace(QWindow *host, QWidget *picture)
{
    xcb_connection_t *c = QX11Info::connection();
    const xcb_window_t window = xcb_window_t(host->winId());
    auto *at = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, QX11Info::appRootWindow(), 0, 0), nullptr);
    auto *size = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const qreal ratio = picture->devicePixelRatioF();
    const QRect want(picture->mapToGlobal(QPoint()) * ratio, picture->size() * ratio);
    const QRect real =
        at && size ? QRect(at->dst_x, at->dst_y, size->width, size->height) : QRect();
    free(at);
    free(size);
    const bool inPlace = qAbs(real.x() - want.x()) <= 1 && qAbs(real.y() - want.y()) <= 1 &&
                         qAbs(real.width() - want.width()) <= 1 &&
                         qAbs(real.height() - want.height()) <= 1;
    if (!inPlace)
        qWarning() << "show at" << real << "page picture at" << want;
    return inPlace;
}

// Openbox for one case, ended with the case, managing windows on return; the case failed when
// it did not start.
void startWindowManager(std::unique_ptr<ChildProcess> &manager)
{
    manager = std::make_unique<ChildProcess>();
    const QString failed = startRequired(*manager, "openbox", {"--sm-disable"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QTRY_VERIFY(X11InputCatcher::windowManagerRunning());
}

void clickWidget(QWidget *widget)
{
    moveTo(widget->mapToGlobal(widget->rect().center()));
    xdo({"click", "1"});
}

void drawStroke(Canvas *canvas)
{
    const QPoint from = canvas->mapToGlobal(QPoint(canvas->width() / 5, canvas->height() / 4));
    moveTo(from);
    xdo({"mousedown", "1"});
    for (int i = 1; i <= 12; ++i)
        moveTo(from + QPoint(i * 30, (i % 4) * 6));
    xdo({"mouseup", "1"});
}

// A window with the live show of a deck made of slides (the lesson's when none), its boxes
// answered "OK"; left empty when the test failed or was skipped on the way.
struct LiveLesson
{
    X11Window x;
    MainWindow &w = x.window;
    std::unique_ptr<BoxAnswerer> boxes;
    QString pptx;
};

void openLive(std::unique_ptr<LiveLesson> &lesson, const QString &name,
              const QList<SlideSpec> &slides = {})
{
    QB_SKIP_WITHOUT_XDOTOOL();
    auto made = std::make_unique<LiveLesson>();
    X11Window &x = made->x;
    made->pptx = slides.isEmpty()
                     ? presentation(x, name)
                     : makeWithSoffice(x.data.filePath(name + ".fodp"), flatPresentationXml(slides),
                                       "pptx", x.data.filePath("make-profile"));
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY2(!made->pptx.isEmpty(), "LibreOffice did not write the deck");
    QVERIFY(x.shown());
    made->boxes = std::make_unique<BoxAnswerer>("OK");
    made->w.openFilesFromArguments({made->pptx});
    QTRY_VERIFY2_WITH_TIMEOUT(made->w.isSlideShowAlive(), qPrintable(made->w.statusText()), 90000);
    lesson = std::move(made);
}

// Opens the live show into `lesson`, with `w` its window; returns when it could not.
#define QB_OPEN_LIVE(lesson, ...)       \
    std::unique_ptr<LiveLesson> lesson; \
    openLive(lesson, __VA_ARGS__);      \
    if (!lesson)                        \
        return;                         \
    MainWindow &w = lesson->w

// The outermost pixel rows and columns of the show's area that are not the slide's blue;
// every one of them should be.
QStringList offEdges(const QImage &shot)
{
    QStringList off;
    auto check = [&](int x, int y) {
        const QColor c = shot.pixelColor(x, y);
        if (c.blue() <= c.red() + 80 && off.size() < 8)
            off << QStringLiteral("%1,%2 %3").arg(x).arg(y).arg(c.name());
    };
    for (int x = 0; x < shot.width(); ++x) {
        check(x, 0);
        check(x, shot.height() - 1);
    }
    for (int y = 0; y < shot.height(); ++y) {
        check(0, y);
        check(shot.width() - 1, y);
    }
    return off;
}

// A blue deck fills the show's area, its page picture, to the last pixel at each edge (no
// line of the office's own), at this scale, also after a resize.
void showFillsItsArea()
{
    QB_OPEN_LIVE(lesson, "蓝色", {{"蓝", {}, "#2040c0"}, {"蓝", {}, "#2040c0"}});
    QWindow *host = w.slideShowHostWindow();
    QWidget *picture = w.currentTabItem()->slideBackground;
    QTRY_VERIFY(showInPlace(host, picture));
    QTest::qWait(1000);
    const QImage shot = screenArea(host);
    // In device pixels: at a Qt scale of 2, twice the logical size.
    const qreal ratio = shot.width() / qreal(host->width());
    QVERIFY2(qAbs(ratio - host->devicePixelRatio()) < 0.1, qPrintable(QString::number(ratio)));
    // The blue slide fills the whole area, not a quarter of it.
    const int right = shot.width() * 98 / 100;
    const int bottom = shot.height() * 98 / 100;
    const int left = shot.width() / 50;
    for (const QPoint &p :
         {QPoint(left, bottom / 2), QPoint(right, bottom / 2), QPoint(right / 2, left),
          QPoint(right / 2, bottom), QPoint(right / 2, bottom * 9 / 10)}) {
        const QColor c = shot.pixelColor(p);
        QVERIFY2(c.blue() > c.red() + 80,
                 qPrintable(QString("%1,%2 %3").arg(p.x()).arg(p.y()).arg(c.name())));
    }
    // The office's lines stay; a slow redraw does not.
    const auto edges = [&] { return offEdges(screenArea(host)).join("; "); };
    QTRY_VERIFY2_WITH_TIMEOUT(edges().isEmpty(), qPrintable(edges()), 5000);
    // Again on the next slide, after a resize of the window.
    w.resize(w.width() - 97, w.height() - 61);
    click(buttonWithTip(&w, "下一页"));
    QTRY_COMPARE(w.slidePage(), 2);
    QTRY_VERIFY(showInPlace(host, picture));
    QTest::qWait(1000);
    QTRY_VERIFY2_WITH_TIMEOUT(edges().isEmpty(), qPrintable(edges()), 5000);
    w.closeAllTabs();
    w.close();
}

} // namespace

// The live show of a presentation in the slide tab, with and without a compositing manager:
// on-click effects step by step, ink kept per slide above the show, the export of a page,
// the mouse tool clicking the show on, the notes of the running document; and the loss of the
// office mid-show. Screenshots "liveshow-<case>.png" of the whole screen (the show is another
// program's window).
class X11LiveShowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QB_REQUIRE_PROGRAMS({"soffice", "xdotool", "openbox", "xcompmgr", "Xvfb"});
    }
    void lessonInLiveShow_data();
    void lessonInLiveShow();
    void officeKilledMidShow();
    void anotherOfficeKeepsItsPipe();
    void showLoopsAndKeepsItsStep();
    void fillsItsArea();
    void atScaleTwo();
    void closeQuestionOverTheShow();
    void penAlwaysDrawsOverTheShow_data();
    void penAlwaysDrawsOverTheShow();
    void picturesOfTheSlideOnShow();
    void failedOpenLeavesNoOffice_data();
    void failedOpenLeavesNoOffice();
};

void X11LiveShowTest::lessonInLiveShow_data()
{
    QTest::addColumn<bool>("composited");
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("plain") << false << false;
    QTest::newRow("composited") << true << false;
    QTest::newRow("openbox") << false << true;
}

void X11LiveShowTest::lessonInLiveShow()
{
    QFETCH(bool, composited);
    QB_SKIP_WITHOUT_XDOTOOL();
    std::unique_ptr<ChildProcess> compositor;
    if (composited) {
        compositor = std::make_unique<ChildProcess>();
        const QString failed = startRequired(*compositor, "xcompmgr");
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QTRY_VERIFY(QX11Info::isCompositingManagerRunning());
    }
    QFETCH(bool, windowManager);
    std::unique_ptr<ChildProcess> manager;
    if (windowManager)
        startWindowManager(manager);
    if (QTest::currentTestFailed())
        return;
    {
        X11Window x;
        MainWindow &w = x.window;
        const QString pptx = presentation(x, "第二课");
        QB_REQUIRE_PROGRAM("soffice");
        QVERIFY2(!pptx.isEmpty(), "LibreOffice did not write the deck");
        w.settings.showremark = true;
        QVERIFY(x.shown());
        BoxAnswerer boxes("OK");
        w.openFilesFromArguments({pptx});
        QTRY_VERIFY_WITH_TIMEOUT(w.currentTabItem(), 90000);
        QTRY_VERIFY2_WITH_TIMEOUT(w.isSlideShowAlive(), qPrintable(w.statusText()), 90000);
        QCOMPARE(boxes.texts, QStringList());
        QCOMPARE(w.statusText(), QString());
        QWindow *host = w.slideShowHostWindow();
        Canvas *canvas = w.currentTabItem()->canvas;
        QCOMPARE(w.slideInkOverlay()->isComposited(), composited);
        QCOMPARE(w.slidePage(), 1);

        // Next page: slide 2 without its box; next step: the box, on the same page; again:
        // slide 3.
        click(buttonWithTip(&w, "下一页"));
        QTRY_COMPARE(w.slidePage(), 2);
        QTest::qWait(800);
        QVERIFY(!boxShown(host));
        // The ink's backdrop is the step on screen, not the PDF copy's final picture.
        QTRY_VERIFY_WITH_TIMEOUT(boxIn(w.slidePageImage(1)), 60000);
        if (!composited)
            QTRY_VERIFY(boxInBackdrop(w, false));
        QCOMPARE(w.remarkPanel()->remark(), QStringLiteral("先看图， 再点击"));
        click(buttonWithTip(&w, "下一步"));
        QTRY_VERIFY_WITH_TIMEOUT(boxShown(host), 5000);
        QTest::qWait(500);
        QVERIFY(boxShown(host));
        QCOMPARE(w.slidePage(), 2);
        if (!composited)
            QTRY_VERIFY(boxInBackdrop(w, true));
        // The copy of the live page is the step on screen: with the box.
        QVERIFY(boxIn(canvas->pageImage(false).toImage()));

        // The revealed step survives a resize, a maximise and back, a move, the side panel
        // and a tab switch; the show lies over its page picture after each.
        TabItem *slides = w.currentTabItem();
        QWidget *picture = slides->slideBackground;
        const QList<std::function<void()>> moves = {
            [&] { w.resize(w.width() - 240, w.height() - 120); },
            [&] { w.toggleMaximized(); },
            [&] { w.toggleMaximized(); },
            [&] { w.move(w.pos() + QPoint(40, 30)); },
            [&] { w.setPersonalPanelFolded(true); },
            [&] { w.setPersonalPanelFolded(false); },
            [&] {
                w.newWhiteboardTab("#ffffff");
                QTest::qWait(300);
                slides->click();
            },
        };
        for (int i = 0; i < moves.size(); ++i) {
            moves.at(i)();
            QTest::qWait(1200);
            QTRY_VERIFY2(showInPlace(host, picture), qPrintable(QString::number(i)));
            // A step undone never comes back; one slowly redrawn does.
            QTRY_VERIFY2_WITH_TIMEOUT(boxShown(host), qPrintable(QString::number(i)), 5000);
            QCOMPARE(w.slidePage(), 2);
        }
        click(buttonWithTip(&w, "下一步"));
        QTRY_COMPARE(w.slidePage(), 3);

        // Ink on slide 3 stays with it; the page's export holds the slide and the ink.
        click(buttonWithTip(&w, "钢笔"));
        const QPoint inkAt(canvas->width() / 5 + 180, canvas->height() / 4 + 12);
        QVERIFY(!inkOnScreen(canvas, inkAt));
        drawStroke(canvas);
        QTRY_VERIFY(canvas->hasDrawing());
        // The ink is seen on the screen, over the show.
        QTRY_VERIFY(inkOnScreen(canvas, inkAt));
        click(buttonWithTip(&w, "上一页"));
        QTRY_COMPARE(w.slidePage(), 2);
        QVERIFY(!canvas->hasDrawing());
        click(buttonWithTip(&w, "下一页"));
        QTRY_COMPARE(w.slidePage(), 3);
        QVERIFY(canvas->hasDrawing());
        QTest::qWait(800);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
            screenshotDir() + "/liveshow-" + QTest::currentDataTag() + ".png"));
        const QImage page = canvas->pageImage(false).toImage();
        QVERIFY(!page.isNull());
        const double scale = double(page.width()) / canvas->width();
        const QColor ink = page.pixelColor(
            QPointF(canvas->width() / 5 + 180, canvas->height() / 4 + 12).toPoint() * scale);
        const QColor title = page.pixelColor(int(page.width() * 0.6), int(page.height() * 0.2));
        QVERIFY2(ink.lightness() < 120, qPrintable(ink.name()));
        QVERIFY2(title.blue() > title.red() + 40, qPrintable(title.name()));

        // With the mouse tool a click on the slide moves the show on, and the page follows;
        // the board's own step buttons over the show take their clicks.
        click(buttonWithTip(&w, "上一页"));
        QTRY_COMPARE(w.slidePage(), 2);
        click(buttonWithTip(&w, "鼠标工具"));
        QTest::qWait(500);
        QVERIFY(canvas->nextStepButton()->isVisible());
        clickWidget(canvas->nextStepButton());
        QTRY_VERIFY(boxShown(host));
        clickWidget(canvas->previousStepButton());
        QTRY_VERIFY(!boxShown(host));
        QCOMPARE(w.slidePage(), 2);
        moveTo(host->mapToGlobal(QPoint(host->width() / 2, host->height() * 9 / 10)));
        xdo({"click", "1"});
        QTRY_VERIFY(boxShown(host));
        xdo({"click", "1"});
        QTRY_COMPARE(w.slidePage(), 3);
        // The page keys turn pages with the pointer over the show, never reaching the office.
        xdo({"key", "Left"});
        QTRY_COMPARE(w.slidePage(), 2);
        xdo({"key", "Right"});
        QTRY_COMPARE(w.slidePage(), 3);
        QTest::qWait(500);
        QVERIFY(!boxShown(host));
        // Page turns wrap round at either end; the show goes with them, past the hidden slide
        // (all red), which neither the show nor the pages count.
        click(buttonWithTip(&w, "下一页"));
        QTRY_COMPARE(w.slidePage(), 1);
        click(buttonWithTip(&w, "上一页"));
        QTRY_COMPARE(w.slidePage(), 3);
        QTest::qWait(800);
        QCOMPARE(w.slidePage(), 3);
        QVERIFY(!boxShown(host));

        const qint64 group = bridgeGroup(w);
        QVERIFY(!groupMembers(group, "soffice.bin").isEmpty());
        w.closeAllTabs();
        w.close();
        QTRY_COMPARE(groupMembers(group), QList<qint64>());
    }
}

void X11LiveShowTest::officeKilledMidShow()
{
    QB_OPEN_LIVE(lesson, "第三课");
    const QString pptx = lesson->pptx;
    std::unique_ptr<BoxAnswerer> &boxes = lesson->boxes;
    click(buttonWithTip(&w, "下一页"));
    QTRY_COMPARE(w.slidePage(), 2);
    Canvas *canvas = w.currentTabItem()->canvas;
    click(buttonWithTip(&w, "钢笔"));
    drawStroke(canvas);
    QTRY_VERIFY(canvas->hasDrawing());

    const qint64 group = bridgeGroup(w);
    const QList<qint64> office = groupMembers(group, "soffice.bin");
    QCOMPARE(office.size(), 1);
    ::kill(pid_t(office.first()), SIGKILL);
    // The next command finds the show gone: picture mode on the same slide, the ink kept.
    click(buttonWithTip(&w, "鼠标工具"));
    QTRY_COMPARE(w.statusText(), QStringLiteral("幻灯片模式异常退出，转入图片模式"));
    QVERIFY(!w.isSlideShowAlive());
    QCOMPARE(w.slidePage(), 2);
    QVERIFY(canvas->hasDrawing());
    QVERIFY(canvas->isVisible());
    QTRY_COMPARE(groupMembers(group), QList<qint64>());
    // Ours only: another program's test may run beside this one.
    const QString ours = QStringLiteral("OSL_PIPE_*quillboard-%1-*").arg(qApp->applicationPid());
    const QStringList pipes = QDir("/tmp").entryList({ours}, QDir::System);
    QCOMPARE(pipes, QStringList());
    QCOMPARE(boxes->texts, QStringList());
    boxes.reset();

    // Picture mode turns pages, with the keys too; closing the tab and opening again gives a
    // live show.
    click(buttonWithTip(&w, "下一页"));
    QTRY_COMPARE(w.slidePage(), 3);
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 1);
    {
        BoxAnswerer sure(QStringLiteral("确定"));
        w.closeTab(w.currentTabItem());
    }
    QTRY_VERIFY(!w.currentTabItem());
    w.openFilesFromArguments({pptx});
    QTRY_VERIFY_WITH_TIMEOUT(w.isSlideShowAlive(), 90000);
    QCOMPARE(w.slidePage(), 1);
    const qint64 second = bridgeGroup(w);
    w.closeAllTabs();
    w.close();
    QTRY_COMPARE(groupMembers(second), QList<qint64>());
}

// The teacher's own office, started while ours loads, names its instance pipe as ours does: a
// killed office of ours takes its own pipe along, never hers.
void X11LiveShowTest::anotherOfficeKeepsItsPipe()
{
    QB_OPEN_LIVE(lesson, "第六课");
    // Our office's profile has seen its first start (which restarts the office once): the next
    // one starts at once.
    ::kill(pid_t(groupMembers(bridgeGroup(w), "soffice.bin").value(0)), SIGKILL);
    QTRY_COMPARE(w.statusText(), QStringLiteral("幻灯片模式异常退出，转入图片模式"));
    QCOMPARE(lesson->boxes->texts, QStringList());
    lesson->boxes.reset();
    {
        BoxAnswerer sure(QStringLiteral("确定"));
        w.closeTab(w.currentTabItem());
    }
    QTRY_VERIFY(!w.currentTabItem());

    // Sorted after any name the office gives (hexadecimal digits).
    const QString foreign = QStringLiteral("/tmp/OSL_PIPE_%1_SingleOfficeIPC_zz-quillboard-test-%2")
                                .arg(::getuid())
                                .arg(qApp->applicationPid());
    QLocalServer::removeServer(foreign);
    QLocalServer teacher;
    bool beforeOurs = false;
    // Once our office runs and before it listens on our pipe.
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        const qint64 group = bridgeGroup(w);
        if (!group || groupMembers(group, "soffice.bin").isEmpty())
            return;
        watch.stop();
        const QString ours =
            QStringLiteral("OSL_PIPE_*quillboard-%1-*").arg(qApp->applicationPid());
        beforeOurs = QDir("/tmp").entryList({ours}, QDir::System).isEmpty();
        teacher.listen(foreign);
    });
    watch.start(5);
    w.openFilesFromArguments({lesson->pptx});
    QTRY_VERIFY2_WITH_TIMEOUT(w.isSlideShowAlive(), qPrintable(w.statusText()), 90000);
    QVERIFY(teacher.isListening());
    QVERIFY(beforeOurs);
    const qint64 group = bridgeGroup(w);
    const QList<qint64> office = groupMembers(group, "soffice.bin");
    QCOMPARE(office.size(), 1);
    const QString own = instancePipeOf(office.first());
    QVERIFY(!own.isEmpty());
    QVERIFY(own != foreign);
    // Killed, our office leaves its pipes to the bridge to take away.
    ::kill(pid_t(office.first()), SIGKILL);
    QTRY_COMPARE(w.statusText(), QStringLiteral("幻灯片模式异常退出，转入图片模式"));
    QTRY_COMPARE(groupMembers(group), QList<qint64>());
    QTRY_VERIFY(!QFileInfo::exists(own));
    QVERIFY(QFileInfo::exists(foreign));
    {
        BoxAnswerer sure(QStringLiteral("确定"));
        w.closeAllTabs();
    }
    w.close();
    QVERIFY(QFileInfo::exists(foreign));
}

// The office's own show, as the bridge drives it: going to the slide on show (what a resize or
// a tab switch sends) keeps its revealed step, and a step past the last slide goes on with the
// first, the show still live (never the office's black end screen).
void X11LiveShowTest::showLoopsAndKeepsItsStep()
{
    QB_OPEN_LIVE(lesson, "第四课");
    QWindow *host = w.slideShowHostWindow();
    click(buttonWithTip(&w, "下一页"));
    QTRY_COMPARE(w.slidePage(), 2);
    click(buttonWithTip(&w, "下一步"));
    QTRY_VERIFY_WITH_TIMEOUT(boxShown(host), 5000);
    SlideShowBridge *bridge = w.slideShowBridge();
    bridge->send(SlideShowBridge::GotoSlide, 2);
    bridge->resize(host->size() - QSize(40, 30));
    bridge->resize(host->size());
    QTRY_VERIFY(!bridge->isBusy());
    QTest::qWait(800);
    QTRY_VERIFY_WITH_TIMEOUT(boxShown(host), 5000);
    QCOMPARE(w.slidePage(), 2);

    click(buttonWithTip(&w, "下一步"));
    QTRY_COMPARE(w.slidePage(), 3);
    click(buttonWithTip(&w, "下一步"));
    QTRY_COMPARE(w.slidePage(), 1);
    QTest::qWait(800);
    QVERIFY(w.isSlideShowAlive());
    // The first slide's white paper, not the end screen's black (which stays until a click).
    const auto paper = [&] {
        const QImage shot = screenArea(host);
        return shot.pixelColor(shot.width() / 2, shot.height() * 3 / 4);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(paper().lightness() > 200, qPrintable(paper().name()), 5000);
    click(buttonWithTip(&w, "下一步"));
    QTRY_COMPARE(w.slidePage(), 2);
    QVERIFY(w.isSlideShowAlive());
    QCOMPARE(lesson->boxes->texts, QStringList());
    w.closeAllTabs();
    w.close();
}

void X11LiveShowTest::fillsItsArea()
{
    showFillsItsArea();
}

void X11LiveShowTest::atScaleTwo()
{
    // At a Qt scale of 2 the show fills its page picture too, sized in device pixels.
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        runOnOwnXvfb("2732x1536x24", {"atScaleTwo"}, {{"QT_SCALE_FACTOR", "2"}});
        return;
    }
    showFillsItsArea();
}

void X11LiveShowTest::closeQuestionOverTheShow()
{
    // With a drawing tool the pointer catcher lies over the show: our own question comes
    // above it, and its "确定" takes the pointer's click.
    QB_OPEN_LIVE(lesson, "第五课");
    lesson->boxes.reset();
    click(buttonWithTip(&w, "钢笔"));
    QWindow *host = w.slideShowHostWindow();
    bool overShow = false;
    // The question waits in its own loop: the pointer clicks from in there.
    QTimer pointer;
    connect(&pointer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QAbstractButton *sure = nullptr;
        for (QAbstractButton *button : box ? box->buttons() : QList<QAbstractButton *>()) {
            if (button->text() == QStringLiteral("确定"))
                sure = button;
        }
        if (!sure)
            return;
        pointer.stop();
        box->move(host->mapToGlobal(QPoint(host->width(), host->height()) / 2) -
                  QPoint(box->width(), box->height()) / 2);
        QTest::qWait(500);
        const QPoint at = sure->mapToGlobal(sure->rect().center());
        overShow = QRect(host->mapToGlobal(QPoint()), host->size()).contains(at);
        moveTo(at);
        QProcess::execute(QStringLiteral("xdotool"), {"click", "1"});
        // A click that does not reach the button leaves the question up: it goes after a while,
        // the test failed.
        QTimer::singleShot(5000, box, [box] { box->reject(); });
    });
    pointer.start(50);
    w.closeTab(w.currentTabItem());
    QVERIFY(overShow);
    QTRY_VERIFY(!w.currentTabItem());
    w.close();
}

void X11LiveShowTest::penAlwaysDrawsOverTheShow_data()
{
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("plain") << false;
    QTest::newRow("openbox") << true;
}

// While a drawing tool is chosen every stroke on the live slide is ink on our board, whatever
// chose the tool and whatever moved the show before; it never reaches the show as a click.
void X11LiveShowTest::penAlwaysDrawsOverTheShow()
{
    QFETCH(bool, windowManager);
    QB_SKIP_WITHOUT_XDOTOOL();
    std::unique_ptr<ChildProcess> manager;
    if (windowManager)
        startWindowManager(manager);
    if (QTest::currentTestFailed())
        return;
    QB_OPEN_LIVE(lesson, "第六课");
    QWindow *host = w.slideShowHostWindow();
    Canvas *canvas = w.currentTabItem()->canvas;
    LiveShow *show = w.liveShowController();
    int strokes = 0;
    // A stroke on its own row of the slide: ink where it went, the show where it was.
    const auto strokeLeavesInk = [&](const char *after) {
        QTRY_COMPARE_WITH_TIMEOUT(show->shownSlide(), w.slidePage(), 5000);
        const int page = w.slidePage();
        const int slide = show->shownSlide();
        const bool box = boxShown(host);
        const QPoint from(canvas->width() / 6, canvas->height() / 8 + (strokes % 6) * 40);
        ++strokes;
        moveTo(canvas->mapToGlobal(from));
        xdo({"mousedown", "1"});
        for (int i = 1; i <= 10; ++i)
            moveTo(canvas->mapToGlobal(from + QPoint(i * 25, (i % 2) * 4)));
        xdo({"mouseup", "1"});
        QTRY_VERIFY2_WITH_TIMEOUT(inkOnScreen(canvas, from + QPoint(125, 4)), after, 5000);
        QVERIFY2(canvas->hasDrawing(), after);
        QTest::qWait(800);
        QVERIFY2(w.slidePage() == page && show->shownSlide() == slide, after);
        QVERIFY2(boxShown(host) == box, after);
    };
    // The pen, then a preset brush, both picked while the show runs.
    click(buttonWithTip(&w, "钢笔"));
    click(w.findChild<QAbstractButton *>("presetButton1"));
    strokeLeavesInk("a preset brush");
    // The bar's next step moves onto slide 2 (slide 1 has no effect).
    click(buttonWithTip(&w, "下一步"));
    QTRY_COMPARE(w.slidePage(), 2);
    QTRY_COMPARE(show->shownSlide(), 2);
    strokeLeavesInk("the bar's next step");
    // The big arrow over the slide reveals slide 2's box.
    clickWidget(canvas->nextStepButton());
    QTRY_VERIFY_WITH_TIMEOUT(boxShown(host), 5000);
    strokeLeavesInk("the big arrow");
    xdo({"key", "Right"});
    QTRY_COMPARE(w.slidePage(), 3);
    strokeLeavesInk("a page key");
    click(buttonWithTip(&w, "上一页"));
    QTRY_COMPARE(w.slidePage(), 2);
    strokeLeavesInk("the previous page button");
    // A click steps the show with the mouse tool; the pen picked again by its key, the pointer
    // still over the show, draws.
    click(buttonWithTip(&w, "鼠标工具"));
    moveTo(host->mapToGlobal(QPoint(host->width() / 2, host->height() * 9 / 10)));
    const bool boxBefore = boxShown(host);
    xdo({"click", "1"});
    QTRY_VERIFY(boxShown(host) != boxBefore || w.slidePage() != 2);
    QTest::qWait(500);
    xdo({"key", "alt+2"});
    QTRY_VERIFY(!show->isPolling());
    strokeLeavesInk("a click step and the tool's key");
    // A tab switch and back.
    TabItem *slides = w.currentTabItem();
    w.newWhiteboardTab("#ffffff");
    QTest::qWait(300);
    slides->click();
    QTRY_VERIFY(w.isSlideShowAlive());
    QTest::qWait(500);
    strokeLeavesInk("a tab switch");
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
        screenshotDir() + "/liveshow-pen-" + QTest::currentDataTag() + ".png"));
    QCOMPARE(lesson->boxes->texts, QStringList());
    w.closeAllTabs();
    w.close();
}

// The pixels of the slide on show, wherever we show them: the board's step buttons over the
// show blend with the slide under them (not an earlier one), the copy of a page holds the
// slide without our buttons, and the bar's picture is the whole slide in its own colours.
void X11LiveShowTest::picturesOfTheSlideOnShow()
{
    // A cyan stripe under the buttons, then slides with a coloured square in each corner.
    const QList<QPair<QRectF, QString>> corners = {{{1, 1, 3, 2.5}, "#ff0000"},
                                                   {{24, 1, 3, 2.5}, "#00ff00"},
                                                   {{1, 12.25, 3, 2.5}, "#0000ff"},
                                                   {{24, 12.25, 3, 2.5}, "#ffff00"}};
    QB_OPEN_LIVE(lesson, "角",
                 {{"条", {}, "#ffffff", false, false, {{{0, 5, 28, 6}, "#00ffff"}}},
                  {"白", {}, "#ffffff", false, false, corners},
                  {"黑", {}, "#000000", false, false, corners}});
    Canvas *canvas = w.currentTabItem()->canvas;
    auto *bar = w.findChild<SlideOutlineCombo *>();
    QVERIFY(bar);
    click(buttonWithTip(&w, "鼠标工具"));
    QTest::qWait(1500);
    // Pixels on screen inside the round button, its rim left out, that are not ok.
    const auto offPixels = [](QPushButton *button, const std::function<bool(QColor)> &ok) {
        const QImage shot = screenArea(button);
        const QPoint centre = shot.rect().center();
        const int radius = shot.width() * 2 / 5;
        QStringList off;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (QLineF(centre, QPoint(x, y)).length() < radius && !ok(c) && off.size() < 4)
                    off << QStringLiteral("%1,%2 %3").arg(x).arg(y).arg(c.name());
            }
        }
        return off.join("; ");
    };
    // The button's grey and its arrow over a white or black slide: no colour of another.
    const auto grey = [](QColor c) {
        return qAbs(c.red() - c.green()) < 30 && qAbs(c.green() - c.blue()) < 30;
    };
    // The slide's corner colours where its picture in the bar should have them, and its middle.
    const auto barOff = [&](const QColor &middle) {
        const QRect at = bar->shownPictureRect();
        const QImage shot = screenArea(bar).copy(at);
        QStringList off;
        const QList<QPair<QPointF, QColor>> points = {{{0.08, 0.13}, Qt::red},
                                                      {{0.92, 0.13}, Qt::green},
                                                      {{0.08, 0.87}, Qt::blue},
                                                      {{0.92, 0.87}, Qt::yellow},
                                                      {{0.5, 0.8}, middle}};
        for (const auto &p : points) {
            const QColor c =
                shot.pixelColor(int(shot.width() * p.first.x()), int(shot.height() * p.first.y()));
            const QColor want = p.second;
            if (qAbs(c.red() - want.red()) > 60 || qAbs(c.green() - want.green()) > 60 ||
                qAbs(c.blue() - want.blue()) > 60)
                off << QStringLiteral("%1,%2 %3").arg(p.first.x()).arg(p.first.y()).arg(c.name());
        }
        return off.join("; ");
    };
    for (int slide : {2, 3}) {
        click(buttonWithTip(&w, "下一页"));
        QTRY_COMPARE(w.slidePage(), slide);
        QTest::qWait(1500);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
            screenshotDir() + QStringLiteral("/liveshow-pictures-%1.png").arg(slide)));
        for (QPushButton *button : {canvas->previousStepButton(), canvas->nextStepButton()}) {
            QVERIFY(button->isVisible());
            QTRY_VERIFY2_WITH_TIMEOUT(offPixels(button, grey).isEmpty(),
                                      qPrintable(offPixels(button, grey)), 3000);
        }
        // The bar shows the whole slide, its black black.
        QTRY_VERIFY2(barOff(slide == 2 ? Qt::white : Qt::black).isEmpty(),
                     qPrintable(barOff(slide == 2 ? Qt::white : Qt::black)));
        QSize fitted = bar->shownPicture().size();
        fitted.scale(bar->shownPictureRect().size(), Qt::KeepAspectRatio);
        QCOMPARE(fitted, bar->shownPictureRect().size());
    }
    // The copy of the black page: black where the buttons lie over the show.
    const QImage page = canvas->pageImage(false).toImage();
    const double scale = double(page.width()) / canvas->width();
    for (QPushButton *button : {canvas->previousStepButton(), canvas->nextStepButton()}) {
        const QColor c = page.pixelColor(button->geometry().center() * scale);
        QVERIFY2(c.lightness() < 30, qPrintable(c.name()));
    }
    w.closeAllTabs();
    w.close();
}

void X11LiveShowTest::failedOpenLeavesNoOffice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain text") << "不是幻灯片.pptx" << QByteArray("plain text, no presentation\n");
    QByteArray noise(200 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QTest::newRow("random bytes") << "乱.pptx" << noise;
}

void X11LiveShowTest::failedOpenLeavesNoOffice()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QB_REQUIRE_PROGRAM("soffice");
    X11Window x;
    MainWindow &w = x.window;
    QVERIFY(x.shown());
    const QString text = x.data.filePath(name);
    QVERIFY(FileSystem::writeBytes(text, bytes));
    QSignalSpy starting(w.slideShowBridge(), &SlideShowBridge::officeStarting);
    QSignalSpy converting(w.slideShow()->presentationConverter(), &DocumentConverter::converting);
    {
        BoxAnswerer boxes("OK");
        w.openFilesFromArguments({text});
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts, QStringList{PresentationLoader::notLoadedMessage()},
                                  90000);
    }
    QVERIFY(w.tabList().isEmpty());
    QCOMPARE(starting.size(), 1);
    // Told when the office refused it: the file is not converted again.
    QCOMPARE(converting.size(), 0);
    // Neither the bridge nor the office that had no show to run stays; the office is known by
    // its pipe, also when it has lost its parent.
    const QString pipe = QStringLiteral("quillboard-%1-").arg(qApp->applicationPid());
    const auto left = [&] {
        QStringList names;
        for (const ProcessEntry &p : liveProcesses()) {
            if (p.commandLine.contains(pipe) ||
                (p.parent == qApp->applicationPid() && p.name.startsWith("quillboard-sli")))
                names << p.name;
        }
        return names;
    };
    QTRY_COMPARE_WITH_TIMEOUT(left(), QStringList(), 10000);
    w.close();
}

QTEST_MAIN(X11LiveShowTest)
#include "tst_x11_liveshow.moc"
