#include <QtTest>

#include <xcb/xcb.h>
#include <QX11Info>

#include <csignal>

#include "base/globals.h"
#include "base/windowsearch.h"
#include "platform/childprocess.h"
#include "platform/windowtree.h"
#include "processtree.h"
#include "requiredprograms.h"
#include "slidefixtures.h"

namespace {

QProcessEnvironment environmentFor(const QString &dataHome, const QString &configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dataHome);
    env.insert("XDG_CONFIG_HOME", configHome);
    env.remove("QT_QPA_PLATFORM"); // the program picks xcb itself
    return env;
}

WindowHandle waitForWindow(const X11WindowTree &tree, const QString &title, int ms)
{
    QElapsedTimer timer;
    timer.start();
    WindowHandle window = 0;
    while (!findTopLevelWindowByTitle(tree, title, window) && timer.elapsed() < ms)
        QTest::qWait(50);
    return window;
}

// A window below ours made by another client (the office showing its slides in our window):
// X window ids carry their client's resource base.
bool hasForeignChild(const X11WindowTree &tree, WindowHandle top)
{
    const uint32_t mask = xcb_get_setup(QX11Info::connection())->resource_id_mask;
    QList<WindowHandle> below = tree.childWindows(top);
    for (int i = 0; i < below.size(); ++i) {
        if ((below.at(i) & ~mask) != (top & ~mask))
            return true;
        below += tree.childWindows(below.at(i));
    }
    return false;
}

} // namespace

class TestX11Startup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QB_REQUIRE_PROGRAMS({"soffice", "xdotool"}); }
    void secondStartRaisesTheRunningWindow();
    void unusableDataFolderShowsTheStartupError();
    void startLoadsNoRecordingOpenGlOrMultimediaLibraries();
    void killedProgramLeavesNoProcessOfOurs();
};

void TestX11Startup::secondStartRaisesTheRunningWindow()
{
    X11WindowTree tree;
    QVERIFY(tree.isConnected());
    QTemporaryDir dir;
    const auto env = environmentFor(dir.path() + "/data", dir.path() + "/config");
    ChildProcess first;
    first.setProcessEnvironment(env);
    first.start(QB_APP_PATH, QStringList());
    const WindowHandle window = waitForWindow(tree, appTitle, 15000);
    QVERIFY(window != 0);

    // Another window covers it; the second start must bring ours back on top.
    QWidget cover;
    cover.setWindowTitle("cover");
    cover.setGeometry(0, 0, 800, 600);
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    QTest::qWait(200);
    // Top-level windows come bottom to top.
    auto above = [&tree](WindowHandle a, WindowHandle b) {
        const QList<WindowHandle> order = tree.topLevelWindows();
        return order.indexOf(a) > order.indexOf(b);
    };
    const WindowHandle coverWindow = cover.winId();
    QVERIFY(above(coverWindow, window));

    QProcess second;
    second.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    second.start(QB_APP_PATH, {"/tmp/a.png", "/tmp/b.pdf"});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    qInfo("second start took %lld ms", timer.elapsed());
    QTRY_VERIFY(above(window, coverWindow));

    first.kill();
    first.waitForFinished();
}

void TestX11Startup::unusableDataFolderShowsTheStartupError()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A data home below a plain file can never be created.
    ChildProcess app;
    app.setProcessEnvironment(environmentFor(dir.filePath("file/data"), dir.filePath("config")));
    app.start(QB_APP_PATH, QStringList());
    X11WindowTree tree;
    const WindowHandle box = waitForWindow(tree, "墨岚白板启动错误", 15000);
    QVERIFY(box != 0);
    WindowHandle main = 0;
    QVERIFY(!findTopLevelWindowByTitle(tree, appTitle, main));

    // On a loaded machine the box may take the key before it has the focus: press again until
    // it goes.
    for (int i = 0; i < 10 && app.state() != QProcess::NotRunning; ++i) {
        QProcess::execute("xdotool",
                          {"windowfocus", "--sync", QString::number(box), "key", "Return"});
        app.waitForFinished(1000);
    }
    QCOMPARE(app.state(), QProcess::NotRunning);
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(dir.filePath("config/quillboard/lock")));
}

void TestX11Startup::startLoadsNoRecordingOpenGlOrMultimediaLibraries()
{
    // FFmpeg, Mesa and GStreamer are most of what the loader would do before the first window,
    // and nothing shown at start needs them: recording, cameras and sound load them when used.
    // PipeWire serves only the screen cast of a Wayland session.
    X11WindowTree tree;
    QTemporaryDir dir;
    ChildProcess app;
    app.setProcessEnvironment(environmentFor(dir.path() + "/data", dir.path() + "/config"));
    app.start(QB_APP_PATH, QStringList());
    QVERIFY(waitForWindow(tree, appTitle, 15000) != 0);
    QTest::qWait(500); // the first paint and whatever follows it at once
    QFile maps(QStringLiteral("/proc/%1/maps").arg(app.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString mapped = QString::fromUtf8(maps.readAll());
    app.kill();
    app.waitForFinished();
    QVERIFY(mapped.contains(QLatin1String("libQt5Widgets"))); // the right process was read
    for (const char *library : {"libavformat", "libavcodec", "libswscale", "quillboard-recording",
                                "libpipewire", "quillboard-pipewire", "swrast_dri", "libLLVM",
                                "libgstreamer", "plugins/mediaservice", "plugins/audio/"})
        QVERIFY2(!mapped.contains(QLatin1String(library)), library);
}

void TestX11Startup::killedProgramLeavesNoProcessOfOurs()
{
    QTemporaryDir dir;
    const QString profile = dir.filePath("make-profile");
    const QString pptx =
        makeWithSoffice(dir.filePath("第四课.fodp"),
                        flatPresentationXml({{"第一页", {"复习"}, "#dbe9f7"}, {"第二页", {}, {}}}),
                        "pptx", profile);
    // Long enough that its conversion is still running when the program dies.
    const QString docx = makeWithSoffice(
        dir.filePath("教案.txt"), QByteArray("第一节：复习上节课的三个要点。\n").repeated(20000),
        "docx:MS Word 2007 XML", profile);
    QB_REQUIRE_PROGRAM("soffice");
    QVERIFY2(!pptx.isEmpty() && !docx.isEmpty(),
             "LibreOffice did not write the deck and the document");

    const auto env = environmentFor(dir.filePath("data"), dir.filePath("config"));
    ChildProcess app;
    app.setProcessEnvironment(env);
    app.start(QB_APP_PATH, {pptx});
    QVERIFY(app.waitForStarted(5000));
    const qint64 pid = app.processId();
    auto running = [pid](const QString &name, const QString &argument) {
        for (const ProcessEntry &process : liveDescendants(pid)) {
            if (process.name == name && process.commandLine.contains(argument))
                return true;
        }
        return false;
    };

    // The show is live once the office draws inside our window.
    X11WindowTree tree;
    const WindowHandle window = waitForWindow(tree, appTitle, 15000);
    QVERIFY(window != 0);
    QTRY_VERIFY_WITH_TIMEOUT(running("soffice.bin", "--accept=pipe"), 90000);
    QTRY_VERIFY_WITH_TIMEOUT(hasForeignChild(tree, window), 90000);

    // A Word document handed over by a second start: its conversion runs beside the show.
    ChildProcess second;
    second.setProcessEnvironment(env);
    second.start(QB_APP_PATH, {docx});
    QVERIFY(second.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(running("soffice.bin", "教案.docx"), 30000);

    const QList<ProcessEntry> ours = liveDescendants(pid);
    QList<qint64> pids{pid}, groups{pid};
    for (const ProcessEntry &process : ours) {
        pids << process.pid;
        if (!groups.contains(process.group))
            groups << process.group;
    }
    QVERIFY(ours.size() >= 3); // the bridge, its office, the converter
    ::kill(pid_t(pid), SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(stillLive(pids, groups), QList<qint64>(), 2000);
    QTRY_COMPARE(app.state(), QProcess::NotRunning);
}

QTEST_MAIN(TestX11Startup)
#include "tst_x11_startup.moc"
